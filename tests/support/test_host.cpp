// A host module for the tests. Built as host_a, host_b (the same exports, so a
// test can tell which module a call reached by the hooks installed in each),
// with TEST_HOST_EXPORTS_NOTHING as a module lacking the host functions, and
// with TEST_HOST_WITHOUT_ROTATION as one that exports only mi_phen_eval.

#include "tests/support/test_host.h"

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#define TEST_HOST_EXPORT __declspec(dllexport)
#else
#define TEST_HOST_EXPORT __attribute__((visibility("default")))
#endif

namespace {
std::atomic<const TestHostHooks*> installed{nullptr};
}  // namespace

extern "C" TEST_HOST_EXPORT void test_host_install(const TestHostHooks* hooks) {
  installed.store(hooks);
}

#if !defined(TEST_HOST_EXPORTS_NOTHING)

namespace {

void* phen_eval(RenderState* state, void* parameter) {
  const TestHostHooks* h = installed.load();
  return h->phen_eval(h->context, state, parameter);
}

[[maybe_unused]] Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const TestHostHooks* h = installed.load();
  return h->matrix_rotate_axis(h->context, m, axis, angle);
}

[[maybe_unused]] void vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  const TestHostHooks* h = installed.load();
  h->vector_transform(h->context, out, in, m);
}

}  // namespace

#if defined(__ELF__) && defined(__GLIBC__)
// On glibc every dlsym() of an indirect function runs its resolver, so the
// resolvers count the lookups made in this module.
namespace {
std::atomic<int> phen_eval_lookups{0};
std::atomic<int> matrix_rotate_axis_lookups{0};
std::atomic<int> vector_transform_lookups{0};
}  // namespace

extern "C" {
decltype(&phen_eval) resolve_phen_eval() {
  ++phen_eval_lookups;
  return phen_eval;
}
[[maybe_unused]] decltype(&matrix_rotate_axis) resolve_matrix_rotate_axis() {
  ++matrix_rotate_axis_lookups;
  return matrix_rotate_axis;
}
[[maybe_unused]] decltype(&vector_transform) resolve_vector_transform() {
  ++vector_transform_lookups;
  return vector_transform;
}
TEST_HOST_EXPORT void* mi_phen_eval(RenderState*, void*)
    __attribute__((ifunc("resolve_phen_eval")));
#if !defined(TEST_HOST_WITHOUT_ROTATION)
TEST_HOST_EXPORT Boolean mi_matrix_rotate_axis(Matrix*, const Vector*, float)
    __attribute__((ifunc("resolve_matrix_rotate_axis")));
TEST_HOST_EXPORT void mi_vector_transform(Vector*, const Vector*, const Matrix*)
    __attribute__((ifunc("resolve_vector_transform")));
#endif

TEST_HOST_EXPORT int test_host_lookups(const char* name) {
  if (std::strcmp(name, "mi_phen_eval") == 0) return phen_eval_lookups.load();
  if (std::strcmp(name, "mi_matrix_rotate_axis") == 0)
    return matrix_rotate_axis_lookups.load();
  if (std::strcmp(name, "mi_vector_transform") == 0)
    return vector_transform_lookups.load();
  return 0;
}
}  // extern "C"

#else  // no indirect functions: plain exports, lookups not counted

extern "C" {
TEST_HOST_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  return phen_eval(state, parameter);
}
#if !defined(TEST_HOST_WITHOUT_ROTATION)
TEST_HOST_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                               float angle) {
  return matrix_rotate_axis(m, axis, angle);
}
TEST_HOST_EXPORT void mi_vector_transform(Vector* out, const Vector* in,
                                          const Matrix* m) {
  vector_transform(out, in, m);
}
#endif
TEST_HOST_EXPORT int test_host_lookups(const char*) { return -1; }
}  // extern "C"

#endif
#endif  // !TEST_HOST_EXPORTS_NOTHING
