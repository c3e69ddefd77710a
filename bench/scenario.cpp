#include "bench/scenario.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tests/support/host_math.h"
#include "tests/support/module_loader.h"

namespace pellasto_bench {

namespace {

using pellasto_test::find_export;
using pellasto_test::load_module;
using pellasto_test::module_file;

template <typename Function>
Function require(void* module, const char* name) {
  void* address = find_export(module, name);
  if (address == nullptr) {
    std::fprintf(stderr, "bench: missing export %s\n", name);
    std::abort();
  }
  return reinterpret_cast<Function>(address);
}

Sample& sample_of(RenderState* state) { return *reinterpret_cast<Sample*>(state); }

// The benchmark host: connected parameters keep their value in place; the
// rotation is a real one, as a host computes it.
void* phen_eval(void*, RenderState* state, void* parameter) {
  FrameSeen& seen = frame_seen();
  if (seen.record && parameter == &sample_of(state).block.params.input) {
    seen.frame[0] = state->surface_derivatives[0];
    seen.frame[1] = state->surface_derivatives[1];
  }
  return parameter;
}

const TestHostHooks kHooks{nullptr, phen_eval, pellasto_test::rotate_axis_hook,
                           pellasto_test::transform_direction_hook};

}  // namespace

FrameSeen& frame_seen() {
  static FrameSeen seen{};
  return seen;
}

const Modules& modules() {
  static const Modules m = [] {
    Modules m{};
    void* pellasto = load_module(module_file("Pellasto"));
    m.shade = require<PellastoShaderFn>(pellasto, "Pellasto");
    m.set_module_handle =
        require<PellastoSetModuleHandleFn>(pellasto, "miSetModuleHandle");
    m.floor_shade =
        require<PellastoShaderFn>(load_module(module_file("pellasto_floor")), "Pellasto");
    m.host = load_module(module_file("bench_host"));
    require<TestHostInstallFn>(m.host, "test_host_install")(&kHooks);
    m.lookups = require<TestHostLookupsFn>(m.host, "test_host_lookups");
    m.host_functions.phen_eval =
        require<decltype(HostFunctions::phen_eval)>(m.host, "mi_phen_eval");
    m.host_functions.matrix_rotate_axis =
        require<decltype(HostFunctions::matrix_rotate_axis)>(m.host,
                                                             "mi_matrix_rotate_axis");
    m.host_functions.vector_transform =
        require<decltype(HostFunctions::vector_transform)>(m.host, "mi_vector_transform");
    m.set_module_handle(m.host);
    return m;
  }();
  return m;
}

Sample::Sample(const Case& c) {
  state.surface_point = {1.0f, -2.0f, 0.5f};
  state.surface_normal = {0.0f, 0.6f, 0.8f};
  state.surface_derivatives = derivatives;
  state.current_shader = &shader;
  FrameParams& p = block.params;
  p.input = {0.25f, 0.5f, 0.75f, 1.0f};
  p.mode = c.mode;
  p.direction = {1.0f, 2.0f, 3.0f};
  p.position = {3.0f, 1.0f, -1.0f};
  p.rotation = c.rotation;
  if (c.connected) {
    shader.connection_offset = static_cast<std::int32_t>(sizeof(FrameParams));
    for (std::int32_t& word : block.connected) word = 1;
  }
}

std::string compare_with_limit(const Case& c) {
  Case connected_input = c;
  connected_input.connected = true;
  Sample by_module(connected_input), by_limit(connected_input);
  FrameSeen& seen = frame_seen();
  seen.record = true;
  modules().shade(&by_module.result, &by_module.state, by_module.params());
  const FrameSeen module_seen = seen;
  limit_shade(modules().host_functions, &by_limit.result, &by_limit.state,
              by_limit.params());
  seen.record = false;
  std::string differs;
  if (std::memcmp(&by_module.result, &by_limit.result, sizeof(Color)) != 0) {
    differs += " result";
  }
  if (std::memcmp(by_module.derivatives, by_limit.derivatives, 2 * sizeof(Vector)) != 0) {
    differs += " restored vectors";
  }
  if (std::memcmp(module_seen.frame, seen.frame, 2 * sizeof(Vector)) != 0) {
    differs += " frame seen by input";
  }
  return differs;
}

}  // namespace pellasto_bench
