// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame's vector helpers on their own, so that a fault in the maths shows
// up beside its cause rather than only in a frame the shader installs.

#include "shader/frame_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "hostside/vec.h"

namespace pellasto {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

bool is_zero(Vector v) { return v.x == 0 && v.y == 0 && v.z == 0; }

// The host side's float arithmetic, beside the helpers under test; lengths in
// double so that they do not round what is measured.
using hostside::dot;
double length(Vector v) { return std::sqrt(pellasto::dot(widen(v), widen(v))); }

// A float vector made unit length in double and rounded once, as the shader
// makes its tangent.
Vector normalize(Vector v) { return narrow(pellasto::normalize(widen(v))); }

Vector random_unit(std::mt19937& random) {
  std::normal_distribution<float> gauss;
  for (;;) {
    const Vector v{gauss(random), gauss(random), gauss(random)};
    const float len = std::sqrt(dot(v, v));
    if (len > 0.1f) return {v.x / len, v.y / len, v.z / len};
  }
}

TEST(FrameMath, CrossProductIsRightHandedAndPerpendicular) {
  const Vector x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  const Vector xy = cross(x, y), yz = cross(y, z), zx = cross(z, x);
  EXPECT_TRUE(xy.x == 0 && xy.y == 0 && xy.z == 1);
  EXPECT_TRUE(yz.x == 1 && yz.y == 0 && yz.z == 0);
  EXPECT_TRUE(zx.x == 0 && zx.y == 1 && zx.z == 0);
  std::mt19937 random(3);
  for (int i = 0; i < 200; ++i) {
    const Vector a = random_unit(random), b = random_unit(random);
    const Vector c = cross(a, b), minus = cross(b, a);
    EXPECT_NEAR(dot(c, a), 0.0f, 1e-6f);
    EXPECT_NEAR(dot(c, b), 0.0f, 1e-6f);
    EXPECT_TRUE(c.x == -minus.x && c.y == -minus.y && c.z == -minus.z);
    // |a x b|^2 + (a.b)^2 = |a|^2 |b|^2
    EXPECT_NEAR(dot(c, c) + dot(a, b) * dot(a, b), 1.0f, 1e-5f);
  }
}

TEST(FrameMath, NormalizeInDoubleKeepsTheLengthOfEveryFiniteFloatVector) {
  const Vector cases[] = {{3, 4, 0},          {1e20f, 0, 0},   {3e19f, 4e19f, 0},
                          {1e-24f, 0, 0},     {0, 0, -1e-40f}, {3e38f, -3e38f, 3e38f},
                          {1e-45f, 1e-45f, 0}};
  for (const Vector& v : cases) {
    SCOPED_TRACE(testing::Message() << v.x << " " << v.y << " " << v.z);
    const Vector n = normalize(v);
    const long double x = v.x, y = v.y, z = v.z;
    const long double len = std::sqrt(x * x + y * y + z * z);
    EXPECT_NEAR(n.x, static_cast<double>(x / len), 1e-7);
    EXPECT_NEAR(n.y, static_cast<double>(y / len), 1e-7);
    EXPECT_NEAR(n.z, static_cast<double>(z / len), 1e-7);
  }
  const Vector exact = normalize(Vector{0, 3, 4});
  EXPECT_TRUE(exact.x == 0 && exact.y == 0.6f && exact.z == 0.8f);
}

TEST(FrameMath, NormalizeLeavesZeroAndNaNAsTheyAre) {
  const Vector3d zero = pellasto::normalize(Vector3d{0, -0.0, 0});
  EXPECT_TRUE(zero.x == 0 && zero.y == 0 && zero.z == 0);
  EXPECT_TRUE(std::signbit(zero.y));
  const Vector3d nan = pellasto::normalize(Vector3d{std::nan(""), 1, 2});
  EXPECT_TRUE(std::isnan(nan.x));
  EXPECT_EQ(nan.y, 1.0);
  EXPECT_EQ(nan.z, 2.0);
}

TEST(FrameMath, InfiniteDirectionsTakeTheLimitAlongTheirInfiniteComponents) {
  const Vector up{0, 0, 1};
  const float h = std::sqrt(0.5f);
  const struct {
    Vector direction, normal, tangent;
  } cases[] = {
      {{kInf, 5, -kInf}, {0, 1, 0}, {h, 0, -h}},   // (1, 0, -1), already in the plane
      {{kInf, 5, -kInf}, up, {1, 0, 0}},           // (1, 0, -1) less its part along z
      {{-kInf, 0, 0}, up, {-1, 0, 0}},             // alone
      {{3e38f, -kInf, -3e38f}, up, {0, -1, 0}},    // the finite part, however huge, goes
      {{kInf, kInf, kInf}, {1, 0, 0}, {0, h, h}},  // every component infinite
      {{1e-45f, 0, kInf}, {0, h, h}, {0, -h, h}},  // a slanted normal
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.direction.x << " " << c.direction.y << " " << c.direction.z
                 << " normal " << c.normal.x << " " << c.normal.y << " " << c.normal.z);
    const Vector t = tangent_in_plane(c.direction, c.normal);
    EXPECT_NEAR(t.x, c.tangent.x, 1e-7f);
    EXPECT_NEAR(t.y, c.tangent.y, 1e-7f);
    EXPECT_NEAR(t.z, c.tangent.z, 1e-7f);
  }
  // An infinite direction along the normal leaves nothing in the plane.
  EXPECT_TRUE(is_zero(tangent_in_plane(Vector{0, 0, -kInf}, up)));
  EXPECT_TRUE(is_zero(tangent_in_plane(Vector{kInf, 7, kInf}, Vector{h, 0, h})));
  // With a NaN beside the infinity the tangent is NaN, as for any NaN.
  const Vector nan = tangent_in_plane(Vector{kInf, kNaN, 0}, up);
  EXPECT_TRUE(std::isnan(nan.x) && std::isnan(nan.y) && std::isnan(nan.z));
}

