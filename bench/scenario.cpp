// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "bench/scenario.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/vec.h"

namespace pellasto_bench {

namespace {

// The benchmark host: connected parameters keep their value in place; the
// rotation is a real one, as a host computes it.
const HostHooks kHooks = hostside::real_rotation_hooks(hostside::evaluate_in_place);

template <typename Function>
Function require(void* module, const char* name) {
  void* address = hostside::find_export(module, name);
  if (address == nullptr) {
    std::fprintf(stderr, "bench: missing export %s\n", name);
    std::abort();
  }
  return reinterpret_cast<Function>(address);
}

}  // namespace

const Modules& modules() {
  static Modules m;
  static const bool loaded = [] {
    const hostside::PellastoModule& pellasto = hostside::pellasto();
    m.shade = pellasto.shade;
    m.set_module_handle = pellasto.set_module_handle;
    m.floor_shade = require<PellastoShaderFn>(
        hostside::load_beside(hostside::module_file("pellasto_floor")), "Pellasto");
    const hostside::HostModule host = hostside::load_host("bench_host");
    host.install(&kHooks);
    m.host = host.handle;
    m.lookups = host.lookups;
    HostFunctions& slots = m.host_functions;
    slots.phen_eval = require<decltype(slots.phen_eval.load())>(m.host, "mi_phen_eval");
    slots.matrix_rotate_axis = require<decltype(slots.matrix_rotate_axis.load())>(
        m.host, "mi_matrix_rotate_axis");
    slots.vector_transform =
        require<decltype(slots.vector_transform.load())>(m.host, "mi_vector_transform");
    m.set_module_handle(m.host);
    return true;
  }();
  (void)loaded;
  return m;
}

void unbound_host_function() {
  std::fprintf(stderr, "bench: the limit called a host function before binding it\n");
  std::abort();
}

Sample::Sample(const Case& c) {
  state.surface_point = {1.0f, -2.0f, 0.5f};
  state.surface_normal = {0.0f, 0.6f, 0.8f};
  params.mode = c.mode;
  params.direction = {1.0f, 2.0f, 3.0f};
  params.position = {3.0f, 1.0f, -1.0f};
  params.rotation = c.rotation;
  if (c.connected) connect_all();
}

Boolean limit_entry(Color* result, RenderState* state, FrameParams* params) {
  return limit_shade(modules().host_functions, result, state, params);
}

std::string check_case(const Case& c, PellastoShaderFn shade) {
  Case connected_input = c;
  connected_input.connected = true;
  Sample s(connected_input);
  const Vector n = s.state.surface_normal;
  Vector before[2];
  std::memcpy(before, s.derivatives, sizeof before);
  std::string differs;
  if (shade(&s.result, &s.state, &s.params) != 1) differs += " return value";
  if (std::memcmp(&s.result, &s.params.input, sizeof(Color)) != 0) differs += " result";
  if (std::memcmp(s.derivatives, before, sizeof before) != 0) {
    differs += " restored vectors";
  }
  if (s.input_evaluations != 1) differs += " input evaluations";
  if (c.mode == 1 || c.mode == 2) {
    const Vector d =
        c.mode == 1 ? s.params.direction : s.params.position - s.state.surface_point;
    if (!hostside::near(s.seen[1], hostside::expected_tangent(n, d, c.rotation), 1e-5f)) {
      differs += " tangent seen by input";
    }
    if (!hostside::near(s.seen[0], hostside::cross(n, s.seen[1]), 1e-6f)) {
      differs += " cross seen by input";
    }
  } else if (std::memcmp(s.seen, before, sizeof before) != 0) {
    differs += " frame seen by input";
  }
  return differs;
}

}  // namespace pellasto_bench
