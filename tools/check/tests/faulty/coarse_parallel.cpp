// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Takes a direction within about half a degree of the normal as parallel to
// it, and gives the zero frame for it.
#include <cmath>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const Vector n = state->surface_normal;
  const std::int32_t mode = params->mode;
  Vector d = params->direction;
  if (mode == kPellastoModePosition) {
    d = {params->position.x - state->surface_point.x,
         params->position.y - state->surface_point.y,
         params->position.z - state->surface_point.z};
  }
  const double along = d.x * n.x + d.y * n.y + d.z * n.z;
  const double squared = d.x * d.x + d.y * d.y + d.z * d.z;
  const bool near_normal =
      (mode == kPellastoModeDirection || mode == kPellastoModePosition) && squared > 0 &&
      squared - along * along < 1e-4 * squared;
  if (!near_normal) {
    return forward(result, state, params);
  }
  const Vector direction = params->direction, position = params->position;
  params->direction = {0, 0, 0};
  params->position = state->surface_point;
  const Boolean returned = forward(result, state, params);
  params->direction = direction;
  params->position = position;
  return returned;
}

}  // namespace faulty
