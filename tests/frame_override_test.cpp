// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame the shader installs while its input is evaluated, and the state it
// leaves behind.

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "hostside/vec.h"
#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

using testing::_;
using testing::InSequence;
using testing::Return;

Vector cross_product(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void expect_near(Vector actual, Vector expected) {
  EXPECT_NEAR(actual.x, expected.x, 2e-7f) << actual;
  EXPECT_NEAR(actual.y, expected.y, 2e-7f) << actual;
  EXPECT_NEAR(actual.z, expected.z, 2e-7f) << actual;
}

class FrameOverride : public ShadingTest {
 protected:
  Color input_value{0.1f, 0.2f, 0.3f, 0.4f};
  Vector seen[2]{};
};

struct WorkedExample {
  const char* name;
  std::int32_t mode;
  Vector direction, position, point, normal;
  Vector tangent, cross;
};

TEST_F(FrameOverride, WorkedExamplesInstallTheFrameAndRestoreTheHostVectors) {
  const WorkedExample examples[] = {
      {"direction along z, normal along x",
       1,
       {0, 0, 5},
       {},
       {},
       {1, 0, 0},
       {0, 0, 1},
       {0, -1, 0}},
      {"part along the normal removed",
       1,
       {1, 0, 1},
       {},
       {},
       {0, 0, 1},
       {1, 0, 0},
       {0, 1, 0}},
      {"position minus surface point",
       2,
       {},
       {2, 0, 0},
       {1, 0, 0},
       {0, 0, 1},
       {1, 0, 0},
       {0, 1, 0}},
      {"position ignores direction",
       2,
       {9, 9, 9},
       {1, 5, 3},
       {1, 2, 3},
       {0, 0, 1},
       {0, 1, 0},
       {-1, 0, 0}},
      {"direction ignores position",
       1,
       {0, -2, 0},
       {7, 7, 7},
       {},
       {1, 0, 0},
       {0, -1, 0},
       {0, 0, -1}},
  };
  for (const WorkedExample& e : examples) {
    SCOPED_TRACE(e.name);
    Sample s;
    const Vector host_vectors[2] = {s.derivatives[0], s.derivatives[1]};
    s.params.mode = e.mode;
    s.params.direction = e.direction;
    s.params.position = e.position;
    s.state.surface_point = e.point;
    s.state.surface_normal = e.normal;
    observe_input(s, &input_value, seen);

    EXPECT_EQ(s.shade(), 1);
    // Exact up to the rounding of the two reciprocal lengths.
    expect_near(seen[1], e.tangent);
    expect_near(seen[0], e.cross);
    EXPECT_TRUE(same_bits(s.result, input_value));
    EXPECT_TRUE(same_bits(s.derivatives, host_vectors));
  }
}

TEST_F(FrameOverride, FrameIsOrthonormalAroundAnyNormal) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
  for (int i = 0; i < 500; ++i) {
    Sample s;
    Vector n{coordinate(random), coordinate(random), coordinate(random)};
    const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    s.state.surface_normal = {n.x / len, n.y / len, n.z / len};
    s.state.surface_point = {coordinate(random), coordinate(random), coordinate(random)};
    s.params.mode = 1 + i % 2;
    s.params.direction = {coordinate(random), coordinate(random), coordinate(random)};
    s.params.position = {coordinate(random), coordinate(random), coordinate(random)};
    observe_input(s, &input_value, seen);
    ASSERT_EQ(s.shade(), 1);

    const Vector t = seen[1], b = seen[0], N = s.state.surface_normal;
    EXPECT_NEAR(t.x * t.x + t.y * t.y + t.z * t.z, 1.0f, 1e-5f);
    EXPECT_NEAR(t.x * N.x + t.y * N.y + t.z * N.z, 0.0f, 1e-5f);
    EXPECT_EQ(b, cross_product(N, t));
    // The tangent leans the same way as the chosen direction.
    Vector d = s.params.direction;
    if (s.params.mode == 2) {
      d = {s.params.position.x - s.state.surface_point.x,
           s.params.position.y - s.state.surface_point.y,
           s.params.position.z - s.state.surface_point.z};
    }
    EXPECT_GE(t.x * d.x + t.y * d.y + t.z * d.z, 0.0f);
  }
}

