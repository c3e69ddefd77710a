// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's calls of host functions, inline at each call site: once a
// function is bound, a call is one load of its slot and one indirect call.
// Binding (the lookup, its messages, and what to do without the function) is
// out of line in host/entry_table.cpp, on the cold path.
#ifndef PELLASTO_HOST_BOUND_CALLS_H
#define PELLASTO_HOST_BOUND_CALLS_H

#include <atomic>

#include "host/host_interface.h"

#if defined(_WIN32)
#define PELLASTO_INTERNAL
#else
#define PELLASTO_INTERNAL __attribute__((visibility("hidden")))
#endif

namespace pellasto {

// Where a host function lives, once looked up: null until then, and after a
// lookup that found nothing.
using FunctionAddress = std::atomic<void*>;
static_assert(FunctionAddress::is_always_lock_free, "slots must be single words");

// The host numbers all of its functions; the module uses three of the slots.
constexpr int kSlotCount = 512;
constexpr int kPhenEvalSlot = 101;
constexpr int kVectorTransformSlot = 247;
constexpr int kMatrixRotateAxisSlot = 250;

extern PELLASTO_INTERNAL FunctionAddress HostEntryTable[kSlotCount];

using PhenEvalFunction = void* (*)(RenderState*, void*);
using MatrixRotateAxisFunction = Boolean (*)(Matrix*, const Vector*, float);
using VectorTransformFunction = void (*)(Vector*, const Vector*, const Matrix*);

// The first call of each function, or a call after a failed lookup: look it
// up, then call it or do without it. Cold: the branch to them is laid out as
// the unlikely one.
[[gnu::cold]] PELLASTO_INTERNAL void* bind_phen_eval(RenderState* state, void* parameter);
[[gnu::cold]] PELLASTO_INTERNAL Boolean bind_matrix_rotate_axis(Matrix* m,
                                                                const Vector* axis,
                                                                float angle);
[[gnu::cold]] PELLASTO_INTERNAL void bind_vector_transform(Vector* out, const Vector* in,
                                                           const Matrix* m);

template <typename Function>
[[gnu::always_inline]] inline Function bound(int slot) {
  return reinterpret_cast<Function>(HostEntryTable[slot].load(std::memory_order_acquire));
}

[[gnu::always_inline]] inline void* phen_eval(RenderState* state, void* parameter) {
  if (const auto host = bound<PhenEvalFunction>(kPhenEvalSlot); host != nullptr) {
    return host(state, parameter);
  }
  return bind_phen_eval(state, parameter);
}

[[gnu::always_inline]] inline Boolean matrix_rotate_axis(Matrix* m, const Vector* axis,
                                                         float angle) {
  if (const auto host = bound<MatrixRotateAxisFunction>(kMatrixRotateAxisSlot);
      host != nullptr) {
    return host(m, axis, angle);
  }
  return bind_matrix_rotate_axis(m, axis, angle);
}

[[gnu::always_inline]] inline void vector_transform(Vector* out, const Vector* in,
                                                    const Matrix* m) {
  if (const auto host = bound<VectorTransformFunction>(kVectorTransformSlot);
      host != nullptr) {
    host(out, in, m);
    return;
  }
  bind_vector_transform(out, in, m);
}

}  // namespace pellasto

#endif  // PELLASTO_HOST_BOUND_CALLS_H
