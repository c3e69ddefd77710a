// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// When the host exports only one of mi_matrix_rotate_axis and
// mi_vector_transform, turns the tangent through a matrix that nobody
// filled. Built with FAULTY_OWN_HOST: the real module finds both here.
#include "tools/check/tests/faulty/forward.h"

namespace {

Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  if (faulty::host().matrix_rotate_axis == nullptr) {
    return 0;  // `m` left as it was
  }
  return faulty::host().matrix_rotate_axis(m, axis, angle);
}

}  // namespace

const faulty::Host faulty::faults = {nullptr, matrix_rotate_axis, nullptr};

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
