// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The rendering host as this module sees it: the host-owned records the shader
// reads and writes, and the host functions it calls back.
//
// Byte positions are those of the host's 32-bit x86 layout. Explicit padding
// keeps every field the module touches at the same position on 64-bit builds
// too (both pointers sit on 8-byte boundaries there), so one declaration serves
// every platform the module ships for.
#ifndef PELLASTO_HOST_HOST_INTERFACE_H
#define PELLASTO_HOST_HOST_INTERFACE_H

#include <cstddef>
#include <cstdint>

extern "C" {

// Host boolean: 1 for true, 0 for false.
typedef std::int32_t Boolean;

struct Vector {
  float x, y, z;
};

struct Color {
  float r, g, b, a;
};

// A 4 x 4 matrix in the host's own element order; the module only passes it
// between two host functions and never looks inside.
struct Matrix {
  float m[16];
};

// The record of the shader the host is running.
struct ShaderRecord {
  unsigned char host_reserved0[96];
  // 0: the parameters carry no connection words. Otherwise the distance in
  // bytes from each parameter to its 32-bit connection word, which the host
  // makes non-zero when it has connected that parameter.
  std::int32_t connection_offset;
};

// One shading sample's render state. Only the named fields are used.
struct RenderState {
  unsigned char host_reserved0[168];
  Vector surface_point;   // the point being shaded
  Vector surface_normal;  // unit length
  unsigned char host_reserved1[240 - 192];
  Vector* surface_derivatives;  // at least two writable entries, or null
  unsigned char host_reserved2[16 - sizeof(void*)];
  ShaderRecord* current_shader;  // the shader now running
};

static_assert(offsetof(ShaderRecord, connection_offset) == 96, "host layout");
static_assert(offsetof(RenderState, surface_point) == 168, "host layout");
static_assert(offsetof(RenderState, surface_normal) == 180, "host layout");
static_assert(offsetof(RenderState, surface_derivatives) == 240, "host layout");
static_assert(offsetof(RenderState, current_shader) == 256, "host layout");
static_assert(sizeof(Vector) == 12 && sizeof(Color) == 16, "host layout");
static_assert(sizeof(Matrix) == 64 && sizeof(Boolean) == 4, "host layout");

// Host functions the shader calls back. The host exports them under these
// names; the module binds them at run time (host/entry_table.cpp).

// Called by the shader on its sample's thread; `parameter` is the address of
// one of the running shader's parameters, owned by the host. Returns the
// address of that parameter's current value, host-owned and valid until the
// shader returns (the host runs whatever is connected to it).
void* mi_phen_eval(RenderState* state, void* parameter);

// Called by the shader on its sample's thread; fills the caller's `m` with the
// rotation by `angle` radians about `axis` (host-owned, read only).
Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle);

// Called by the shader on its sample's thread; writes `in` transformed by `m`
// as a direction into `out` (both caller-owned, may be the same vector).
void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m);

}  // extern "C"

#endif  // PELLASTO_HOST_HOST_INTERFACE_H
