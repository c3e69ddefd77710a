// The module's exported entry points and the shader's parameter block, as a
// host loading "Pellasto" by path sees them (miSetModuleHandle is declared
// with the entry-point table, host/entry_table.h). Every entry uses the platform's
// C calling convention (cdecl on 32-bit x86) and is exported undecorated.
#ifndef PELLASTO_SHADER_PELLASTO_H
#define PELLASTO_SHADER_PELLASTO_H

#include "host/entry_table.h"
#include "host/host_interface.h"
#include "host/module_export.h"

extern "C" {

// Values of FrameParams::mode.
enum PellastoMode : std::int32_t {
  kPellastoModeNone = 0,       // pass `input` through, leave the frame alone
  kPellastoModeDirection = 1,  // tangent from `direction`
  kPellastoModePosition = 2,   // tangent from `position` - surface point
};

// The shader's parameter block, filled by the host from the scene.
struct FrameParams {
  Color input;        // passed through; evaluated under the new frame
  std::int32_t mode;  // PellastoMode
  Vector direction;   // mode 1
  Vector position;    // mode 2, same space as the surface point
  float rotation;     // turn of the tangent about the normal, in turns
};

static_assert(offsetof(FrameParams, input) == 0, "parameter block layout");
static_assert(offsetof(FrameParams, mode) == 16, "parameter block layout");
static_assert(offsetof(FrameParams, direction) == 20, "parameter block layout");
static_assert(offsetof(FrameParams, position) == 32, "parameter block layout");
static_assert(offsetof(FrameParams, rotation) == 44, "parameter block layout");
static_assert(sizeof(FrameParams) == 48, "parameter block layout");

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
