// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the benchmarks and the instruction counts share: the modules loaded by
// path as a host loads them, one shading sample per case, and the limit: the
// shader's whole work written inline, with nothing between the caller and the
// frame math.
#ifndef PELLASTO_BENCH_SCENARIO_H
#define PELLASTO_BENCH_SCENARIO_H

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "hostside/forwarding_module.h"
#include "hostside/sample.h"
#include "shader/frame_math.h"
#include "shader/pellasto.h"

namespace pellasto_bench {

// The cases measured: each mode, and mode 1 with a fractional turn, with no
// parameter connected or with every parameter connected.
struct Case {
  const char* name;
  std::int32_t mode;
  float rotation;
  bool connected;
};

inline constexpr Case kCases[] = {
    {"mode0/unconnected", 0, 0.0f, false}, {"mode1/unconnected", 1, 2.0f, false},
    {"mode2/unconnected", 2, 2.0f, false}, {"mode1_turn/unconnected", 1, 0.3f, false},
    {"mode0/connected", 0, 0.0f, true},    {"mode1/connected", 1, 2.0f, true},
    {"mode2/connected", 2, 2.0f, true},    {"mode1_turn/connected", 1, 0.3f, true},
};

// The host functions, as the host module exports them, each in a slot the
// limit loads on every call and tests before it calls through it: the work
// the module's bound call must do (one load of the slot, no call through an
// empty one, one indirect call), and no less.
struct HostFunctions {
  std::atomic<void* (*)(RenderState*, void*)> phen_eval{nullptr};
  std::atomic<Boolean (*)(Matrix*, const Vector*, float)> matrix_rotate_axis{nullptr};
  std::atomic<void (*)(Vector*, const Vector*, const Matrix*)> vector_transform{nullptr};
};

// The limit never runs unbound: the benchmark binds every slot first.
[[noreturn, gnu::cold]] void unbound_host_function();

template <typename Function>
[[gnu::always_inline]] inline Function bound(const std::atomic<Function>& slot) {
  const Function function = slot.load(std::memory_order_acquire);
  if (function == nullptr) unbound_host_function();
  return function;
}

// The loaded modules, bound by name.
struct Modules {
  PellastoShaderFn shade;        // Pellasto's entry
  PellastoShaderFn floor_shade;  // the empty entry
  PellastoSetModuleHandleFn set_module_handle;
  void* host;
  HostFunctions host_functions;
  HostLookupsFn lookups;
};

// Loads Pellasto, the floor module and the host module from beside the
// program, and binds Pellasto to the host. Aborts when one is missing.
const Modules& modules();

// The in-process host's sample (hostside/sample.h), set up for a case.
struct Sample : hostside::Sample {
  explicit Sample(const Case& c);
};

// The limit: the same reads, the same frame math (shader/frame_math.h) and the
// same writes as the shader, inline at the call site.
template <typename T>
inline const T* value_of(const HostFunctions& host, RenderState* state, T* parameter) {
  const ShaderRecord* shader = state->current_shader;
  const std::int32_t offset = shader != nullptr ? shader->connection_offset : 0;
  if (offset == 0) return parameter;
  std::int32_t connected;
  std::memcpy(&connected, reinterpret_cast<const char*>(parameter) + offset,
              sizeof connected);
  if (connected == 0) return parameter;
  const void* value = bound(host.phen_eval)(state, parameter);
  return value != nullptr ? static_cast<const T*>(value) : parameter;
}

inline __attribute__((always_inline)) Boolean limit_shade(const HostFunctions& host,
                                                          Color* result,
                                                          RenderState* state,
                                                          FrameParams* params) {
  using namespace pellasto;
  const std::int32_t mode = *value_of(host, state, &params->mode);
  Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    std::memcpy(result, value_of(host, state, &params->input), sizeof(Color));
    return 1;
  }
  unsigned char saved[2 * sizeof(Vector)];
  std::memcpy(saved, derivatives, sizeof saved);
  if (mode == 1 || mode == 2) {
    Vector d = mode == 1 ? *value_of(host, state, &params->direction)
                         : subtract(*value_of(host, state, &params->position),
                                    state->surface_point);
    const Vector n = state->surface_normal;
    Vector t = tangent_in_plane(d, n);
    const float turns = *value_of(host, state, &params->rotation);
    if (is_fractional_turn(turns)) {
      Matrix m;
      bound(host.matrix_rotate_axis)(
          &m, &state->surface_normal,
          static_cast<float>(static_cast<double>(turns) * 6.283185307179586));
      bound(host.vector_transform)(&t, &t, &m);
    }
    if (Vector* now = state->surface_derivatives) {
      now[0] = cross(state->surface_normal, t);
      now[1] = t;
    }
  }
  std::memcpy(result, value_of(host, state, &params->input), sizeof(Color));
  if (Vector* now = state->surface_derivatives) std::memcpy(now, saved, sizeof saved);
  return 1;
}

// Runs `shade` (the module's entry, or the limit) on the case's sample with a
// connected input and checks it against what a host expects of the shader:
// it returns 1 and the input's value, the input's evaluation sees the frame
// worked out host-side (hostside::expected_tangent and the cross product), and
// the derivative vectors are put back bit for bit. Empty when all holds, else
// what does not. Both the module and the limit must pass, so that the limit
// is shown to do the shader's work without being taken as the oracle.
std::string check_case(const Case& c, PellastoShaderFn shade);

// limit_shade over the benchmark host's functions, as an entry.
Boolean limit_entry(Color* result, RenderState* state, FrameParams* params);

}  // namespace pellasto_bench

#endif  // PELLASTO_BENCH_SCENARIO_H
