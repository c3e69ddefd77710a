// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "hostside/rotation.h"

#include <cmath>

#include "hostside/vec.h"

namespace hostside {

Boolean rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const float len = length(*axis);
  if (!std::isgreater(len, 0.0f)) {  // quiet: a NaN axis raises nothing
    *m = Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    return 0;
  }
  const Vector u = len == 1.0f ? *axis : (1.0f / len) * *axis;
  const float c = std::cos(angle), s = std::sin(angle), k = 1 - c;
  const float x = u.x, y = u.y, z = u.z;
  // clang-format off
  *m = Matrix{{c + x * x * k,     x * y * k - z * s, x * z * k + y * s, 0,
               y * x * k + z * s, c + y * y * k,     y * z * k - x * s, 0,
               z * x * k - y * s, z * y * k + x * s, c + z * z * k,     0,
               0,                 0,                 0,                 1}};
  // clang-format on
  return 1;
}

void transform_direction(Vector* out, const Vector* in, const Matrix* m) {
  const Vector v = *in;
  const float* r = m->m;
  *out = {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[4] * v.x + r[5] * v.y + r[6] * v.z,
          r[8] * v.x + r[9] * v.y + r[10] * v.z};
}

bool is_fractional_turn(float turns) {
  const double r = std::fmod(static_cast<double>(turns), 1.0);
  return !std::isnan(r) && r != 0.0;
}

float turn_angle(float turns) {
  return static_cast<float>(static_cast<double>(turns) * 6.283185307179586);
}

}  // namespace hostside
