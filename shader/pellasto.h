// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's exported entry points and the shader's parameter block
// (shader/frame_params.h), as a host loading "Pellasto" by path sees them
// (miSetModuleHandle is declared with the entry-point table,
// host/entry_table.h). Every entry uses the platform's
// C calling convention (cdecl on 32-bit x86) and is exported undecorated.
#ifndef PELLASTO_SHADER_PELLASTO_H
#define PELLASTO_SHADER_PELLASTO_H

#include "host/entry_table.h"
#include "host/host_interface.h"
#include "host/module_export.h"
#include "shader/frame_params.h"

extern "C" {

// Called by the host once per shading sample, on any render thread, any number
// at once given separate states. All three records are host-owned; `result` is
// written, the state's two derivative vectors are overridden while `input` is
// evaluated and restored before returning. Always returns 1.
PELLASTO_EXPORT Boolean Pellasto(Color* result, RenderState* state, FrameParams* params);

// Called by the host after loading, any thread; returns the interface version.
PELLASTO_EXPORT int Pellasto_version(void);

// Called by the host before shading, any thread. With a null `params` writes 0
// into the host-owned `instance_init_wanted`; otherwise does nothing. Never
// reads `state`.
PELLASTO_EXPORT void Pellasto_init(RenderState* state, FrameParams* params,
                                   Boolean* instance_init_wanted);

// Called by the host when the shader is no longer used, any thread. Reads none
// of its arguments and does nothing.
PELLASTO_EXPORT void Pellasto_exit(RenderState* state, FrameParams* params);

// Pointer types for hosts that bind the entries by name.
typedef Boolean (*PellastoShaderFn)(Color*, RenderState*, FrameParams*);
typedef int (*PellastoVersionFn)(void);
typedef void (*PellastoInitFn)(RenderState*, FrameParams*, Boolean*);
typedef void (*PellastoExitFn)(RenderState*, FrameParams*);

}  // extern "C"

#endif  // PELLASTO_SHADER_PELLASTO_H
