// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The calls between the preview and the module: the render state it hands the
// shader (the in-process host's sample, hostside/sample.h, plus what the
// preview's own shaders need), the shader instance with its parameters and the
// shader connected to `input`, and loading the module. The host functions the
// module calls back are defined in module_calls.cpp and exported by name from
// this program.
#ifndef PELLASTO_PREVIEW_MODULE_CALLS_H
#define PELLASTO_PREVIEW_MODULE_CALLS_H

#include <cstddef>
#include <string>
#include <type_traits>

#include "host/host_interface.h"
#include "hostside/module.h"
#include "hostside/sample.h"
#include "shader/pellasto.h"

namespace preview {

struct Scene;
struct HostState;

// A host-side shader: computes its colour from the render state.
using HostShaderFn = Color (*)(HostState* state);

// One shader instance of the scene: the frame override's parameters, and the
// host shader connected to its `input`. Shared, read only, by the render
// threads; each copies the parameters into its own sample.
struct ShaderInstance {
  FrameParams params{};
  ShaderRecord input_record{};  // the record of the shader connected to `input`
  HostShaderFn input_shader = nullptr;

  // Copies the parameters, with `input` connected when there is an input
  // shader, into `sample`.
  void prepare(hostside::Sample* sample) const;
};

// The host's render state for one sample. The module sees `sample.state`
// only; the host functions get the rest back from the RenderState* they are
// handed. `sample.seen` and `sample.input_evaluations` record what the
// connected shader saw and how often it ran.
struct HostState {
  hostside::Sample sample;
  const ShaderInstance* instance;
  const Scene* scene;
  int object;       // which surface was hit
  Vector to_eye;    // unit, from the surface point towards the camera
  Color evaluated;  // the value mi_phen_eval hands back for a connection
};
static_assert(std::is_standard_layout<HostState>::value &&
                  offsetof(HostState, sample) == 0,
              "a RenderState* must convert back to its HostState");

inline HostState* host_state(RenderState* state) {
  return reinterpret_cast<HostState*>(state);
}

// The loaded module's entries.
using Module = hostside::PellastoModule;
using hostside::program_dir;

enum class LoadStatus { kLoaded, kCannotLoad, kMissingEntry, kWrongVersion };

struct LoadResult {
  LoadStatus status = LoadStatus::kCannotLoad;
  std::string error;  // one line
  Module module{};
};

// Loads the module at `path`, hands it this program's own handle (which
// exports the host functions), checks its version and announces init.
LoadResult load_module(const std::string& path);

// Announces exit and unloads.
void unload_module(Module* module);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_MODULE_CALLS_H
