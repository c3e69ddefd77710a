// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A faulty module: it loads the real Pellasto module (the one the build
// names in PELLASTO_REAL_MODULE, else the one in its own folder) and exports
// the five entries, which reach the real module's, with one fault
// added around the calls. Each faulty module defines faulty::shade, called in
// place of the real Pellasto.
#ifndef PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H
#define PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H

#include "host/module_export.h"
#include "hostside/module.h"
#include "shader/pellasto.h"

namespace faulty {

// The real module's entries, loaded on first use; the process ends with a
// message if it cannot be.
const hostside::PellastoModule& real();

Boolean shade(Color* result, RenderState* state, FrameParams* params);

// Calls the real Pellasto.
inline Boolean forward(Color* result, RenderState* state, FrameParams* params) {
  return real().shade(result, state, params);
}

#if defined(FAULTY_OWN_HOST)
// The real module is given this module's handle and looks the host functions
// up here: the faulty module exports mi_phen_eval, mi_matrix_rotate_axis and
// mi_vector_transform itself, and reaches the host's through host(), looked
// up in the handle the host gave (null where the host has none).
struct Host {
  void* (*phen_eval)(RenderState*, void*);
  Boolean (*matrix_rotate_axis)(Matrix*, const Vector*, float);
  void (*vector_transform)(Vector*, const Vector*, const Matrix*);
};
const Host& host();

// The host's functions called as the real module would call them, also
// where the host lacks one: the parameter's own value, the identity, `in`.
void* host_phen_eval(RenderState* state, void* parameter);
Boolean host_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle);
void host_vector_transform(Vector* out, const Vector* in, const Matrix* m);

// What the faulty module does in place of each host function the real module
// calls, defined by each such module (null: the host's own, as above). The
// module's exported mi_* functions go there.
extern const Host faults;
#endif

}  // namespace faulty

#endif  // PELLASTO_CHECK_TESTS_FAULTY_FORWARD_H
