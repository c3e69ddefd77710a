// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/module_calls.h"

#include "hostside/rotation.h"

#define PREVIEW_HOST_EXPORT extern "C" __attribute__((visibility("default")))

namespace preview {

void ShaderInstance::prepare(hostside::Sample* sample) const {
  sample->disconnect_all();
  sample->params = params;
  if (input_shader != nullptr) {
    sample->connect(&sample->params.input);
  }
}

LoadResult load_module(const std::string& path) {
  LoadResult result;
  Module& m = result.module;
  void* handle = hostside::open_module(path, &result.error);
  if (handle == nullptr) {
    result.error = "cannot load module: " + result.error;
    return result;
  }
  std::string missing;
  if (!hostside::bind_pellasto(handle, &m, &missing)) {
    hostside::close_module(handle);
    m.handle = nullptr;
    result.status = LoadStatus::kMissingEntry;
    result.error = "module " + path + " does not export " + missing;
    return result;
  }
  // This program exports the host functions.
  m.set_module_handle(hostside::program_module());
  const int version = m.version();
  if (version != 1) {
    hostside::close_module(handle);
    m.handle = nullptr;
    result.status = LoadStatus::kWrongVersion;
    result.error = "module " + path + " has interface version " +
                   std::to_string(version) + "; this host supports version 1 only";
    return result;
  }
  hostside::Sample sample;
  Boolean instance_init_wanted = 1;
  m.init(&sample.state, nullptr, &instance_init_wanted);
  result.status = LoadStatus::kLoaded;
  return result;
}

void unload_module(Module* module) {
  if (module->handle == nullptr) {
    return;
  }
  hostside::Sample sample;
  module->exit(&sample.state, nullptr);
  hostside::close_module(module->handle);
  module->handle = nullptr;
}

}  // namespace preview

// The host functions, exported by name from this program.

// Called by the module on a render thread while it shades a sample with
// `state` (host-owned, one per thread); `parameter` points into that sample's
// parameters. Runs the shader connected to `input`, if any, under the state's
// current frame; returns host-owned storage in `state` that stays valid until
// the next evaluation on that state, or `parameter` itself.
PREVIEW_HOST_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  preview::HostState* host = preview::host_state(state);
  const preview::ShaderInstance* instance = host->instance;
  if (instance == nullptr || parameter != &host->sample.params.input ||
      instance->input_shader == nullptr) {
    return parameter;
  }
  ShaderRecord* caller = state->current_shader;
  state->current_shader = const_cast<ShaderRecord*>(&instance->input_record);
  host->evaluated = instance->input_shader(host);
  state->current_shader = caller;
  return &host->evaluated;
}

// Called by the module on a render thread; fills the caller-owned `m` with the
// rotation by `angle` radians about `axis` (caller-owned, read only; need not
// be unit length). Row-major, acting on column vectors.
PREVIEW_HOST_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                                  float angle) {
  return hostside::rotate_axis(m, axis, angle);
}

// Called by the module on a render thread; writes `in` turned by the upper
// 3 x 3 of `m` (no translation: a direction) into `out`. All three are
// caller-owned; `out` may be `in`.
PREVIEW_HOST_EXPORT void mi_vector_transform(Vector* out, const Vector* in,
                                             const Matrix* m) {
  hostside::transform_direction(out, in, m);
}