TEST(FrameMath, LimitDirectionKeepsTheSignsOfTheInfiniteComponentsOnly) {
  const Vector3d limit = limit_direction(Vector3d{-HUGE_VAL, 2.5, HUGE_VAL});
  EXPECT_EQ(limit.x, -1.0);
  EXPECT_EQ(limit.y, 0.0);
  EXPECT_EQ(limit.z, 1.0);
  const Vector3d with_nan = limit_direction(Vector3d{std::nan(""), -HUGE_VAL, -7});
  EXPECT_TRUE(std::isnan(with_nan.x));
  EXPECT_EQ(with_nan.y, -1.0);
  EXPECT_EQ(with_nan.z, 0.0);
}

TEST(FrameMath, ProjectionRemovesThePartAlongTheNormal) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> coordinate(-10, 10);
  for (int i = 0; i < 200; ++i) {
    const Vector3d n = normalize(widen(random_unit(random)));  // unit in double too
    const Vector3d v =
        widen(Vector{coordinate(random), coordinate(random), coordinate(random)});
    const Vector3d p = project_onto_plane(v, n);
    EXPECT_NEAR(pellasto::dot(p, n), 0.0, 1e-12);
    // What was removed is v.n times n.
    const Vector3d removed = subtract(v, p);
    const double along = pellasto::dot(v, n);
    EXPECT_NEAR(removed.x, along * n.x, 1e-12);
    EXPECT_NEAR(removed.y, along * n.y, 1e-12);
    EXPECT_NEAR(removed.z, along * n.z, 1e-12);
    // Projecting again changes nothing beyond rounding.
    const Vector3d again = project_onto_plane(p, n);
    EXPECT_NEAR(again.x, p.x, 1e-12);
    EXPECT_NEAR(again.y, p.y, 1e-12);
    EXPECT_NEAR(again.z, p.z, 1e-12);
  }
}