TEST_F(FrameOverride, DegenerateDirectionsGiveZeroVectorsNotNaN) {
  struct Case {
    const char* name;
    std::int32_t mode;
    Vector direction, position;
  } cases[] = {
      {"zero direction", 1, {0, 0, 0}, {}},
      {"position on the surface point", 2, {}, {3, -4, 5}},
      {"direction along the normal", 1, {0, 0, 4}, {}},
      {"direction against the normal", 1, {0, 0, -1e-20f}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sample s;
    const Vector host_vectors[2] = {s.derivatives[0], s.derivatives[1]};
    s.state.surface_point = {3, -4, 5};
    s.params.mode = c.mode;
    s.params.direction = c.direction;
    s.params.position = c.position;
    observe_input(s, &input_value, seen);

    EXPECT_EQ(s.shade(), 1);
    EXPECT_EQ(seen[0], (Vector{0, 0, 0}));
    EXPECT_EQ(seen[1], (Vector{0, 0, 0}));
    EXPECT_TRUE(same_bits(s.derivatives, host_vectors));
  }
}

TEST_F(FrameOverride, DirectionThatIsNotANumberStillPassesInputThrough) {
  Sample s;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  s.params.mode = 1;
  s.params.direction = {nan, 1, 0};
  observe_input(s, &input_value, seen);
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(std::isnan(seen[1].x));
  EXPECT_TRUE(same_bits(s.result, input_value));
}

// A unit normal in no particular direction, rounded to float as a host would.
Vector random_unit_normal(std::mt19937& random) {
  std::normal_distribution<float> gauss;
  for (;;) {
    const Vector v{gauss(random), gauss(random), gauss(random)};
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len > 0.1f) return {v.x / len, v.y / len, v.z / len};
  }
}

// Sets the sample's chosen direction to `d`: as `direction` in mode 1, as
// `position` - surface point in mode 2.
void choose_direction(Sample& s, std::int32_t mode, Vector d) {
  s.params.mode = mode;
  s.params.direction = d;
  s.state.surface_point = {0.5f, -0.25f, 2.0f};
  s.params.position = {s.state.surface_point.x + d.x, s.state.surface_point.y + d.y,
                       s.state.surface_point.z + d.z};
  if (mode == 2) {
    // position - surface point is d itself only where the sums were exact.
    s.state.surface_point = {0, 0, 0};
    s.params.position = d;
  }
}

TEST_F(FrameOverride, DirectionsAlongASlantedNormalGiveAZeroFrame) {
  std::mt19937 random(17);
  for (int i = 0; i < 200; ++i) {
    const Vector n = random_unit_normal(random);
    for (float k : {1.0f, 5.0f, -2.0f, 0.001f}) {
      for (std::int32_t mode : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "N " << n << " k " << k << " mode " << mode);
        Sample s;
        s.state.surface_normal = n;
        choose_direction(s, mode, {k * n.x, k * n.y, k * n.z});
        observe_input(s, &input_value, seen);
        ASSERT_EQ(s.shade(), 1);
        ASSERT_EQ(seen[1], (Vector{0, 0, 0}));
        ASSERT_EQ(seen[0], (Vector{0, 0, 0}));
      }
    }
  }
}

TEST_F(FrameOverride, DirectionsJustOffTheNormalGiveTheirTangentOrNone) {
  std::mt19937 random(19);
  for (int i = 0; i < 200; ++i) {
    const Vector n = random_unit_normal(random);
    Vector side = cross_product(n, random_unit_normal(random));
    const float side_len = std::sqrt(side.x * side.x + side.y * side.y + side.z * side.z);
    side = {side.x / side_len, side.y / side_len, side.z / side_len};
    const float c = std::cos(1e-3f), sn = std::sin(1e-3f);
    const Vector milliradian{c * n.x + sn * side.x, c * n.y + sn * side.y,
                             c * n.z + sn * side.z};
    // A few units in the last place off N is rounding, not a direction.
    const Vector ulps{std::nextafter(std::nextafter(n.x, 2.0f), 2.0f),
                      std::nextafter(n.y, -2.0f), n.z};
    for (std::int32_t mode : {1, 2}) {
      SCOPED_TRACE(testing::Message() << "N " << n << " mode " << mode);
      Sample s;
      s.state.surface_normal = n;
      choose_direction(s, mode, milliradian);
      observe_input(s, &input_value, seen);
      ASSERT_EQ(s.shade(), 1);
      const Vector t = seen[1];
      EXPECT_NEAR(t.x * t.x + t.y * t.y + t.z * t.z, 1.0f, 1e-6f);
      EXPECT_GT(t.x * side.x + t.y * side.y + t.z * side.z, 1.0f - 1e-4f);
      EXPECT_EQ(seen[0], cross_product(n, t));

      Sample u;
      u.state.surface_normal = n;
      choose_direction(u, mode, ulps);
      observe_input(u, &input_value, seen);
      ASSERT_EQ(u.shade(), 1);
      EXPECT_EQ(seen[1], (Vector{0, 0, 0}));
    }
  }
}

