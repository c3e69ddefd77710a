// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Vector arithmetic on the host's Vector, for everything that plays the host.
// It is deliberately independent of the module's own vector helpers
// (shader/frame_math.h), which the tests and pellasto-check check with it: a
// fault there must not be copied here. The operators live beside Vector
// (global) so that they are found wherever a Vector is; the named functions
// live in namespace hostside.
#ifndef PELLASTO_HOSTSIDE_VEC_H
#define PELLASTO_HOSTSIDE_VEC_H

#include <cmath>
#include <cstring>

#include "host/host_interface.h"

inline Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector operator-(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector operator*(float s, Vector v) { return {s * v.x, s * v.y, s * v.z}; }

namespace hostside {

// Component by component.
inline Vector mul(Vector a, Vector b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vector v) { return std::sqrt(dot(v, v)); }
// Unit length. A vector whose length in float is zero, infinite or NaN (a
// component infinite or NaN, or squares past the float range, above about
// 1.8e19) is returned as it is. The tests are quiet: a NaN raises nothing.
inline Vector normalized(Vector v) {
  const float len = length(v);
  return std::isgreater(len, 0.0f) && std::isfinite(len) ? (1.0f / len) * v : v;
}
// Every bit the same, NaN payloads and the sign of zero included: for
// vectors, colours and the records that hold them.
template <typename T>
bool same_bits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}
// Each component within `tolerance` of the other's.
inline bool near(Vector a, Vector b, float tolerance) {
  return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
         std::fabs(a.z - b.z) <= tolerance;
}

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_VEC_H
