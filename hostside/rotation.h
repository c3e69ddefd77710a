// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host's rotation and direction transform (what mi_matrix_rotate_axis and
// mi_vector_transform do), as every program that plays the host computes
// them: row-major matrices acting on column vectors, counter-clockwise about
// the axis seen from its tip; and the turns and expected tangent the checks
// compare the module's frame with. Written apart from the module's own maths
// (shader/frame_math.h) on purpose: it is what that maths is checked against.
#ifndef PELLASTO_HOSTSIDE_ROTATION_H
#define PELLASTO_HOSTSIDE_ROTATION_H

#include "host/host_interface.h"

namespace hostside {

// Fills `m` with the rotation by `angle` radians about `axis` (need not be unit
// length). An axis of no length gives the identity and 0.
Boolean rotate_axis(Matrix* m, const Vector* axis, float angle);

// Writes `in` turned by the upper 3 x 3 of `m` into `out` (may be `in`).
void transform_direction(Vector* out, const Vector* in, const Matrix* m);

// True when `turns` is not a whole number of turns: its remainder after
// division by 1 is neither zero nor undefined.
bool is_fractional_turn(float turns);

// `turns` in radians, as the shader hands it to the host.
float turn_angle(float turns);

// The tangent of the frame about the unit normal `n` for the direction `d`,
// turned by `turns` with rotate_axis when that is a fractional turn: the
// reference model's (hostside/reference_model.h, model_tangent).
Vector expected_tangent(Vector n, Vector d, float turns);

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_ROTATION_H
