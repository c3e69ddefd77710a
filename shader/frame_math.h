// Small vector helpers for building the tangent frame. All vectors are held as
// 32-bit floats.
#ifndef PELLASTO_SHADER_FRAME_MATH_H
#define PELLASTO_SHADER_FRAME_MATH_H

#include <cmath>
#include <cstdint>

#include "host/host_interface.h"

namespace pellasto {

inline Vector subtract(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

inline Vector scale(float s, Vector v) { return {s * v.x, s * v.y, s * v.z}; }

inline float dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Only a length that is a number and not zero scales the vector: a zero or
// NaN length leaves it as it is. `len > 0` is that test, since a length is
// never negative and NaN compares false.
inline Vector normalize(Vector v) {
  const float len = std::sqrt(dot(v, v));
  return len > 0.0f ? scale(1.0f / len, v) : v;
}

// Removes the part of `v` along the unit normal `n`.
inline Vector project_onto_plane(Vector v, Vector n) {
  return subtract(v, scale(dot(v, n), n));
}

// True when `turns` is not a whole number of turns: when fmod(turns, 1.0) is
// neither zero nor NaN. For a float x that remainder is non-zero exactly when x
// is finite and has a fractional part. Every float of magnitude 2^23 or more
// (infinity too) is whole, and NaN fails the magnitude test; below 2^23 the
// truncation to int32 is exact and differs from x exactly when x has a
// fractional part.
inline bool is_fractional_turn(float turns) {
  return std::fabs(turns) < 8388608.0f &&
         static_cast<float>(static_cast<std::int32_t>(turns)) != turns;
}

}  // namespace pellasto

#endif  // PELLASTO_SHADER_FRAME_MATH_H