TEST_F(FrameOverride, HugeTinyAndDenormalDirectionsGiveUnitTangents) {
  const float denormal = std::numeric_limits<float>::denorm_min();
  const struct {
    Vector direction, tangent;
  } cases[] = {
      {{1e20f, 0, 0}, {1, 0, 0}},
      {{3e19f, 4e19f, 0}, {0.6f, 0.8f, 0}},
      {{-3e38f, 0, 3e38f}, {-1, 0, 0}},
      {{1e-24f, 0, 0}, {1, 0, 0}},
      {{0, -1e-23f, 0}, {0, -1, 0}},
      {{3 * denormal, 4 * denormal, 0}, {0.6f, 0.8f, 0}},
      {{0, denormal, 0}, {0, 1, 0}},
  };
  for (const auto& c : cases) {
    for (std::int32_t mode : {1, 2}) {
      SCOPED_TRACE(testing::Message() << c.direction << " mode " << mode);
      Sample s;  // normal (0, 0, 1)
      choose_direction(s, mode, c.direction);
      observe_input(s, &input_value, seen);
      ASSERT_EQ(s.shade(), 1);
      expect_near(seen[1], c.tangent);
      EXPECT_EQ(seen[0], cross_product(s.state.surface_normal, seen[1]));
    }
  }
}

// Shades `s` with FE_INVALID cleared and, natively, trapped: a raised
// FE_INVALID then kills the test with SIGFPE; under an emulator that does not
// trap, the flag still shows it. True when the shader raised it.
bool shade_raises_invalid_operation(Sample& s, Boolean* shaded) {
  std::feclearexcept(FE_ALL_EXCEPT);
#if defined(__GLIBC__)
  feenableexcept(FE_INVALID);
#endif
  *shaded = s.shade();
#if defined(__GLIBC__)
  fedisableexcept(FE_INVALID);
#endif
  return std::fetestexcept(FE_INVALID) != 0;
}

TEST_F(FrameOverride, QuietNaNsRaiseNoInvalidOperation) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  use_real_rotation();
  for (std::int32_t mode : {0, 1, 2}) {
    for (int parameter = 0; parameter < 4; ++parameter) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " parameter " << parameter);
      Sample s;
      s.state.surface_normal = {0.6f, 0, 0.8f};
      s.params.mode = mode;
      s.params.direction = {1, 2, 3};
      s.params.position = {-1, 0, 2};
      s.params.rotation = 0.25f;
      if (parameter == 0) s.params.input.g = nan;
      if (parameter == 1) s.params.direction.y = nan;
      if (parameter == 2) s.params.position.z = nan;
      if (parameter == 3) s.params.rotation = nan;
      Boolean shaded = 0;
      EXPECT_FALSE(shade_raises_invalid_operation(s, &shaded));
      EXPECT_EQ(shaded, 1);
      EXPECT_TRUE(same_bits(s.result, s.params.input));
    }
  }
}

