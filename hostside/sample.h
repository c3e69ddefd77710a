// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// One shading sample, owned as a host owns it: the render state, the record of
// the running shader, the two derivative vectors, the parameter block with a
// connection word for every 4 bytes of parameters, and the result. Also what
// the host's evaluation of a connected `input` found and handed back.
#ifndef PELLASTO_HOSTSIDE_SAMPLE_H
#define PELLASTO_HOSTSIDE_SAMPLE_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "hostside/forwarding_module.h"
#include "hostside/module.h"
#include "shader/pellasto.h"

namespace hostside {

// On cache lines of its own, so that samples of different threads share none.
struct alignas(64) Sample {
  RenderState state{};  // first: a host function finds the sample from it
  ShaderRecord shader{};
  Vector derivatives[2] = {{0.5f, 0.25f, -1.0f}, {-3.0f, 7.0f, 0.125f}};
  FrameParams params{};
  std::int32_t connected[sizeof(FrameParams) / 4]{};  // word of byte p at p / 4
  Color result{};

  // What the evaluation of a connected `input` (evaluate_in_place) found, how
  // often it ran, and the value it hands back (null: the parameter's own).
  Vector seen[2]{};
  int input_evaluations = 0;
  const Color* input_value = nullptr;

  // Normal (0, 0, 1) at the origin, the derivative vectors above, no
  // parameter connected, `input` (0.25, 0.5, 0.75, 1).
  Sample();
  Sample(const Sample&) = delete;
  Sample& operator=(const Sample&) = delete;

  // Marks `parameter` (a field of params) as connected.
  void connect(const void* parameter);
  void connect_all();
  // Clears every connection word and the shader record's offset.
  void disconnect_all();

  // One shading case: the point and its normal, and the frame parameters.
  struct Aim {
    Vector normal, point;
    std::int32_t mode;
    Vector direction, position;
    float turns;
  };
  // Sets the case up with `input` connected, so that the host's evaluation
  // of it sees the frame in force.
  void aim(const Aim& aim);

  // Runs `shade` (by default the Pellasto module's entry) on this sample.
  Boolean shade(PellastoShaderFn entry = pellasto().shade);

  static Sample& of(RenderState* state) { return *reinterpret_cast<Sample*>(state); }
};

// Distance from each parameter to its connection word.
constexpr std::int32_t kConnectionOffset =
    offsetof(Sample, connected) - offsetof(Sample, params);
static_assert(kConnectionOffset == sizeof(FrameParams), "words follow the parameters");
static_assert(std::is_standard_layout<Sample>::value && offsetof(Sample, state) == 0,
              "a RenderState* must convert back to its Sample");

// mi_phen_eval over a Sample (the hook's context is unused): a connected
// parameter keeps its value in place, except `input`, whose evaluation records
// the frame in force and yields the sample's input_value where it has one.
void* evaluate_in_place(void* context, RenderState* state, void* parameter);

// Hooks whose connected parameters are evaluated by `phen_eval` and whose
// rotation and transform are rotate_axis and transform_direction.
HostHooks real_rotation_hooks(void* (*phen_eval)(void*, RenderState*, void*));

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_SAMPLE_H
