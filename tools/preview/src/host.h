// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The preview as a host: the render state it hands the shader (the harness's
// sample plus what the preview's own shaders need), the shader instance with
// its parameters and the shader connected to `input`, and loading the module.
// The host functions themselves are exported by name from this program.
#ifndef PELLASTO_PREVIEW_HOST_H
#define PELLASTO_PREVIEW_HOST_H

#include <cstddef>
#include <string>
#include <type_traits>

#include "harness/module.h"
#include "harness/sample.h"
#include "host/host_interface.h"
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
  void prepare(harness::Sample* sample) const;
};

// The host's render state for one sample. The module sees `sample.state`
// only; the host functions get the rest back from the RenderState* they are
// handed. `sample.seen` and `sample.input_evaluations` record what the
// connected shader saw and how often it ran.
struct HostState {
  harness::Sample sample;
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
using Module = harness::PellastoModule;
using harness::program_dir;

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

#endif  // PELLASTO_PREVIEW_HOST_H
