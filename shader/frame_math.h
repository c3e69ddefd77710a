// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Small vector helpers for building the tangent frame. The host's vectors
// are 32-bit floats; the tangent is worked out in double precision, where
// the square of any finite float neither overflows nor underflows and the
// projection adds no rounding worth speaking of, and rounded to float once.
//
// Every comparison here is a quiet one (std::isgreater and friends, ==, !=),
// so a NaN in a vector raises no floating-point exception, and an infinite
// direction is replaced by its limit before any arithmetic could make
// inf - inf or 0 * inf of it: a host that traps FE_INVALID to hunt its own
// NaNs can run the shader.
#ifndef PELLASTO_SHADER_FRAME_MATH_H
#define PELLASTO_SHADER_FRAME_MATH_H

#include <cmath>

#include "host/host_interface.h"

namespace pellasto {

inline Vector subtract(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

inline Vector cross(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A vector in double precision, for the working-out of the tangent.
struct Vector3d {
  double x, y, z;
};

inline Vector3d widen(Vector v) { return {v.x, v.y, v.z}; }

inline Vector narrow(Vector3d v) {
  return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

inline Vector3d subtract(Vector3d a, Vector3d b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vector3d scale(double s, Vector3d v) { return {s * v.x, s * v.y, s * v.z}; }

inline double dot(Vector3d a, Vector3d b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Only a length that is a number and not zero scales the vector: a zero or
// NaN length leaves it as it is.
inline Vector3d normalize(Vector3d v) {
  const double len = std::sqrt(dot(v, v));
  return std::isgreater(len, 0.0) ? scale(1.0 / len, v) : v;
}

// Removes the part of `v` along the unit normal `n`.
inline Vector3d project_onto_plane(Vector3d v, Vector3d n) {
  return subtract(v, scale(dot(v, n), n));
}

// How long the projection of a direction d along the normal n can come out,
// relative to |d|, when d and n are floats. In double the projection itself
// is off by a few units of 2^-53: nothing. What is left is the floats' own
// rounding, with u = 2^-24 the unit roundoff of a float: a d that is parallel
// to n in exact arithmetic is so only to u per component (the host rounded k
// n, or position - point, to float), and a float "unit" normal is of unit
// length only to about 2u, which leaves (1 - |n|^2)(d.n), up to 2u |d|, along
// n. That is 3u; about 5u for a normal the host rounded once more, and more
// for a direction written a few units in the last place off the normal. The
// bound allows 8u for these and as much again in reserve: 2^-20 (about
// 9.5e-7). A projection no longer than this is noise
// pointing anywhere; a direction a milliradian off the normal projects to
// 1e-3 of its length.
constexpr double kProjectionRoundoff = 1.0 / 1048576.0;  // 2^-20

// The direction that ever longer directions along `d` turn towards, for a `d`
// with an infinite or NaN component: each infinite component becomes +-1 and
// each finite one 0, so (+inf, 5, -inf) acts as (1, 0, -1). A NaN component
// stays NaN (the tangent is NaN then, as for any NaN direction). Only
// classifies and copies signs: no arithmetic with an infinity, so nothing
// raises an invalid-operation exception. Cold: the compiler moves it out of
// the hot code, and the finite directions that every sample has pay only for
// the test that leads here. Inline all the same: as a call of its own it
// returns its 24 bytes through memory, and the address of that local would
// give every frame-building path a stack guard.
[[gnu::cold, gnu::always_inline]] inline Vector3d limit_direction(Vector3d d) {
  const auto limit = [](double c) {
    if (std::isinf(c)) {
      return std::copysign(1.0, c);
    }
    return std::isnan(c) ? c : 0.0;
  };
  return {limit(d.x), limit(d.y), limit(d.z)};
}

// The unit tangent that `direction` gives in the plane of the unit normal
// `n`: its projection made unit length (what it would be for the direction
// made unit length first), or zero when the projection is no more than
// rounding (a zero direction, or one along the normal). An infinite direction
// is taken as its limit (limit_direction) before any arithmetic; a NaN stays
// NaN.
[[gnu::always_inline]] inline Vector tangent_in_plane(Vector direction, Vector n) {
  Vector3d d = widen(direction);
  double squared_length = dot(d, d);
  // The square of a finite float never overflows a double, so the squared
  // length is not finite exactly when a component is infinite or NaN.
  if (!std::isfinite(squared_length)) {
    d = limit_direction(d);
    squared_length = dot(d, d);
  }
  const Vector3d projected = project_onto_plane(d, widen(n));
  const double bound = kProjectionRoundoff * kProjectionRoundoff * squared_length;
  if (std::islessequal(dot(projected, projected), bound)) {
    return Vector{0.0f, 0.0f, 0.0f};
  }
  return narrow(normalize(projected));
}

// True when `turns` is not a whole number of turns: when its remainder after
// division by 1 is a number and not zero. An infinity's remainder is not a
// number; for a finite value it is turns - trunc(turns), which is exact.
inline bool is_fractional_turn(float turns) {
  return std::isfinite(turns) && turns - std::trunc(turns) != 0.0f;
}

}  // namespace pellasto

#endif  // PELLASTO_SHADER_FRAME_MATH_H
