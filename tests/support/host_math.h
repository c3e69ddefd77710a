// A host's rotation and direction transform, as the test, benchmark and
// stress hosts all compute them: row-major matrices acting on column vectors,
// counter-clockwise about the unit axis seen from its tip.
#ifndef PELLASTO_TESTS_SUPPORT_HOST_MATH_H
#define PELLASTO_TESTS_SUPPORT_HOST_MATH_H

#include "host/host_interface.h"

namespace pellasto_test {

Boolean rotate_axis(Matrix* m, const Vector* axis, float angle);
void transform_direction(Vector* out, const Vector* in, const Matrix* m);

// The same, in the shape of TestHostHooks' entries (the context is unused).
Boolean rotate_axis_hook(void* context, Matrix* m, const Vector* axis, float angle);
void transform_direction_hook(void* context, Vector* out, const Vector* in,
                              const Matrix* m);

}  // namespace pellasto_test

#endif  // PELLASTO_TESTS_SUPPORT_HOST_MATH_H
