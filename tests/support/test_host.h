// The test host modules: shared libraries that export the host functions by
// name, as a renderer does, and forward every call to hooks the test installs.
#ifndef PELLASTO_TESTS_SUPPORT_TEST_HOST_H
#define PELLASTO_TESTS_SUPPORT_TEST_HOST_H

#include "host/host_interface.h"

extern "C" {

struct TestHostHooks {
  void* context;
  void* (*phen_eval)(void* context, RenderState* state, void* parameter);
  Boolean (*matrix_rotate_axis)(void* context, Matrix* m, const Vector* axis,
                                float angle);
  void (*vector_transform)(void* context, Vector* out, const Vector* in, const Matrix* m);
};

// Called by the test on its own thread before shading; the test keeps
// ownership of `hooks`, which must outlive every call into the host.
typedef void (*TestHostInstallFn)(const TestHostHooks* hooks);

// How often the named host function has been looked up by name in this
// module, or -1 where the platform cannot count lookups.
typedef int (*TestHostLookupsFn)(const char* name);

}  // extern "C"

#endif  // PELLASTO_TESTS_SUPPORT_TEST_HOST_H