TEST(FrameMath, DirectionsAlongASlantedNormalGiveNoTangent) {
  std::mt19937 random(11);
  for (int i = 0; i < 2000; ++i) {
    const Vector n = random_unit(random);
    for (float k : {1.0f, 5.0f, -2.0f, 0.001f, -1e30f, 1e-30f}) {
      const Vector t = tangent_in_plane(normalize(k * n), n);
      ASSERT_TRUE(is_zero(t)) << "k " << k << " n " << n.x << " " << n.y << " " << n.z
                              << " t " << t.x << " " << t.y << " " << t.z;
    }
    // Two units in the last place off the normal is still rounding.
    Vector nudged = n;
    nudged.x = std::nextafter(std::nextafter(n.x, kInf), kInf);
    EXPECT_TRUE(is_zero(tangent_in_plane(normalize(nudged), n)));
  }
  const float s = 1 / std::sqrt(14.0f);
  const Vector n123{s, 2 * s, 3 * s};
  EXPECT_TRUE(is_zero(tangent_in_plane(n123, n123)));
  EXPECT_TRUE(is_zero(tangent_in_plane(Vector{0, 0, 0}, n123)));
}

TEST(FrameMath, DirectionAMilliradianOffTheNormalGivesItsUnitTangent) {
  std::mt19937 random(13);
  for (int i = 0; i < 2000; ++i) {
    const Vector n = random_unit(random);
    const Vector side = normalize(cross(n, random_unit(random)));
    const float a = 1e-3f;
    const Vector d = normalize(Vector{n.x * std::cos(a) + side.x * std::sin(a),
                                      n.y * std::cos(a) + side.y * std::sin(a),
                                      n.z * std::cos(a) + side.z * std::sin(a)});
    const Vector t = tangent_in_plane(d, n);
    ASSERT_NEAR(length(t), 1.0, 1e-6);
    // The rounding left in the projection (about 1e-7 of 1e-3) tilts it a little.
    EXPECT_GT(dot(t, side), 1.0f - 1e-5f);
    EXPECT_NEAR(dot(t, n), 0.0f, 1e-3f);
  }
}

TEST(FrameMath, NaNGivesANaNTangent) {
  const Vector t = tangent_in_plane(Vector{kNaN, 0, 0}, Vector{0, 0, 1});
  EXPECT_TRUE(std::isnan(t.x));
}

// The remainder after division by 1 as the host computes it: in double, a
// turn when it is a number and not zero.
bool remainder_turns(float turns) {
  const double r = std::fmod(static_cast<double>(turns), 1.0);
  return !std::isnan(r) && r != 0.0;
}

float from_bits(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

TEST(FrameMath, FractionalTurnIsANonZeroRemainder) {
  // Every float within 4096 ulps of each power of two and of each boundary
  // where floats stop having fractions (2^23, 2^24), both signs, and the
  // special values: where a shortcut for the remainder would go wrong.
  int fractional = 0, whole = 0, not_a_number = 0;
  for (std::uint32_t sign : {0u, 0x80000000u}) {
    for (std::uint32_t exponent = 0; exponent < 256; ++exponent) {
      const std::uint32_t base = sign | (exponent << 23);
      for (std::uint32_t low = 0; low < 4096; ++low) {
        for (std::uint32_t bits : {base | low, base | (0x7fffffu - low)}) {
          const float x = from_bits(bits);
          ASSERT_EQ(is_fractional_turn(x), remainder_turns(x)) << std::hex << bits;
          if (std::isnan(x)) {
            ++not_a_number;
          } else if (remainder_turns(x)) {
            ++fractional;
          } else {
            ++whole;
          }
        }
      }
    }
  }
  // The sweep met every kind of verdict in quantity: below 1 every value but
  // zero is fractional, from 2^23 up none is, and exponent 255 is inf or NaN.
  EXPECT_GT(fractional, 2 * 127 * 8192 - 2);
  EXPECT_GT(whole, 2 * 105 * 8192);
  EXPECT_EQ(not_a_number, 2 * (8192 - 1));
  for (float x : {0.25f, -0.25f, 1.25f, 8388607.5f, -8388607.5f, 1e-30f}) {
    EXPECT_TRUE(is_fractional_turn(x)) << x;
  }
  for (float x :
       {0.0f, -0.0f, 1.0f, -2.0f, 8388608.0f, 16777217.0f, 1e30f, kInf, -kInf, kNaN}) {
    EXPECT_FALSE(is_fractional_turn(x)) << x;
  }
}

}  // namespace
}  // namespace pellasto
