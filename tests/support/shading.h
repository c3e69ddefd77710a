// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the shader tests share: the test host modules, a mock host behind test
// host module A, and a real rotation for hosts that need one. The sample is
// the in-process host's (hostside/).
#ifndef PELLASTO_TESTS_SUPPORT_SHADING_H
#define PELLASTO_TESTS_SUPPORT_SHADING_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "shader/pellasto.h"

inline bool operator==(const Vector& a, const Vector& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline std::ostream& operator<<(std::ostream& os, const Vector& v) {
  return os << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

namespace pellasto_test {

inline float float_from_bits(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

using hostside::find_export;
using hostside::HostModule;
using hostside::kConnectionOffset;
using hostside::pellasto;
using hostside::rotate_axis;
using hostside::same_bits;
using hostside::Sample;
using hostside::transform_direction;

// The test host modules (hostside/forwarding_module.h).
inline const hostside::HostModule& host_a() {
  static const hostside::HostModule host = hostside::load_host("test_host_a");
  return host;
}
inline const hostside::HostModule& host_b() {
  static const hostside::HostModule host = hostside::load_host("test_host_b");
  return host;
}
// Exports mi_phen_eval only.
inline const hostside::HostModule& host_without_rotation() {
  static const hostside::HostModule host = hostside::load_host("test_host_partial");
  return host;
}
// Export mi_phen_eval and mi_vector_transform, but not mi_matrix_rotate_axis.
inline const hostside::HostModule& host_with_transform_only() {
  static const hostside::HostModule host =
      hostside::load_host("test_host_transform_only");
  return host;
}
// Export mi_phen_eval and mi_matrix_rotate_axis, but not mi_vector_transform.
inline const hostside::HostModule& host_with_rotation_only() {
  static const hostside::HostModule host = hostside::load_host("test_host_rotation_only");
  return host;
}
inline const hostside::HostModule& host_without_exports() {
  static const hostside::HostModule host = hostside::load_host("test_host_empty", false);
  return host;
}

class MockHost {
 public:
  MOCK_METHOD(void*, PhenEval, (RenderState*, void*));
  MOCK_METHOD(Boolean, MatrixRotateAxis, (Matrix*, const Vector*, float));
  MOCK_METHOD(void, VectorTransform, (Vector*, const Vector*, const Matrix*));

  HostHooks hooks() {
    HostHooks h{};
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
  HostHooks hooks_{};
};

}  // namespace pellasto_test

#endif  // PELLASTO_TESTS_SUPPORT_SHADING_H