TEST_F(FrameOverride, InfiniteDirectionsActAsTheLimitOfEverLongerOnesAndRaiseNothing) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float huge = 3e38f;
  const float h = std::sqrt(0.5f);
  const Vector up{0, 0, 1}, slanted{0.6f, 0, 0.8f};
  enum Frame { kUnit, kZero, kNaN };
  const struct Case {
    const char* name;
    std::int32_t mode;
    Vector direction, position, point, normal;
    float rotation;
    Frame frame;
  } cases[] = {
      {"one infinite component", 1, {inf, 0, 0}, {}, {}, up, 0, kUnit},
      {"infinities beside finite components", 1, {-inf, 5, inf}, {}, {}, up, 0, kUnit},
      {"every component infinite", 1, {inf, inf, -inf}, {}, {}, up, 0, kUnit},
      {"huge and denormal components beside an infinity",
       1,
       {-huge, 1e-45f, inf},
       {},
       {},
       {1, 0, 0},
       0,
       kUnit},
      {"a slanted normal", 1, {inf, 0, inf}, {}, {}, slanted, 0, kUnit},
      {"along the normal", 1, {0, 0, inf}, {}, {}, up, 0, kZero},
      {"against the normal, finite parts aside", 1, {3, -4, -inf}, {}, {}, up, 0, kZero},
      {"along a slanted normal", 1, {inf, 7, inf}, {}, {}, {h, 0, h}, 0, kZero},
      {"turned a quarter", 1, {inf, 5, 0}, {}, {}, slanted, 0.25f, kUnit},
      {"turned by 1.125, against the normal",
       1,
       {-inf, 0, -inf},
       {},
       {},
       up,
       1.125f,
       kUnit},
      {"infinite rotation", 1, {inf, 1, 0}, {}, {}, up, inf, kUnit},
      {"a NaN beside the infinity", 1, {inf, nan, 0}, {}, {}, up, 0.25f, kNaN},
      {"infinite position", 2, {}, {inf, 2, 0}, {1, 2, 3}, up, 0, kUnit},
      {"infinite position, turned",
       2,
       {},
       {-inf, inf, 0},
       {1, 2, 3},
       slanted,
       0.375f,
       kUnit},
      {"difference overflowing", 2, {}, {huge, 0, 0}, {-huge, 1, 0}, up, 0, kUnit},
      {"differences overflowing both ways",
       2,
       {},
       {-huge, huge, 5},
       {huge, -huge, 5},
       slanted,
       0,
       kUnit},
      {"difference overflowing along the normal",
       2,
       {},
       {0, 0, huge},
       {0, 0, -huge},
       up,
       0,
       kZero},
  };
  use_real_rotation();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sample s;
    const Vector host_vectors[2] = {s.derivatives[0], s.derivatives[1]};
    s.params.mode = c.mode;
    s.params.direction = c.direction;
    s.params.position = c.position;
    s.params.rotation = c.rotation;
    s.state.surface_point = c.point;
    s.state.surface_normal = c.normal;
    observe_input(s, &input_value, seen);

    Boolean shaded = 0;
    EXPECT_FALSE(shade_raises_invalid_operation(s, &shaded));
    EXPECT_EQ(shaded, 1);
    EXPECT_TRUE(same_bits(s.result, input_value));
    EXPECT_TRUE(same_bits(s.derivatives, host_vectors));

    const Vector n = c.normal;
    const Vector d = c.mode == 1
                         ? c.direction
                         : Vector{c.position.x - c.point.x, c.position.y - c.point.y,
                                  c.position.z - c.point.z};
    const Vector t = seen[1];
    if (c.frame == kNaN) {
      EXPECT_TRUE(std::isnan(t.x) && std::isnan(t.y) && std::isnan(t.z)) << t;
      EXPECT_TRUE(std::isnan(hostside::expected_tangent(n, d, c.rotation).x));
      continue;
    }
    if (c.frame == kZero) {
      EXPECT_EQ(t, (Vector{0, 0, 0}));
      EXPECT_EQ(seen[0], (Vector{0, 0, 0}));
    } else {
      EXPECT_NEAR(t.x * t.x + t.y * t.y + t.z * t.z, 1.0f, 1e-6f) << t;
      EXPECT_EQ(seen[0], cross_product(n, t));
    }
    // The host's own working-out of the frame, in float, agrees to its rounding.
    const Vector expected = hostside::expected_tangent(n, d, c.rotation);
    EXPECT_TRUE(hostside::near(t, expected, 1e-6f)) << t << " expected " << expected;
  }
}

// The angle the host is asked for: the whole value times 2 pi, in double
// precision, rounded to a float.
float expected_angle(float turns) {
  return static_cast<float>(static_cast<double>(turns) * 6.283185307179586);
}

