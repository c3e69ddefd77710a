#include "tools/check/src/host_functions.h"

#include <atomic>

#include "harness/lookup_count.h"
#include "harness/module.h"

#if defined(_WIN32)
#define CHECK_EXPORT __declspec(dllexport)
#else
#define CHECK_EXPORT __attribute__((visibility("default")))
#endif

namespace {

std::atomic<const HostHooks*> installed{nullptr};

void* phen_eval(RenderState* state, void* parameter) {
  const HostHooks* h = installed.load();
  return h->phen_eval(h->context, state, parameter);
}

Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const HostHooks* h = installed.load();
  return h->matrix_rotate_axis(h->context, m, axis, angle);
}

void vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  const HostHooks* h = installed.load();
  h->vector_transform(h->context, out, in, m);
}

}  // namespace

#if defined(__ELF__) && defined(__GLIBC__)
// Exported as indirect functions: each dlsym() of one runs its resolver,
// which counts the lookup (harness/lookup_count.h).

extern "C" {
decltype(&phen_eval) check_resolve_phen_eval() {
  harness::count_lookup("mi_phen_eval");
  return phen_eval;
}
decltype(&matrix_rotate_axis) check_resolve_matrix_rotate_axis() {
  harness::count_lookup("mi_matrix_rotate_axis");
  return matrix_rotate_axis;
}
decltype(&vector_transform) check_resolve_vector_transform() {
  harness::count_lookup("mi_vector_transform");
  return vector_transform;
}

// Called by the Pellasto module on the shading thread for a connected
// parameter of its sample (both owned by this program); returns the address
// of the value, owned by this program.
CHECK_EXPORT void* mi_phen_eval(RenderState*, void*)
    __attribute__((ifunc("check_resolve_phen_eval")));
// Called by the Pellasto module on the shading thread; fills the module's `m`
// with the rotation about the host-owned `axis`.
CHECK_EXPORT Boolean mi_matrix_rotate_axis(Matrix*, const Vector*, float)
    __attribute__((ifunc("check_resolve_matrix_rotate_axis")));
// Called by the Pellasto module on the shading thread; turns the module's
// `in` by its `m` into its `out`.
CHECK_EXPORT void mi_vector_transform(Vector*, const Vector*, const Matrix*)
    __attribute__((ifunc("check_resolve_vector_transform")));
}  // extern "C"

#else

extern "C" {
// Called by the Pellasto module on the shading thread for a connected
// parameter of its sample (both owned by this program); returns the address
// of the value, owned by this program.
CHECK_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  return phen_eval(state, parameter);
}
// Called by the Pellasto module on the shading thread; fills the module's `m`
// with the rotation about the host-owned `axis`.
CHECK_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  return matrix_rotate_axis(m, axis, angle);
}
// Called by the Pellasto module on the shading thread; turns the module's
// `in` by its `m` into its `out`.
CHECK_EXPORT void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  vector_transform(out, in, m);
}
}  // extern "C"

#endif

namespace check {

void install_hooks(const HostHooks* hooks) { installed.store(hooks); }

bool count_lookups([[maybe_unused]] void* pellasto) {
#if defined(__ELF__) && defined(__GLIBC__)
  return true;
#elif defined(_WIN32)
  return harness::count_lookups_in(static_cast<HMODULE>(harness::program_module()),
                                   static_cast<HMODULE>(pellasto));
#else
  return false;
#endif
}

int lookups(const char* name) { return harness::lookups_named(name); }

}  // namespace check
