// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "hostside/sample.h"

#include "hostside/rotation.h"

namespace hostside {

Sample::Sample() {
  state.surface_point = {0, 0, 0};
  state.surface_normal = {0, 0, 1};
  state.surface_derivatives = derivatives;
  state.current_shader = &shader;
  params.input = {0.25f, 0.5f, 0.75f, 1.0f};
}

void Sample::connect(const void* parameter) {
  shader.connection_offset = kConnectionOffset;
  const auto at =
      static_cast<const char*>(parameter) - reinterpret_cast<const char*>(&params);
  connected[at / 4] = 1;
}

void Sample::connect_all() {
  connect(&params.input);
  connect(&params.mode);
  connect(&params.direction);
  connect(&params.position);
  connect(&params.rotation);
}

void Sample::disconnect_all() {
  shader.connection_offset = 0;
  for (std::int32_t& word : connected) {
    word = 0;
  }
}

void Sample::aim(const Aim& aim) {
  state.surface_normal = aim.normal;
  state.surface_point = aim.point;
  params.mode = aim.mode;
  params.direction = aim.direction;
  params.position = aim.position;
  params.rotation = aim.turns;
  connect(&params.input);
}

Boolean Sample::shade(PellastoShaderFn entry) { return entry(&result, &state, &params); }

void* evaluate_in_place(void*, RenderState* state, void* parameter) {
  Sample& s = Sample::of(state);
  if (parameter != &s.params.input) {
    return parameter;
  }
  s.seen[0] = state->surface_derivatives[0];
  s.seen[1] = state->surface_derivatives[1];
  ++s.input_evaluations;
  return s.input_value != nullptr ? const_cast<Color*>(s.input_value) : parameter;
}

HostHooks real_rotation_hooks(void* (*phen_eval)(void*, RenderState*, void*)) {
  HostHooks hooks{};
  hooks.phen_eval = phen_eval;
  hooks.matrix_rotate_axis = [](void*, Matrix* m, const Vector* axis, float angle) {
    return rotate_axis(m, axis, angle);
  };
  hooks.vector_transform = [](void*, Vector* out, const Vector* in, const Matrix* m) {
    transform_direction(out, in, m);
  };
  return hooks;
}

}  // namespace hostside