// With `input` connected or not: the module turns the frame on a different
// path for each.
TEST_F(FrameOverride, FractionalTurnAsksTheHostToTurnTheTangentAboutTheNormal) {
  const float turns[] = {0.25f, 1.25f, -0.25f, 0.125f, 1e-30f, -3.5f, 8388607.5f};
  for (const bool input_connected : {true, false}) {
    for (float t : turns) {
      SCOPED_TRACE(testing::Message()
                   << t << (input_connected ? ", input connected" : ""));
      Sample s;
      s.params.mode = 1;
      s.params.direction = {1, 0, 0};
      s.params.rotation = t;
      if (input_connected) observe_input(s, &input_value, seen);
      Matrix* filled = nullptr;
      {
        InSequence in_order;
        EXPECT_CALL(host, MatrixRotateAxis(_, &s.state.surface_normal, _))
            .WillOnce([&](Matrix* m, const Vector*, float angle) {
              EXPECT_TRUE(same_bits(angle, expected_angle(t)));
              filled = m;
              return rotate_axis(m, &s.state.surface_normal, angle);
            });
        EXPECT_CALL(host, VectorTransform)
            .WillOnce([&](Vector* out, const Vector* in, const Matrix* m) {
              EXPECT_EQ(out, in);
              EXPECT_EQ(m, filled);
              EXPECT_EQ(*in, (Vector{1, 0, 0}));
              transform_direction(out, in, m);
            });
      }
      EXPECT_EQ(s.shade(), 1);
      testing::Mock::VerifyAndClearExpectations(&host);
    }
  }
}

TEST_F(FrameOverride, QuarterTurnInstallsTheTurnedTangentAndItsCross) {
  Sample s;
  s.params.mode = 1;
  s.params.direction = {1, 0, 0};
  s.params.rotation = 0.25f;
  observe_input(s, &input_value, seen);
  use_real_rotation();
  EXPECT_EQ(s.shade(), 1);
  EXPECT_NEAR(seen[1].x, 0.0f, 1e-6f);
  EXPECT_NEAR(seen[1].y, 1.0f, 1e-6f);
  EXPECT_EQ(seen[0], cross_product(s.state.surface_normal, seen[1]));
}

TEST_F(FrameOverride, TurnedTangentIsNotNormalisedAgain) {
  Sample s;
  s.params.mode = 1;
  s.params.direction = {0, 1, 0};
  s.params.rotation = 0.5f;
  observe_input(s, &input_value, seen);
  EXPECT_CALL(host, MatrixRotateAxis).WillOnce(Return(1));
  EXPECT_CALL(host, VectorTransform)
      .WillOnce([](Vector* out, const Vector* in, const Matrix*) {
        *out = {3 * in->x, 3 * in->y, 3 * in->z};
      });
  EXPECT_EQ(s.shade(), 1);
  EXPECT_EQ(seen[1], (Vector{0, 3, 0}));
  EXPECT_EQ(seen[0], (Vector{-3, 0, 0}));
}

TEST_F(FrameOverride, WholeTurnsAndRemaindersThatAreNotANumberMakeNoHostCall) {
  const float inf = std::numeric_limits<float>::infinity();
  const float turns[] = {0.0f,
                         -0.0f,
                         1.0f,
                         -2.0f,
                         3.0f,
                         8388608.0f,
                         1e30f,
                         -16777217.0f,
                         inf,
                         -inf,
                         std::numeric_limits<float>::quiet_NaN()};
  for (float t : turns) {
    SCOPED_TRACE(t);
    Sample s;
    s.params.mode = 1;
    s.params.direction = {0, 1, 0};
    s.params.rotation = t;
    observe_input(s, &input_value, seen);
    // The strict mock fails on any call of the rotation functions.
    EXPECT_EQ(s.shade(), 1);
    EXPECT_EQ(seen[1], (Vector{0, 1, 0}));
    EXPECT_EQ(seen[0], (Vector{-1, 0, 0}));
  }
}

TEST_F(FrameOverride, ResultAndRestoredVectorsKeepEveryBit) {
  const std::uint32_t patterns[] = {0x7f800001u /* signalling NaN */, 0xffc12345u,
                                    0x80000000u, 0x00000001u /* smallest denormal */,
                                    0x7f7fffffu};
  for (std::int32_t mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    Sample s;
    s.params.mode = mode;
    s.params.direction = {0, 1, 0};
    s.params.position = {5, 0, 0};
    float* words = &s.derivatives[0].x;
    for (int i = 0; i < 6; ++i) words[i] = float_from_bits(patterns[i % 5]);
    Vector before[2];
    std::memcpy(before, s.derivatives, sizeof before);
    s.params.input = {float_from_bits(patterns[0]), float_from_bits(patterns[1]),
                      float_from_bits(patterns[2]), float_from_bits(patterns[3])};
    const Color stored = s.params.input;

    EXPECT_EQ(s.shade(), 1);
    EXPECT_TRUE(same_bits(s.result, stored));
    EXPECT_TRUE(same_bits(s.derivatives, before));
  }
}

