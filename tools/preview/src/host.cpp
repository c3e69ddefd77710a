#include "tools/preview/src/host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#define PREVIEW_HOST_EXPORT extern "C" __attribute__((visibility("default")))

namespace preview {

void ShaderInstance::set(const FrameParams& params, HostShaderFn shader) {
  std::memset(&record, 0, sizeof record);
  std::memset(&block, 0, sizeof block);
  std::memset(&input_record, 0, sizeof input_record);
  block.params = params;
  record.connection_offset =
      static_cast<std::int32_t>(offsetof(ConnectedBlock, connected));
  input_shader = shader;
  if (shader != nullptr) {
    block.connected[offsetof(FrameParams, input) / 4] = 1;
  }
}

std::string program_dir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) {
    return ".";
  }
  const std::string s(path, static_cast<std::size_t>(n));
  return s.substr(0, s.find_last_of('/'));
}

namespace {

template <typename Function>
bool bind(void* handle, const char* name, Function* out, std::string* missing) {
  *out = reinterpret_cast<Function>(dlsym(handle, name));
  if (*out == nullptr && missing->empty()) {
    *missing = name;
  }
  return *out != nullptr;
}

}  // namespace

LoadResult load_module(const std::string& path) {
  LoadResult result;
  Module& m = result.module;
  m.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m.handle == nullptr) {
    const char* why = dlerror();
    result.error = "cannot load module: " + std::string(why != nullptr ? why : path);
    return result;
  }
  std::string missing;
  bind(m.handle, "Pellasto", &m.shade, &missing);
  bind(m.handle, "Pellasto_version", &m.version, &missing);
  bind(m.handle, "Pellasto_init", &m.init, &missing);
  bind(m.handle, "Pellasto_exit", &m.exit, &missing);
  bind(m.handle, "miSetModuleHandle", &m.set_module_handle, &missing);
  if (!missing.empty()) {
    dlclose(m.handle);
    result.status = LoadStatus::kMissingEntry;
    result.error = "module " + path + " does not export " + missing;
    return result;
  }
  // This program exports the host functions; its own handle is the global scope.
  m.set_module_handle(dlopen(nullptr, RTLD_NOW));
  const int version = m.version();
  if (version != 1) {
    dlclose(m.handle);
    result.status = LoadStatus::kWrongVersion;
    result.error = "module " + path + " has interface version " +
                   std::to_string(version) + "; this host supports version 1 only";
    return result;
  }
  HostState state{};
  Boolean instance_init_wanted = 1;
  m.init(&state.base, nullptr, &instance_init_wanted);
  result.status = LoadStatus::kLoaded;
  return result;
}

void unload_module(Module* module) {
  if (module->handle == nullptr) {
    return;
  }
  HostState state{};
  module->exit(&state.base, nullptr);
  dlclose(module->handle);
  module->handle = nullptr;
}

}  // namespace preview

// The host functions, exported by name from this program.

// Called by the module on a render thread while it shades a sample with
// `state` (host-owned, one per thread); `parameter` points into the running
// instance's block. Runs the shader connected to that parameter, if any, under
// the state's current frame; returns host-owned storage in `state` that stays
// valid until the next evaluation on that state, or `parameter` itself.
PREVIEW_HOST_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  preview::HostState* host = preview::host_state(state);
  const preview::ShaderInstance* instance = host->instance;
  if (instance == nullptr) {
    return parameter;
  }
  const auto block = reinterpret_cast<std::uintptr_t>(&instance->block.params);
  const auto address = reinterpret_cast<std::uintptr_t>(parameter);
  if (address != block + offsetof(FrameParams, input) ||
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
// right-handed rotation by `angle` radians about `axis` (caller-owned, read
// only; need not be unit length). Row-major, acting on column vectors.
PREVIEW_HOST_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                                  float angle) {
  const double len = std::sqrt(double{axis->x} * axis->x + double{axis->y} * axis->y +
                               double{axis->z} * axis->z);
  if (!(len > 0.0)) {
    const Matrix identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    *m = identity;
    return 0;
  }
  const double x = axis->x / len;
  const double y = axis->y / len;
  const double z = axis->z / len;
  const double c = std::cos(static_cast<double>(angle));
  const double s = std::sin(static_cast<double>(angle));
  const double k = 1.0 - c;
  const double r[16] = {c + x * x * k,
                        x * y * k - z * s,
                        x * z * k + y * s,
                        0,  //
                        y * x * k + z * s,
                        c + y * y * k,
                        y * z * k - x * s,
                        0,  //
                        z * x * k - y * s,
                        z * y * k + x * s,
                        c + z * z * k,
                        0,  //
                        0,
                        0,
                        0,
                        1};
  for (int i = 0; i < 16; ++i) {
    m->m[i] = static_cast<float>(r[i]);
  }
  return 1;
}

// Called by the module on a render thread; writes `in` turned by the upper
// 3 x 3 of `m` (no translation: a direction) into `out`. All three are
// caller-owned; `out` may be `in`.
PREVIEW_HOST_EXPORT void mi_vector_transform(Vector* out, const Vector* in,
                                             const Matrix* m) {
  const Vector v = *in;
  const float* a = m->m;
  *out = Vector{a[0] * v.x + a[1] * v.y + a[2] * v.z,  //
                a[4] * v.x + a[5] * v.y + a[6] * v.z,  //
                a[8] * v.x + a[9] * v.y + a[10] * v.z};
}
