// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module against the reference model (hostside/reference_model.h) over
// every path a sample can take, and the model itself against the rules'
// worked examples. Each call is compared whole: the host calls in order
// with their arguments, the frame the input sees, the result, the return
// value and the host's vectors afterwards.

#include "hostside/reference_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/vec.h"

namespace {

using hostside::HostFunction;
using hostside::ModelSample;
using hostside::Param;
using hostside::Prediction;

std::uint32_t bits_of(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

class ReferenceModel : public testing::Test {
 protected:
  void SetUp() override {
    hooks_ = hostside::recording_hooks();
    host().install(&hooks_);
    ASSERT_EQ(hostside::pellasto().set_module_handle(host().handle), 0);
  }
  static const hostside::HostModule& host() {
    static const hostside::HostModule host = hostside::load_host("test_host_b");
    return host;
  }

  // How many of `cases` `entry` shades otherwise than the model says; the
  // first few are reported when `report`.
  int differing(PellastoShaderFn entry, const std::vector<ModelSample>& cases,
                bool report) {
    int differ = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const std::string d = hostside::check_against_model(entry, cases[i], &recorder_);
      if (!d.empty() && ++differ <= 8 && report) {
        ADD_FAILURE() << "case " << i << " of " << cases.size() << ": " << d;
      }
    }
    return differ;
  }

  hostside::Recorder recorder_;

 private:
  HostHooks hooks_{};
};

// The whole cross product of what chooses a path.
TEST_F(ReferenceModel, EveryPathGivesWhatTheModelPredicts) {
  const std::vector<ModelSample> cases = hostside::path_cases();
  ASSERT_EQ(cases.size(), 4608u);  // 3 x 2 x 2 x 6 x 16 x 4
  RecordProperty("cases", static_cast<int>(cases.size()));
  EXPECT_EQ(differing(hostside::pellasto().shade, cases, true), 0);
}

// Random samples over the whole input space (a fixed seed: the same samples
// in every run).
TEST_F(ReferenceModel, RandomSamplesOverTheWholeSpaceGiveWhatTheModelPredicts) {
  std::uint64_t random = 20261210;
  std::vector<ModelSample> cases;
  for (int i = 0; i < 20000; ++i) {
    cases.push_back(hostside::random_sample(&random));
  }
  EXPECT_EQ(differing(hostside::pellasto().shade, cases, true), 0);
}

// Entries with one fault each, written here around the real entry: the
// comparison must find each of them in the cross product.
namespace planted {

bool connected(const RenderState* state, const void* parameter) {
  const ShaderRecord* shader = state->current_shader;
  if (shader == nullptr || shader->connection_offset == 0) return false;
  std::int32_t word;
  std::memcpy(&word, static_cast<const char*>(parameter) + shader->connection_offset,
              sizeof word);
  return word != 0;
}

void* (*host_phen_eval)(RenderState*, void*) = nullptr;

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return hostside::pellasto().shade(result, state, params);
}

// Evaluates a connected `direction` first, whatever the mode.
Boolean evaluates_direction(Color* result, RenderState* state, FrameParams* params) {
  if (connected(state, &params->direction)) host_phen_eval(state, &params->direction);
  return shade(result, state, params);
}

// Hands the host a turn of 1.25 as a quarter turn.
Boolean fractional_part_only(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  if (turns == 1.25f) params->rotation = 0.25f;
  const Boolean r = shade(result, state, params);
  params->rotation = turns;
  return r;
}

// Turns by a quarter where the stored rotation is NaN or infinite.
Boolean turns_when_not_a_number(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  if (!std::isfinite(turns)) params->rotation = 0.25f;
  const Boolean r = shade(result, state, params);
  params->rotation = turns;
  return r;
}

// Builds the frame from the negated normal where the normal points down.
Boolean wrong_when_down(Color* result, RenderState* state, FrameParams* params) {
  const Vector n = state->surface_normal;
  if (n.z < -0.6f) state->surface_normal = {-n.x, -n.y, -n.z};
  const Boolean r = shade(result, state, params);
  state->surface_normal = n;
  return r;
}

}  // namespace planted

TEST_F(ReferenceModel, TheComparisonFindsEachPlantedFault) {
  planted::host_phen_eval = reinterpret_cast<void* (*)(RenderState*, void*)>(
      hostside::find_export(host().handle, "mi_phen_eval"));
  ASSERT_NE(planted::host_phen_eval, nullptr);
  const std::vector<ModelSample> cases = hostside::path_cases();
  EXPECT_GT(differing(planted::evaluates_direction, cases, false), 0);
  EXPECT_GT(differing(planted::fractional_part_only, cases, false), 0);
  EXPECT_GT(differing(planted::turns_when_not_a_number, cases, false), 0);
  EXPECT_GT(differing(planted::wrong_when_down, cases, false), 0);
  // And the forwarding itself is faultless.
  EXPECT_EQ(differing(planted::shade, cases, true), 0);
}

}  // namespace