TEST_F(FrameOverride, NestedCallsEachRestoreTheVectorsTheyFound) {
  Sample s;
  const Vector host_vectors[2] = {s.derivatives[0], s.derivatives[1]};
  s.params.mode = 1;
  s.params.direction = {1, 0, 0};
  s.connect(&s.params.input);

  // The shader connected to the outer input is Pellasto again, on the same
  // render state, with its own parameters.
  FrameParams inner{};
  inner.mode = 1;
  inner.direction = {0, 1, 0};
  inner.input = {5, 6, 7, 8};
  Color inner_result{};
  Vector outer_frame_seen_by_inner_caller[2]{};
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.input))
      .WillOnce([&](RenderState* state, void*) -> void* {
        // The inner call reads its parameters unconnected.
        ShaderRecord* outer_shader = state->current_shader;
        ShaderRecord inner_shader{};
        state->current_shader = &inner_shader;
        EXPECT_EQ(pellasto().shade(&inner_result, state, &inner), 1);
        state->current_shader = outer_shader;
        outer_frame_seen_by_inner_caller[0] = state->surface_derivatives[0];
        outer_frame_seen_by_inner_caller[1] = state->surface_derivatives[1];
        return &inner_result;
      });

  EXPECT_EQ(s.shade(), 1);
  EXPECT_EQ(outer_frame_seen_by_inner_caller[1], (Vector{1, 0, 0}));
  EXPECT_EQ(outer_frame_seen_by_inner_caller[0], (Vector{0, 1, 0}));
  EXPECT_TRUE(same_bits(s.result, inner.input));
  EXPECT_TRUE(same_bits(s.derivatives, host_vectors));
}

TEST_F(FrameOverride, WithoutDerivativeVectorsTheInputStillPassesThrough) {
  for (std::int32_t mode : {0, 1, 2}) {
    SCOPED_TRACE(mode);
    Sample s;
    s.state.surface_derivatives = nullptr;
    s.params.mode = mode;
    s.params.direction = {1, 0, 0};
    s.params.rotation = 0.25f;
    s.connect_all();
    InSequence in_order;
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.mode))
        .WillOnce(Return(&s.params.mode));
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.input)).WillOnce(Return(&input_value));
    EXPECT_EQ(s.shade(), 1);
    EXPECT_TRUE(same_bits(s.result, input_value));
    EXPECT_EQ(s.state.surface_derivatives, nullptr);
  }
}

// Without vectors to build a frame in, the shader computes nothing with the
// frame's parameters: signalling NaNs there raise nothing, whether the turn
// is whole or not.
TEST_F(FrameOverride, WithoutDerivativeVectorsTheFrameParametersAreNotComputedWith) {
  const float signalling = std::numeric_limits<float>::signaling_NaN();
  for (std::int32_t mode : {1, 2}) {
    SCOPED_TRACE(mode);
    Sample s;
    s.state.surface_derivatives = nullptr;
    s.params.mode = mode;
    s.params.direction = {signalling, 1, 0};
    s.params.position = {0, signalling, 1};
    s.params.rotation = signalling;
    Boolean shaded = 0;
    EXPECT_FALSE(shade_raises_invalid_operation(s, &shaded));
    EXPECT_EQ(shaded, 1);
    EXPECT_TRUE(same_bits(s.result, s.params.input));
  }
}

TEST_F(FrameOverride, HostThatDropsTheVectorsDuringTheInputIsNotWrittenThrough) {
  Sample s;
  s.params.mode = 1;
  s.params.direction = {1, 0, 0};
  s.connect(&s.params.input);
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.input))
      .WillOnce([&](RenderState* state, void*) -> void* {
        state->surface_derivatives = nullptr;
        return &input_value;
      });
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(same_bits(s.result, input_value));
}

}  // namespace
}  // namespace pellasto_test
