// The host side of the module boundary: the render state the host hands the
// shader, the shader instance with its parameter block and connections, the
// host functions the module binds by name, and loading the module itself.
#ifndef PELLASTO_PREVIEW_HOST_H
#define PELLASTO_PREVIEW_HOST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "host/host_interface.h"
#include "shader/pellasto.h"

namespace preview {

struct Scene;
struct HostState;

// A host-side shader: computes its colour from the render state.
using HostShaderFn = Color (*)(HostState* state);

// The parameter block as the host stores it: the module's 48 bytes followed by
// one 32-bit connection word per 4 bytes of parameters, so that every
// parameter's word lies the same distance (sizeof(FrameParams)) after it.
struct ConnectedBlock {
  FrameParams params;
  std::int32_t connected[sizeof(FrameParams) / 4];
};
static_assert(offsetof(ConnectedBlock, connected) == sizeof(FrameParams), "block layout");

// One shader instance of the scene: the frame override with its parameters,
// and the host shader connected to its `input`.
struct ShaderInstance {
  ShaderRecord record{};        // the record of the running Pellasto instance
  ConnectedBlock block{};       // its parameters and connection words
  ShaderRecord input_record{};  // the record of the shader connected to `input`
  HostShaderFn input_shader = nullptr;

  // Fills the block with `params` and connects `shader` to `input`.
  void set(const FrameParams& params, HostShaderFn shader);
};

// The host's render state for one sample. The module sees `base` only; the
// host functions get the rest back by casting the RenderState* they are handed.
struct HostState {
  RenderState base;
  Vector derivatives[2];  // what base.surface_derivatives points at
  const ShaderInstance* instance;
  const Scene* scene;
  int object;       // which surface was hit
  Vector to_eye;    // unit, from the surface point towards the camera
  Color evaluated;  // the value mi_phen_eval hands back for a connection
  Vector seen[2];   // the derivative vectors the connected shader last saw
  int evaluations;  // how often a connected shader ran
};
static_assert(std::is_standard_layout<HostState>::value && offsetof(HostState, base) == 0,
              "a RenderState* must convert back to its HostState");

inline HostState* host_state(RenderState* state) {
  return reinterpret_cast<HostState*>(state);
}

// The loaded module's entries.
struct Module {
  void* handle = nullptr;
  PellastoShaderFn shade = nullptr;
  PellastoVersionFn version = nullptr;
  PellastoInitFn init = nullptr;
  PellastoExitFn exit = nullptr;
  PellastoSetModuleHandleFn set_module_handle = nullptr;
};

enum class LoadStatus { kLoaded, kCannotLoad, kMissingEntry, kWrongVersion };

struct LoadResult {
  LoadStatus status = LoadStatus::kCannotLoad;
  std::string error;  // one line
  Module module;
};

// Loads the module at `path`, hands it this program's own handle (which
// exports the host functions), checks its version and announces init.
LoadResult load_module(const std::string& path);

// Announces exit and unloads.
void unload_module(Module* module);

// The folder holding the running program.
std::string program_dir();

}  // namespace preview

#endif  // PELLASTO_PREVIEW_HOST_H
