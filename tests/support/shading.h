// What the shader tests share: a sample (render state, shader record,
// derivative vectors, parameter block with connection words), a mock host
// behind test host module A, and a real rotation for hosts that need one.
#ifndef PELLASTO_TESTS_SUPPORT_SHADING_H
#define PELLASTO_TESTS_SUPPORT_SHADING_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>

#include "shader/pellasto.h"
#include "tests/support/host_math.h"
#include "tests/support/module_loader.h"

inline bool operator==(const Vector& a, const Vector& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline std::ostream& operator<<(std::ostream& os, const Vector& v) {
  return os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

namespace pellasto_test {

template <typename T>
bool same_bits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

inline float float_from_bits(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// Distance from each parameter to its connection word in Sample::Block.
constexpr std::int32_t kConnectionOffset = sizeof(FrameParams);

// One shading sample, owned by the test as a host would own it.
struct Sample {
  struct Block {
    FrameParams params;
    std::int32_t connected[sizeof(FrameParams) / 4];  // word for byte p at p/4
  };

  RenderState state{};
  ShaderRecord shader{};
  Vector derivatives[2] = {{0.5f, 0.25f, -1.0f}, {-3.0f, 7.0f, 0.125f}};
  Block block{};
  FrameParams& params = block.params;
  Color result{};

  Sample() {
    state.surface_point = {0, 0, 0};
    state.surface_normal = {0, 0, 1};
    state.surface_derivatives = derivatives;
    state.current_shader = &shader;
    params.input = {0.25f, 0.5f, 0.75f, 1.0f};
  }

  // Marks `parameter` (a field of params) as connected.
  void connect(const void* parameter) {
    shader.connection_offset = kConnectionOffset;
    auto at =
        static_cast<const char*>(parameter) - reinterpret_cast<const char*>(&params);
    block.connected[at / 4] = 1;
  }

  void connect_all() {
    connect(&params.input);
    connect(&params.mode);
    connect(&params.direction);
    connect(&params.position);
    connect(&params.rotation);
  }

  Boolean shade() { return pellasto().shade(&result, &state, &params); }
};

class MockHost {
 public:
  MOCK_METHOD(void*, PhenEval, (RenderState*, void*));
  MOCK_METHOD(Boolean, MatrixRotateAxis, (Matrix*, const Vector*, float));
  MOCK_METHOD(void, VectorTransform, (Vector*, const Vector*, const Matrix*));

  TestHostHooks hooks() {
    TestHostHooks h{};
    h.context = this;
    h.phen_eval = [](void* c, RenderState* s, void* p) {
      return static_cast<MockHost*>(c)->PhenEval(s, p);
    };
    h.matrix_rotate_axis = [](void* c, Matrix* m, const Vector* axis, float angle) {
      return static_cast<MockHost*>(c)->MatrixRotateAxis(m, axis, angle);
    };
    h.vector_transform = [](void* c, Vector* out, const Vector* in, const Matrix* m) {
      static_cast<MockHost*>(c)->VectorTransform(out, in, m);
    };
    return h;
  }
};

// Binds the module to test host A, with `host` behind its functions.
class ShadingTest : public testing::Test {
 protected:
  void SetUp() override {
    hooks_ = host.hooks();
    host_a().install(&hooks_);
    ASSERT_EQ(pellasto().set_module_handle(host_a().handle), 0);
  }

  // The host evaluates the connected `input` by running a shader that records
  // the two derivative vectors it finds, and whose value is `value`.
  void observe_input(Sample& s, Color* value, Vector seen[2]) {
    s.connect(&s.params.input);
    EXPECT_CALL(host, PhenEval(&s.state, &s.params.input))
        .WillOnce([value, seen](RenderState* state, void*) -> void* {
          seen[0] = state->surface_derivatives[0];
          seen[1] = state->surface_derivatives[1];
          return value;
        });
  }

  // Rotation and transform behave as a real host's would.
  void use_real_rotation() {
    EXPECT_CALL(host, MatrixRotateAxis).WillRepeatedly(rotate_axis);
    EXPECT_CALL(host, VectorTransform).WillRepeatedly(transform_direction);
  }

  testing::StrictMock<MockHost> host;

 private:
  TestHostHooks hooks_{};
};

}  // namespace pellasto_test

#endif  // PELLASTO_TESTS_SUPPORT_SHADING_H
