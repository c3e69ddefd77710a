// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// How parameters are read: stored values unless the host has connected them,
// and the order in which the host sees its evaluations.

#include <cstdint>

#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

using testing::_;
using testing::InSequence;
using testing::Return;

class ConnectionRule : public ShadingTest {
 protected:
  // Parameter values the host computes for connected parameters.
  Color host_input{1, 2, 3, 4};
  std::int32_t host_mode = 1;
  Vector host_direction{0, 2, 0};
  Vector host_position{0, 0, 0};
  float host_rotation = 0.25f;
};

TEST_F(ConnectionRule, WithoutConnectionWordsTheHostIsNeverAsked) {
  Sample s;
  s.params.mode = 1;
  s.params.direction = {1, 0, 0};
  s.params.rotation = 2.0f;
  // Non-zero words where connection words would be, but the offset says the
  // parameters have none.
  for (std::int32_t& word : s.connected) word = 1;
  s.shader.connection_offset = 0;
  EXPECT_EQ(s.shade(), 1);  // a strict mock: any host call fails the test
  EXPECT_TRUE(same_bits(s.result, s.params.input));
  s.state.current_shader = nullptr;  // no shader record: nothing is connected
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(same_bits(s.result, s.params.input));
}

TEST_F(ConnectionRule, ZeroConnectionWordMeansTheStoredValue) {
  Sample s;
  s.params.mode = 2;
  s.params.position = {0, -4, 0};
  s.shader.connection_offset = kConnectionOffset;  // words present, all zero
  Vector seen[2];
  observe_input(s, &host_input, seen);  // only the input is connected
  EXPECT_EQ(s.shade(), 1);
  EXPECT_EQ(seen[1], (Vector{0, -1, 0}));
  EXPECT_TRUE(same_bits(s.result, host_input));
}

TEST_F(ConnectionRule, ConnectedParametersAreEvaluatedInOrderAndTheirValuesUsed) {
  Sample s;
  s.connect_all();
  s.params.mode = 0;  // the stored values all say otherwise
  s.params.direction = {1, 0, 0};
  s.params.rotation = 0;
  Vector seen[2];
  Matrix* filled = nullptr;
  {
    InSequence in_order;
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.mode)).WillOnce(Return(&host_mode));
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.direction))
        .WillOnce(Return(&host_direction));
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.rotation))
        .WillOnce(Return(&host_rotation));
    EXPECT_CALL(host, MatrixRotateAxis(_, &s.state.surface_normal, _))
        .WillOnce([&](Matrix* m, const Vector* axis, float angle) {
          filled = m;
          return rotate_axis(m, axis, angle);
        });
    EXPECT_CALL(host, VectorTransform(_, _, _))
        .WillOnce([&](Vector* out, const Vector* in, const Matrix* m) {
          EXPECT_EQ(m, filled);
          transform_direction(out, in, m);
        });
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.input))
        .WillOnce([&](RenderState* state, void*) -> void* {
          seen[0] = state->surface_derivatives[0];
          seen[1] = state->surface_derivatives[1];
          return &host_input;
        });
  }
  EXPECT_EQ(s.shade(), 1);
  // The host's direction (0, 2, 0), a quarter turn about +z: -x.
  EXPECT_NEAR(seen[1].x, -1.0f, 1e-6f);
  EXPECT_NEAR(seen[1].y, 0.0f, 1e-6f);
  EXPECT_TRUE(same_bits(s.result, host_input));
}

TEST_F(ConnectionRule, PositionModeReadsPositionNotDirection) {
  Sample s;
  s.connect_all();
  host_mode = 2;
  host_rotation = 3.0f;
  InSequence in_order;
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.mode)).WillOnce(Return(&host_mode));
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.position))
      .WillOnce(Return(&host_position));
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.rotation))
      .WillOnce(Return(&host_rotation));
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.input)).WillOnce(Return(&host_input));
  EXPECT_EQ(s.shade(), 1);
}

// With `mode` stored, each parameter the mode reads is evaluated by the host
// when it alone is connected, and its value is the one used: the stored
// rotation is a whole turn, the host's a quarter turn, so a turn is asked for
// exactly when the host's rotation is used.
TEST_F(ConnectionRule, EachParameterConnectedAloneIsEvaluated) {
  for (const std::int32_t mode : {0, 1, 2}) {
    for (const int which : {0, 1, 2}) {  // input, the direction's parameter, rotation
      if (mode == 0 && which != 0) continue;
      SCOPED_TRACE(testing::Message() << "mode " << mode << ", parameter " << which);
      Sample s;
      s.params.mode = mode;
      s.params.direction = {1, 0, 0};
      s.params.position = {0, 1, 0};
      s.params.rotation = 2.0f;
      void* const parameter = which == 0   ? static_cast<void*>(&s.params.input)
                              : which == 2 ? static_cast<void*>(&s.params.rotation)
                              : mode == 1  ? static_cast<void*>(&s.params.direction)
                                           : static_cast<void*>(&s.params.position);
      s.connect(parameter);
      void* const value = which == 0   ? static_cast<void*>(&host_input)
                          : which == 2 ? static_cast<void*>(&host_rotation)
                          : mode == 1  ? static_cast<void*>(&host_direction)
                                       : static_cast<void*>(&host_position);
      EXPECT_CALL(host, PhenEval(&s.state, parameter)).WillOnce(Return(value));
      if (which == 2) use_real_rotation();
      EXPECT_EQ(s.shade(), 1);
      EXPECT_TRUE(same_bits(s.result, which == 0 ? host_input : s.params.input));
      testing::Mock::VerifyAndClearExpectations(&host);
    }
  }
}

TEST_F(ConnectionRule, NullFromTheHostMeansTheStoredValue) {
  Sample s;
  s.connect_all();
  s.params.mode = 1;
  s.params.direction = {0, 0, 0};
  s.params.rotation = 0;
  s.params.input = {7, 7, 7, 7};
  EXPECT_CALL(host, PhenEval(&s.state, _)).Times(4).WillRepeatedly(Return(nullptr));
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(same_bits(s.result, s.params.input));
  EXPECT_EQ(s.derivatives[0], (Vector{0.5f, 0.25f, -1.0f}));
}

TEST_F(ConnectionRule, ShaderRecordIsReadAnewForEveryParameter) {
  Sample s;
  s.connect_all();
  s.params.mode = 1;
  s.params.direction = {0, 1, 0};
  ShaderRecord unconnected{};
  // Evaluating `mode` makes the host switch to a record without connection
  // words: the remaining parameters are read as stored.
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.mode))
      .WillOnce([&](RenderState* state, void*) -> void* {
        state->current_shader = &unconnected;
        return &host_mode;
      });
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(same_bits(s.result, s.params.input));
}

}  // namespace
}  // namespace pellasto_test
