// Small vector helpers for building the tangent frame. Vectors are held as
// 32-bit floats; lengths are taken in double precision, where the square of
// any finite float neither overflows nor underflows.
//
// Every comparison here is a quiet one (std::isgreater and friends, ==, !=),
// so a NaN in a vector raises no floating-point exception: a host that traps
// FE_INVALID to hunt its own NaNs can run the shader.
#ifndef PELLASTO_SHADER_FRAME_MATH_H
#define PELLASTO_SHADER_FRAME_MATH_H

#include <cmath>

#include "host/host_interface.h"

namespace pellasto {

inline Vector subtract(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

inline Vector scale(float s, Vector v) { return {s * v.x, s * v.y, s * v.z}; }

inline float dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double length(Vector v) {
  const double x = v.x, y = v.y, z = v.z;
  return std::sqrt(x * x + y * y + z * z);
}

// Only a length that is a number and not zero scales the vector: a zero or
// NaN length leaves it as it is.
inline Vector normalize(Vector v) {
  const double len = length(v);
  if (!std::isgreater(len, 0.0)) {
    return v;
  }
  const double inverse = 1.0 / len;
  return {static_cast<float>(v.x * inverse), static_cast<float>(v.y * inverse),
          static_cast<float>(v.z * inverse)};
}

// Removes the part of `v` along the unit normal `n`.
inline Vector project_onto_plane(Vector v, Vector n) {
  return subtract(v, scale(dot(v, n), n));
}

// How long a projection of a direction along the normal can come out, per
// unit length of the direction, through rounding alone. With u = 2^-24 the
// unit roundoff of a float, project_onto_plane(d, n) for |n| = 1 is off the
// exact projection by at most
//   3u  in the dot product (three products, two sums),
//   u   in each product (d.n) n_i,
//   u   in the subtraction,
// times |d|. A direction that is parallel to n in exact arithmetic carries u
// of its own (a float d, or k n as the host rounded it, or the rounding of
// its normalisation), and a float "unit" normal is unit only to about 2u,
// which leaves (1 - |n|^2)(d.n), up to 2u|d|, along n. That is 8u in all;
// twice that, 2^-20 (about 9.5e-7), allows for a normal the host rounded
// once more. A projection no longer than this is noise pointing anywhere; a
// direction a milliradian off the normal projects to 1e-3.
constexpr double kProjectionRoundoff = 1.0 / 1048576.0;  // 2^-20

// The unit tangent that `direction` gives in the plane of the unit normal
// `n`: its projection made unit length, or zero when the projection is no
// more than rounding (a zero direction, or one along the normal). A NaN
// stays NaN.
inline Vector tangent_in_plane(Vector direction, Vector n) {
  const Vector projected = project_onto_plane(direction, n);
  if (std::islessequal(length(projected), kProjectionRoundoff * length(direction))) {
    return Vector{0.0f, 0.0f, 0.0f};
  }
  return normalize(projected);
}

// True when `turns` is not a whole number of turns: when its remainder after
// division by 1 is a number and not zero. An infinity's remainder is not a
// number; for a finite value it is turns - trunc(turns), which is exact.
inline bool is_fractional_turn(float turns) {
  return std::isfinite(turns) && turns - std::trunc(turns) != 0.0f;
}

}  // namespace pellasto

#endif  // PELLASTO_SHADER_FRAME_MATH_H