namespace {

TEST(ReferenceModelRules, WorkedExamplesOfTheRules) {
  ModelSample s;
  s.normal = {1, 0, 0};
  s.stored.mode = 1;
  s.stored.direction = {0, 0, 5};
  Prediction p = hostside::predict(s);
  ASSERT_TRUE(p.builds_frame);
  EXPECT_TRUE(hostside::same_bits(p.frame[1], Vector{0, 0, 1}));
  EXPECT_TRUE(hostside::same_bits(p.frame[0], Vector{0, -1, 0}));
  EXPECT_TRUE(p.calls.empty());

  s.normal = {0, 0, 1};
  s.stored.direction = {1, 0, 1};
  p = hostside::predict(s);
  EXPECT_TRUE(hostside::same_bits(p.frame[1], Vector{1, 0, 0}));
  EXPECT_TRUE(hostside::same_bits(p.frame[0], Vector{0, 1, 0}));

  s.stored.mode = 2;
  s.stored.position = {2, 0, 0};
  s.point = {1, 0, 0};
  p = hostside::predict(s);
  EXPECT_TRUE(hostside::same_bits(p.frame[1], Vector{1, 0, 0}));
  s.stored.position = s.point;  // at the point: the zero frame
  p = hostside::predict(s);
  EXPECT_TRUE(hostside::same_bits(p.frame[1], Vector{0, 0, 0}));
  EXPECT_TRUE(hostside::same_bits(p.frame[0], Vector{0, 0, 0}));
}

TEST(ReferenceModelRules, TurnsAreHandedToTheHostWholeAndOnlyWhenFractional) {
  ModelSample s;
  s.stored.mode = 1;
  s.stored.direction = {3, 1, 2};
  struct Turn {
    float turns;
    int calls;
    float angle;
  };
  const float inf = INFINITY;
  for (const Turn t : {Turn{1.25f, 2, static_cast<float>(7.853981633974483)},
                       Turn{0.25f, 2, static_cast<float>(1.5707963267948966)},
                       Turn{-0.25f, 2, static_cast<float>(-1.5707963267948966)},
                       Turn{0, 0, 0}, Turn{1, 0, 0}, Turn{-2, 0, 0}, Turn{3, 0, 0},
                       Turn{NAN, 0, 0}, Turn{inf, 0, 0}, Turn{-inf, 0, 0}}) {
    SCOPED_TRACE(t.turns);
    s.stored.rotation = t.turns;
    const Prediction p = hostside::predict(s);
    ASSERT_EQ(static_cast<int>(p.calls.size()), t.calls);
    if (t.calls != 0) {
      EXPECT_EQ(p.calls[0].function, HostFunction::kMatrixRotateAxis);
      EXPECT_EQ(p.calls[0].angle_bits, bits_of(t.angle));
      EXPECT_EQ(p.calls[1].function, HostFunction::kVectorTransform);
      // The tangent handed in is the unturned one: unit, across +z.
      EXPECT_NEAR(hostside::length(p.calls[1].in), 1.0f, 1e-6f);
      EXPECT_EQ(p.calls[1].in.z, 0.0f);
    }
  }
}

TEST(ReferenceModelRules, OnlyTheParametersTheModeReadsAreEvaluatedInOrder) {
  struct Expect {
    std::int32_t mode;
    bool derivatives;
    std::vector<Param> order;
  };
  const std::vector<Expect> all = {
      {0, true, {Param::kMode, Param::kInput}},
      {-1, true, {Param::kMode, Param::kInput}},
      {INT_MIN, true, {Param::kMode, Param::kInput}},
      {1, true, {Param::kMode, Param::kDirection, Param::kRotation, Param::kInput}},
      {2, true, {Param::kMode, Param::kPosition, Param::kRotation, Param::kInput}},
      {2, false, {Param::kMode, Param::kInput}},
  };
  for (const Expect& e : all) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << e.mode << ", derivatives " << e.derivatives);
    ModelSample s;
    for (bool& c : s.connected) c = true;
    s.evaluated.mode = e.mode;
    s.evaluated.direction = {1, 2, 3};
    s.evaluated.position = {4, 0, 1};
    s.has_derivatives = e.derivatives;
    const Prediction p = hostside::predict(s);
    std::vector<Param> asked;
    for (const hostside::PredictedCall& c : p.calls) {
      if (c.function == HostFunction::kPhenEval) asked.push_back(c.parameter);
    }
    EXPECT_EQ(asked, e.order);
    // Without a shader record, or with a connection offset of 0, nothing.
    s.has_shader = false;
    EXPECT_TRUE(hostside::predict(s).calls.empty());
    s.has_shader = true;
    s.has_words = false;
    EXPECT_TRUE(hostside::predict(s).calls.empty());
  }
}

TEST(ReferenceModelRules, InfiniteDirectionsTakeTheirLimitAndTinyOnesAUnitTangent) {
  const float inf = INFINITY;
  const float h = std::sqrt(0.5f);
  const Vector up{0, 0, 1};
  EXPECT_TRUE(hostside::near(hostside::model_tangent({0, 1, 0}, {inf, 5, -inf}, 0),
                             {h, 0, -h}, 1e-7f));
  EXPECT_TRUE(hostside::near(hostside::model_tangent(up, {1, 2, inf}, 0), {0, 0, 0}, 0));
  const float denormal = 1e-45f;
  EXPECT_TRUE(
      hostside::near(hostside::model_tangent(up, {3 * denormal, 4 * denormal, 0}, 0),
                     {0.6f, 0.8f, 0}, 1e-7f));
  EXPECT_TRUE(
      hostside::near(hostside::model_tangent(up, {3e38f, 0, 3e38f}, 0), {1, 0, 0}, 0));
  EXPECT_TRUE(std::isnan(hostside::model_tangent(up, {NAN, 1, 0}, 0).x));
  // Mode 2 where position - point overflows to infinity.
  ModelSample s;
  s.stored.mode = 2;
  s.point = {-3e38f, 0, 0};
  s.stored.position = {3e38f, 1, 0};
  EXPECT_TRUE(hostside::same_bits(hostside::predict(s).frame[1], Vector{1, 0, 0}));
}

}  // namespace
