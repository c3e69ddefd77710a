// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The shader's parameter block, as the host fills it from the scene, and the
// values of its `mode`.
#ifndef PELLASTO_SHADER_FRAME_PARAMS_H
#define PELLASTO_SHADER_FRAME_PARAMS_H

#include <cstddef>
#include <cstdint>

#include "host/host_interface.h"

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

}  // extern "C"

#endif  // PELLASTO_SHADER_FRAME_PARAMS_H
