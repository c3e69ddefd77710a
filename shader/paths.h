// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The paths a sample takes through the shader's algorithm (shader/paths.cpp),
// one for each set of facts the entry (shader/pellasto.cpp) can see before it
// starts: whether `mode` is connected, whether it builds a frame, and whether
// a parameter the sample reads is connected (a frame read in place then
// chooses between the turned path and the unturned one). The entry reaches its path by a
// jump, with the entry's own arguments, so that each path saves the registers and stack
// of its own steps only. On 32-bit x86 the paths that call the host align their own stack
// before they do (hosts there may keep 4-byte alignment only).
#ifndef PELLASTO_SHADER_PATHS_H
#define PELLASTO_SHADER_PATHS_H

#include "host/bound_calls.h"
#include "host/host_interface.h"
#include "shader/frame_params.h"

namespace pellasto {

// On 32-bit x86 the paths take their arguments in registers, so that the
// entry jumps to them without writing its own back to the stack. The
// connected-mode path is the exception: the entry chooses it first, before
// reading anything else, and jumps with the arguments where the host put
// them; that path reads `result` there only at its end.
#if defined(__i386__)
#define PELLASTO_PATH PELLASTO_INTERNAL __attribute__((regparm(3)))
#else
#define PELLASTO_PATH PELLASTO_INTERNAL
#endif

// Each path spells its parameters out rather than naming one function type
// for all six: declared through such a type, GCC gives the callers the
// register convention but not the definitions in paths.cpp, which then read
// their arguments from the stack on 32-bit x86.

// `mode` connected: the host evaluates it first.
PELLASTO_INTERNAL Boolean shade_evaluated_mode(Color* result, RenderState* state,
                                               FrameParams* params);

// Mode 0 (or any mode that builds no frame) read in place, `input` in place:
// calls nothing.
PELLASTO_PATH Boolean shade_in_place(Color* result, RenderState* state,
                                     FrameParams* params);

// Mode 0 (or any mode that builds no frame) read in place, `input` connected.
PELLASTO_PATH Boolean shade_evaluated_input(Color* result, RenderState* state,
                                            FrameParams* params);

// Mode 1 or 2 read in place, with a parameter it reads connected.
PELLASTO_PATH Boolean shade_connected_frame(Color* result, RenderState* state,
                                            FrameParams* params);

// Mode 1 or 2 with every parameter it reads in place, unturned: calls nothing.
// A turned frame goes on to shade_turned_unconnected_frame.
PELLASTO_PATH Boolean shade_unconnected_frame(Color* result, RenderState* state,
                                              FrameParams* params);

// Mode 1 or 2 with every parameter it reads in place, turned.
PELLASTO_PATH Boolean shade_turned_unconnected_frame(Color* result, RenderState* state,
                                                     FrameParams* params);

}  // namespace pellasto

#endif  // PELLASTO_SHADER_PATHS_H
