// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame is the same bits on every platform. The module's D[1] and D[0]
// must be exactly what the reference model gives with every product rounded
// on its own, as x86 without fused multiply-adds computes it: this test
// program is built without contraction, so the model compiled into it is
// that reference. A module built with contraction is loaded beside it to show the
// comparison finds the difference wherever the processor fuses.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/reference_model.h"
#include "hostside/sample.h"
#include "hostside/vec.h"

namespace {

using hostside::same_bits;

struct Case {
  std::int32_t mode;
  Vector normal, direction, position, point;
  float turns;
};

struct Frame {
  Vector cross, tangent;
};

// Normals of every orientation; directions and positions from denormal to
// huge; some turned by the host, some axis-aligned with signed zeros.
std::vector<Case> cases() {
  std::mt19937 random(22);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  const auto any_vector = [&] {
    return Vector{unit(random), unit(random), unit(random)};
  };
  const float scales[] = {1.0f, 3e-42f, 1e-20f, 1e20f, 3e38f};
  std::vector<Case> all;
  for (int i = 0; i < 2000; ++i) {
    Case c{};
    c.mode = i % 4 == 3 ? 2 : 1;
    c.normal = hostside::normalized(any_vector());
    const float scale = scales[i % 5];
    c.direction = scale * any_vector();
    if (c.mode == 2) {
      c.position = any_vector();
      c.point = any_vector();
    }
    c.turns = i % 3 == 0 ? unit(random) * 2.0f : 0.0f;
    all.push_back(c);
  }
  const float zero = 0.0f, negative_zero = -0.0f;
  for (const Vector n :
       {Vector{0, 0, 1}, Vector{negative_zero, 1, zero}, Vector{0, 0, -1}}) {
    for (const Vector d :
         {Vector{1, negative_zero, 0}, Vector{negative_zero, negative_zero, 1},
          Vector{negative_zero, -1, negative_zero}, Vector{1e-45f, 0, 0}}) {
      all.push_back(Case{1, n, d, {}, {}, 0.0f});
    }
  }
  return all;
}

// What the reference model predicts for one case (hostside/reference_model.h,
// independent of the module's sources and built, like this test, without
// contraction): the host's own rotation for a fractional turn, as the module
// asks the host for it.
Frame expected_frame(const Case& c) {
  hostside::ModelSample s;
  s.normal = c.normal;
  s.point = c.point;
  s.stored.mode = c.mode;
  s.stored.direction = c.direction;
  s.stored.position = c.position;
  s.stored.rotation = c.turns;
  const hostside::Prediction p = hostside::predict(s);
  return {p.frame[0], p.frame[1]};
}

// The frame a module installs for one case while its input is evaluated,
// with only `input` connected or with every parameter connected (the host
// evaluating each in place): the module takes a different path for each.
Frame shaded_frame(const hostside::PellastoModule& module, const Case& c,
                   bool all_connected) {
  hostside::Sample s;
  s.aim({c.normal, c.point, c.mode, c.direction, c.position, c.turns});
  if (all_connected) s.connect_all();
  s.shade(module.shade);
  EXPECT_EQ(s.input_evaluations, 1);
  return {s.seen[0], s.seen[1]};
}

std::string shown(Vector v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%a, %a, %a)", v.x, v.y, v.z);
  return text;
}

// How many cases a module frames otherwise than the uncontracted reference model;
// the first few are reported.
int differing_cases(const hostside::PellastoModule& module, bool report) {
  int differ = 0;
  for (const Case& c : cases()) {
    const Frame want = expected_frame(c);
    for (const bool all_connected : {false, true}) {
      const Frame got = shaded_frame(module, c, all_connected);
      if (same_bits(got.tangent, want.tangent) && same_bits(got.cross, want.cross)) {
        continue;
      }
      if (++differ <= 5 && report) {
        ADD_FAILURE() << (all_connected ? "all connected, " : "input connected, ")
                      << "mode " << c.mode << ", normal " << shown(c.normal)
                      << ", direction " << shown(c.direction) << ", turns " << c.turns
                      << ": D[1] " << shown(got.tangent) << ", D[0] " << shown(got.cross)
                      << "; uncontracted: D[1] " << shown(want.tangent) << ", D[0] "
                      << shown(want.cross);
      }
    }
  }
  return differ;
}

class ExactFrame : public testing::Test {
 protected:
  // Host module B's functions evaluate in place and turn with the host's
  // rotation; `module` is bound to it.
  void bind(const hostside::PellastoModule& module) {
    hooks_ = hostside::real_rotation_hooks(hostside::evaluate_in_place);
    host().install(&hooks_);
    ASSERT_EQ(module.set_module_handle(host().handle), 0);
  }
  static const hostside::HostModule& host() {
    static const hostside::HostModule host = hostside::load_host("test_host_b");
    return host;
  }

 private:
  HostHooks hooks_{};
};

TEST_F(ExactFrame, ModuleGivesTheUncontractedFrameBitForBit) {
  bind(hostside::pellasto());
  EXPECT_EQ(differing_cases(hostside::pellasto(), true), 0);
}

// The same sources built with contraction (-ffp-contract=fast): where the
// compiler fuses, the comparison above must tell that build apart, or it
// would not show the module's own build is uncontracted.
TEST_F(ExactFrame, ComparisonCatchesAContractedBuild) {
#if defined(__FP_FAST_FMAF) || defined(__FP_FAST_FMA)
  hostside::PellastoModule contracted{};
  std::string missing;
  ASSERT_TRUE(
      bind_pellasto(hostside::load_beside(hostside::module_file("contracted_frame")),
                    &contracted, &missing))
      << missing;
  bind(contracted);
  const int differ = differing_cases(contracted, false);
  RecordProperty("contracted_cases_differing", differ);
  EXPECT_GT(differ, 0);
  bind(hostside::pellasto());
#else
  GTEST_SKIP()
      << "this processor has no fused multiply-add: a contracted build is the same";
#endif
}

}  // namespace
