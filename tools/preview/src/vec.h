// Vector arithmetic for the preview host.
#ifndef PELLASTO_PREVIEW_VEC_H
#define PELLASTO_PREVIEW_VEC_H

#include <cmath>

#include "host/host_interface.h"

namespace preview {

inline Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector operator-(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector operator*(float s, Vector v) { return {s * v.x, s * v.y, s * v.z}; }
inline Vector mul(Vector a, Vector b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vector v) { return std::sqrt(dot(v, v)); }
inline Vector normalized(Vector v) {
  const float len = length(v);
  return len > 0.0f ? (1.0f / len) * v : v;
}

}  // namespace preview

#endif  // PELLASTO_PREVIEW_VEC_H
