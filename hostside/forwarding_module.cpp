// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A host module (see forwarding_module.h). Built as often as a program needs
// modules with the same exports (so that a test can tell which module a call
// reached by the hooks installed in each), with HOST_MODULE_EXPORTS_NOTHING as
// a module lacking the host functions, and with one or both of
// HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS and HOST_MODULE_WITHOUT_VECTOR_TRANSFORM
// as one lacking that function; HOST_MODULE_WITHOUT_ROTATION stands for both
// (a module that exports only mi_phen_eval).

#include "hostside/forwarding_module.h"

#include "hostside/lookup_count.h"

#if defined(HOST_MODULE_WITHOUT_ROTATION)
#define HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS
#define HOST_MODULE_WITHOUT_VECTOR_TRANSFORM
#endif

#include <atomic>

#if defined(_WIN32)
#define HOST_MODULE_EXPORT __declspec(dllexport)
#else
#define HOST_MODULE_EXPORT __attribute__((visibility("default")))
#endif

namespace {
std::atomic<const HostHooks*> installed{nullptr};
}  // namespace

extern "C" HOST_MODULE_EXPORT void host_module_install(const HostHooks* hooks) {
  installed.store(hooks);
}

#if !defined(HOST_MODULE_EXPORTS_NOTHING)

namespace {

void* phen_eval(RenderState* state, void* parameter) {
  const HostHooks* h = installed.load();
  return h->phen_eval(h->context, state, parameter);
}

[[maybe_unused]] Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const HostHooks* h = installed.load();
  return h->matrix_rotate_axis(h->context, m, axis, angle);
}

[[maybe_unused]] void vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  const HostHooks* h = installed.load();
  h->vector_transform(h->context, out, in, m);
}

}  // namespace

#if defined(__ELF__) && defined(__GLIBC__)
// On glibc every dlsym() of an indirect function runs its resolver, so the
// resolvers count the lookups made in this module; a resolver that answers
// null makes dlsym() find nothing (a hidden function).

extern "C" {
decltype(&phen_eval) resolve_phen_eval() {
  hostside::count_lookup("mi_phen_eval");
  return hostside::is_hidden("mi_phen_eval") ? nullptr : phen_eval;
}
[[maybe_unused]] decltype(&matrix_rotate_axis) resolve_matrix_rotate_axis() {
  hostside::count_lookup("mi_matrix_rotate_axis");
  return hostside::is_hidden("mi_matrix_rotate_axis") ? nullptr : matrix_rotate_axis;
}
[[maybe_unused]] decltype(&vector_transform) resolve_vector_transform() {
  hostside::count_lookup("mi_vector_transform");
  return hostside::is_hidden("mi_vector_transform") ? nullptr : vector_transform;
}
HOST_MODULE_EXPORT void* mi_phen_eval(RenderState*, void*)
    __attribute__((ifunc("resolve_phen_eval")));
#if !defined(HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS)
HOST_MODULE_EXPORT Boolean mi_matrix_rotate_axis(Matrix*, const Vector*, float)
    __attribute__((ifunc("resolve_matrix_rotate_axis")));
#endif
#if !defined(HOST_MODULE_WITHOUT_VECTOR_TRANSFORM)
HOST_MODULE_EXPORT void mi_vector_transform(Vector*, const Vector*, const Matrix*)
    __attribute__((ifunc("resolve_vector_transform")));
#endif

HOST_MODULE_EXPORT int host_module_lookups(const char* name) {
  return hostside::lookups_named(name);
}
}  // extern "C"

#else  // no indirect functions: plain exports

extern "C" {
HOST_MODULE_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  return phen_eval(state, parameter);
}
#if !defined(HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS)
HOST_MODULE_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                                 float angle) {
  return matrix_rotate_axis(m, axis, angle);
}
#endif
#if !defined(HOST_MODULE_WITHOUT_VECTOR_TRANSFORM)
HOST_MODULE_EXPORT void mi_vector_transform(Vector* out, const Vector* in,
                                            const Matrix* m) {
  vector_transform(out, in, m);
}
#endif
}  // extern "C"

#if defined(_WIN32)
// Called by the test on its own thread, once the Pellasto module is loaded.
// The first call points the module's GetProcAddress at a wrapper that counts
// the lookups naming this host module (hostside/lookup_count.h), so the counts
// are of the module's own lookups; -1 if it could not be installed.
extern "C" HOST_MODULE_EXPORT int host_module_lookups(const char* name) {
  static const bool counting = [] {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&host_module_lookups), &self);
    return hostside::count_lookups_in(self, GetModuleHandleA("Pellasto.dll"));
  }();
  return counting ? hostside::lookups_named(name) : -1;
}

#else
extern "C" HOST_MODULE_EXPORT int host_module_lookups(const char*) { return -1; }
#endif

#endif
#endif  // !HOST_MODULE_EXPORTS_NOTHING
