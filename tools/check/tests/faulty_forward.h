// A faulty module for pellasto-check's own tests: the real module, loaded
// from the path the build gives (PELLASTO_REAL_MODULE), with every entry
// passed on to it, except that the shader entry first calls fault() with the
// parameters, where each faulty module puts its one fault.
#ifndef PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H
#define PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host/entry_table.h"
#include "shader/pellasto.h"

namespace {

void fault(FrameParams* params);

void* real(const char* name) {
#if defined(_WIN32)
  static HMODULE module = LoadLibraryA(PELLASTO_REAL_MODULE);
  return module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, name))
                           : nullptr;
#else
  static void* module = dlopen(PELLASTO_REAL_MODULE, RTLD_NOW | RTLD_LOCAL);
  return module != nullptr ? dlsym(module, name) : nullptr;
#endif
}

template <typename Fn>
Fn entry(const char* name) {
  return reinterpret_cast<Fn>(real(name));
}

}  // namespace

extern "C" {

PELLASTO_EXPORT Boolean Pellasto(Color* result, RenderState* state, FrameParams* params) {
  fault(params);
  return entry<PellastoShaderFn>("Pellasto")(result, state, params);
}
PELLASTO_EXPORT int Pellasto_version(void) {
  return entry<PellastoVersionFn>("Pellasto_version")();
}
PELLASTO_EXPORT void Pellasto_init(RenderState* state, FrameParams* params,
                                   Boolean* wanted) {
  entry<PellastoInitFn>("Pellasto_init")(state, params, wanted);
}
PELLASTO_EXPORT void Pellasto_exit(RenderState* state, FrameParams* params) {
  entry<PellastoExitFn>("Pellasto_exit")(state, params);
}
PELLASTO_EXPORT int miSetModuleHandle(void* host_module) {
  return entry<PellastoSetModuleHandleFn>("miSetModuleHandle")(host_module);
}

}  // extern "C"

#endif  // PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H
