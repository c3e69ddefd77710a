// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host entry-point table: host functions are looked up by name in the
// module the host named, on first use, and called through the remembered
// address afterwards.
//
// The table is filled lazily without a lock. Every slot is one lock-free
// pointer-sized atomic, so racing first calls may both look a function up and
// both store the same address; after that a bound call is one load and one
// indirect call.

#include "host/entry_table.h"

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/bound_calls.h"
#include "host/host_interface.h"
#include "host/symbol_lookup.h"

namespace pellasto {

FunctionAddress HostEntryTable[kSlotCount];  // static storage: every slot starts null

}  // namespace pellasto

namespace {

using pellasto::FunctionAddress;
using pellasto::HostEntryTable;

struct HostFunction {
  int slot;
  const char* name;
};

constexpr HostFunction kPhenEval{pellasto::kPhenEvalSlot, "mi_phen_eval"};
constexpr HostFunction kVectorTransform{pellasto::kVectorTransformSlot,
                                        "mi_vector_transform"};
constexpr HostFunction kMatrixRotateAxis{pellasto::kMatrixRotateAxisSlot,
                                         "mi_matrix_rotate_axis"};

FunctionAddress module_handle{nullptr};

// First use of a slot, or a use after a failed lookup: look the function up
// in the host module and remember what was found. Prints why when it fails.
void* look_up(const HostFunction& function) {
  void* const handle = module_handle.load(std::memory_order_acquire);
  if (handle == nullptr) {
    std::fprintf(stderr, "DYNLOAD: dl_handle null\n");
  }
  int error = 0;
  void* const address = pellasto::find_symbol(handle, function.name, &error);
  HostEntryTable[function.slot].store(address, std::memory_order_release);
  if (address == nullptr) {
    std::fprintf(stderr, "dlsym failed on \"%s\" (handle: %08" PRIxPTR " error: %d)\n",
                 function.name, reinterpret_cast<std::uintptr_t>(handle), error);
  }
  return address;
}

}  // namespace

namespace pellasto {

// Out of line and cold, so that a bound call at the call site saves no
// registers for them.

// Without the host's evaluation the shader reads the parameter's stored value
// (a null address says so).
[[gnu::noinline, gnu::cold]] void* bind_phen_eval(RenderState* state, void* parameter) {
  const auto host = reinterpret_cast<PhenEvalFunction>(look_up(kPhenEval));
  return host != nullptr ? host(state, parameter) : nullptr;
}

// Without the host's rotation `m` is the identity: the tangent is not turned.
[[gnu::noinline, gnu::cold]] Boolean bind_matrix_rotate_axis(Matrix* m,
                                                             const Vector* axis,
                                                             float angle) {
  const auto host =
      reinterpret_cast<MatrixRotateAxisFunction>(look_up(kMatrixRotateAxis));
  if (host != nullptr) {
    return host(m, axis, angle);
  }
  *m = Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  return 0;
}

// Without the host's transform `out` is `in`, unchanged.
[[gnu::noinline, gnu::cold]] void bind_vector_transform(Vector* out, const Vector* in,
                                                        const Matrix* m) {
  const auto host = reinterpret_cast<VectorTransformFunction>(look_up(kVectorTransform));
  if (host != nullptr) {
    host(out, in, m);
    return;
  }
  std::memmove(out, in, sizeof(Vector));
}

}  // namespace pellasto

extern "C" {

PELLASTO_EXPORT int miSetModuleHandle(void* host_module) {
  module_handle.store(host_module, std::memory_order_release);
  for (FunctionAddress& slot : HostEntryTable) {
    slot.store(nullptr, std::memory_order_relaxed);
  }
  std::atomic_thread_fence(std::memory_order_release);
  return 0;
}

}  // extern "C"
