#include "tests/support/host_math.h"

#include <cmath>

namespace pellasto_test {

Boolean rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const float c = std::cos(angle), s = std::sin(angle), k = 1 - c;
  const float x = axis->x, y = axis->y, z = axis->z;
  // clang-format off
  const float r[16] = {c + x * x * k,     x * y * k - z * s, x * z * k + y * s, 0,
                       y * x * k + z * s, c + y * y * k,     y * z * k - x * s, 0,
                       z * x * k - y * s, z * y * k + x * s, c + z * z * k,     0,
                       0,                 0,                 0,                 1};
  // clang-format on
  for (int i = 0; i < 16; ++i) m->m[i] = r[i];
  return 1;
}

void transform_direction(Vector* out, const Vector* in, const Matrix* m) {
  const Vector v = *in;
  const float* r = m->m;
  *out = {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[4] * v.x + r[5] * v.y + r[6] * v.z,
          r[8] * v.x + r[9] * v.y + r[10] * v.z};
}

Boolean rotate_axis_hook(void*, Matrix* m, const Vector* axis, float angle) {
  return rotate_axis(m, axis, angle);
}

void transform_direction_hook(void*, Vector* out, const Vector* in, const Matrix* m) {
  transform_direction(out, in, m);
}

}  // namespace pellasto_test
