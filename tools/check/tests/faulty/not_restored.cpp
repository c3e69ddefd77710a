// Leaves D[1] overridden: the tangent in force while `input` was read stays
// in the host's vectors after the call. Built with FAULTY_OWN_HOST, so that
// it sees the evaluation of `input`.
#include <cstring>

#include "tools/check/tests/faulty/forward.h"

namespace {
thread_local bool seen = false;
thread_local Vector tangent;
}  // namespace

extern "C" {

PELLASTO_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  if (state->surface_derivatives != nullptr) {
    tangent = state->surface_derivatives[1];
    seen = true;
  }
  return faulty::host_phen_eval(state, parameter);
}

PELLASTO_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                              float angle) {
  return faulty::host_matrix_rotate_axis(m, axis, angle);
}

PELLASTO_EXPORT void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  faulty::host_vector_transform(out, in, m);
}

}  // extern "C"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  seen = false;
  const Boolean returned = forward(result, state, params);
  if (seen && state->surface_derivatives != nullptr) {
    state->surface_derivatives[1] = tangent;
  }
  return returned;
}

}  // namespace faulty
