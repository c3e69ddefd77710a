// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host-side maths that the stress program and the benchmark's check take
// as the expected frame: a wrong rotation there would hide a wrong shader.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "hostside/rotation.h"
#include "hostside/vec.h"

namespace {

using hostside::near;

Vector turned(Vector v, Vector axis, float angle) {
  Matrix m;
  EXPECT_EQ(hostside::rotate_axis(&m, &axis, angle), 1);
  hostside::transform_direction(&v, &v, &m);
  return v;
}

TEST(HostsideRotation, QuarterTurnIsCounterClockwiseSeenFromTheAxisTip) {
  const float quarter = 1.5707963f;
  EXPECT_TRUE(near(turned({1, 0, 0}, {0, 0, 1}, quarter), {0, 1, 0}, 1e-6f));
  EXPECT_TRUE(near(turned({0, 1, 0}, {1, 0, 0}, quarter), {0, 0, 1}, 1e-6f));
  EXPECT_TRUE(near(turned({0, 0, 1}, {0, 1, 0}, quarter), {1, 0, 0}, 1e-6f));
}

TEST(HostsideRotation, KeepsTheAxisAndTheLengthOfWhatItTurns) {
  const Vector axis = hostside::normalized({1, 2, 3});
  const Vector v = hostside::cross(axis, {0, 0, 1});
  for (float angle : {0.3f, -2.0f, 3.14159265f}) {
    const Vector t = turned(v, axis, angle);
    EXPECT_NEAR(hostside::length(t), hostside::length(v), 1e-6f) << angle;
    EXPECT_NEAR(hostside::dot(t, axis), 0.0f, 1e-6f) << angle;
    EXPECT_TRUE(near(turned(axis, axis, angle), axis, 1e-6f)) << angle;
  }
}

TEST(HostsideRotation, AnAxisOfAnyLengthTurnsAsItsUnitVectorAndNoLengthIsIdentity) {
  EXPECT_TRUE(near(turned({1, 0, 0}, {0, 0, 5}, 0.7f), turned({1, 0, 0}, {0, 0, 1}, 0.7f),
                   1e-6f));
  Matrix m;
  const Vector zero{0, 0, 0};
  EXPECT_EQ(hostside::rotate_axis(&m, &zero, 0.7f), 0);
  Vector v{1, 2, 3};
  hostside::transform_direction(&v, &v, &m);
  EXPECT_TRUE(near(v, {1, 2, 3}, 0.0f));
}

TEST(HostsideTurns, OnlyARemainderThatIsANumberAndNotZeroIsAFractionalTurn) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float whole : {0.0f, -0.0f, 1.0f, -3.0f, 8388608.0f, inf, -inf,
                      std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_FALSE(hostside::is_fractional_turn(whole)) << whole;
  }
  for (float part : {0.25f, -1.5f, 1e-30f, 8388607.5f}) {
    EXPECT_TRUE(hostside::is_fractional_turn(part)) << part;
  }
}

TEST(HostsideVectors, NormalizedKeepsAVectorWithoutAFiniteNonZeroFloatLength) {
  EXPECT_TRUE(near(hostside::normalized({0, -3, 4}), {0, -0.6f, 0.8f}, 1e-7f));
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const Vector v : {Vector{0, 0, 0}, Vector{inf, 1, 0}, Vector{-inf, inf, 2},
                         Vector{1e20f, 0, 0}, Vector{nan, 1, 0}}) {
    const Vector n = hostside::normalized(v);
    EXPECT_EQ(std::memcmp(&n, &v, sizeof v), 0) << v.x << " " << v.y << " " << v.z;
  }
}

TEST(HostsideFrame, ExpectedTangentTakesHugeTinyAndInfiniteDirections) {
  const float inf = std::numeric_limits<float>::infinity();
  const float denormal = std::numeric_limits<float>::denorm_min();
  const float h = std::sqrt(0.5f);
  const Vector up{0, 0, 1};
  EXPECT_TRUE(
      near(hostside::expected_tangent(up, {3e38f, 0, 3e38f}, 0), {1, 0, 0}, 1e-7f));
  EXPECT_TRUE(near(hostside::expected_tangent(up, {3 * denormal, 4 * denormal, 0}, 0),
                   {0.6f, 0.8f, 0}, 1e-7f));
  EXPECT_TRUE(
      near(hostside::expected_tangent({0, 1, 0}, {inf, 5, -inf}, 0), {h, 0, -h}, 1e-7f));
  EXPECT_TRUE(
      near(hostside::expected_tangent(up, {-inf, 3e38f, 0}, 0.25f), {0, -1, 0}, 1e-6f));
  // Along the normal, to rounding: no tangent.
  EXPECT_TRUE(near(hostside::expected_tangent(up, {1, 2, inf}, 0), {0, 0, 0}, 0));
  EXPECT_TRUE(near(hostside::expected_tangent({h, 0, h}, {1, 0, 1}, 0), {0, 0, 0}, 0));
  // Scaling by a power of two changes no bit; an infinite direction is its
  // limit; zero gives zero.
  const Vector n = hostside::normalized({1, 2, 3});
  EXPECT_TRUE(hostside::same_bits(hostside::expected_tangent(n, {-8, 2, 4}, 0),
                                  hostside::expected_tangent(n, {-1, 0.25f, 0.5f}, 0)));
  EXPECT_TRUE(hostside::same_bits(hostside::expected_tangent(n, {inf, 3e38f, -inf}, 0),
                                  hostside::expected_tangent(n, {1, 0, -1}, 0)));
  EXPECT_TRUE(near(hostside::expected_tangent(n, {0, 0, 0}, 0), {0, 0, 0}, 0));
}

TEST(HostsideFrame, ExpectedTangentIsTheProjectedUnitDirectionTurnedAboutTheNormal) {
  const Vector n{0, 0, 1};
  EXPECT_TRUE(near(hostside::expected_tangent(n, {3, 0, 7}, 2.0f), {1, 0, 0}, 1e-6f));
  EXPECT_TRUE(near(hostside::expected_tangent(n, {3, 0, 7}, 0.25f), {0, 1, 0}, 1e-6f));
  EXPECT_TRUE(near(hostside::expected_tangent(n, {3, 0, 7}, -0.5f), {-1, 0, 0}, 1e-6f));
}

}  // namespace
