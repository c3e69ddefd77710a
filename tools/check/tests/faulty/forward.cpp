// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/tests/faulty/forward.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace faulty {

namespace {

// This module's own handle and the path of the real module beside it.
void* own_handle(std::string* real_path) {
#if defined(_WIN32)
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&own_handle), &self);
  char path[MAX_PATH];
  const std::string own(path, GetModuleFileNameA(self, path, MAX_PATH));
  *real_path = own.substr(0, own.find_last_of("\\/") + 1) + "Pellasto.dll";
  return self;
#else
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&own_handle), &info);
  const std::string own = info.dli_fname != nullptr ? info.dli_fname : "";
  *real_path = own.substr(0, own.find_last_of('/') + 1) + "Pellasto.so";
  return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
#endif
}

struct Loaded {
  void* self;
  hostside::PellastoModule module;
};

const Loaded& loaded() {
  static const Loaded l = [] {
    Loaded k{};
    std::string path, error, missing;
    k.self = own_handle(&path);
#if defined(PELLASTO_REAL_MODULE)
    path = PELLASTO_REAL_MODULE;  // the build's, wherever this copy lies
#endif
    void* handle = hostside::open_module(path, &error);
    if (handle == nullptr || !hostside::bind_pellasto(handle, &k.module, &missing)) {
      std::fprintf(stderr, "faulty module: cannot use %s: %s%s\n", path.c_str(),
                   error.c_str(), missing.c_str());
      std::abort();
    }
    return k;
  }();
  return l;
}

#if defined(FAULTY_OWN_HOST)
Host the_host{};
#endif

}  // namespace

const hostside::PellastoModule& real() { return loaded().module; }

#if defined(FAULTY_OWN_HOST)
const Host& host() { return the_host; }

void* host_phen_eval(RenderState* state, void* parameter) {
  return the_host.phen_eval != nullptr ? the_host.phen_eval(state, parameter) : parameter;
}

Boolean host_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  if (the_host.matrix_rotate_axis != nullptr) {
    return the_host.matrix_rotate_axis(m, axis, angle);
  }
  *m = Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  return 0;
}

void host_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  if (the_host.vector_transform != nullptr) {
    the_host.vector_transform(out, in, m);
    return;
  }
  std::memmove(out, in, sizeof(Vector));
}
#endif

}  // namespace faulty

extern "C" {

PELLASTO_EXPORT Boolean Pellasto(Color* result, RenderState* state, FrameParams* params) {
  return faulty::shade(result, state, params);
}

PELLASTO_EXPORT int Pellasto_version(void) { return faulty::real().version(); }

PELLASTO_EXPORT void Pellasto_init(RenderState* state, FrameParams* params,
                                   Boolean* instance_init_wanted) {
  faulty::real().init(state, params, instance_init_wanted);
}

#if !defined(FAULTY_WITHOUT_EXIT)
PELLASTO_EXPORT void Pellasto_exit(RenderState* state, FrameParams* params) {
  faulty::real().exit(state, params);
}
#endif

#if defined(FAULTY_OWN_HOST)
PELLASTO_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  const auto fault = faulty::faults.phen_eval;
  return fault != nullptr ? fault(state, parameter)
                          : faulty::host_phen_eval(state, parameter);
}

PELLASTO_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                              float angle) {
  const auto fault = faulty::faults.matrix_rotate_axis;
  return fault != nullptr ? fault(m, axis, angle)
                          : faulty::host_matrix_rotate_axis(m, axis, angle);
}

PELLASTO_EXPORT void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  const auto fault = faulty::faults.vector_transform;
  if (fault != nullptr) {
    fault(out, in, m);
  } else {
    faulty::host_vector_transform(out, in, m);
  }
}
#endif

PELLASTO_EXPORT int miSetModuleHandle(void* handle) {
  const faulty::Loaded& l = faulty::loaded();
#if defined(FAULTY_OWN_HOST)
  // A host that names this module, or none, is passed on as the real
  // module's own handle, or none: neither exports a host function.
  if (handle == nullptr || handle == l.self) {
    faulty::the_host = {};
    return l.module.set_module_handle(handle == nullptr ? nullptr : l.module.handle);
  }
  faulty::the_host.phen_eval = reinterpret_cast<decltype(faulty::Host::phen_eval)>(
      hostside::find_export(handle, "mi_phen_eval"));
  faulty::the_host.matrix_rotate_axis =
      reinterpret_cast<decltype(faulty::Host::matrix_rotate_axis)>(
          hostside::find_export(handle, "mi_matrix_rotate_axis"));
  faulty::the_host.vector_transform =
      reinterpret_cast<decltype(faulty::Host::vector_transform)>(
          hostside::find_export(handle, "mi_vector_transform"));
  return l.module.set_module_handle(l.self);
#else
  return l.module.set_module_handle(handle);
#endif
}

}  // extern "C"
