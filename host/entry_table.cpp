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

#include "host/host_interface.h"
#include "platform/symbol_lookup.h"

namespace {

// Where a host function lives, once looked up: null until then, and after a
// lookup that found nothing.
using FunctionAddress = std::atomic<void*>;
static_assert(FunctionAddress::is_always_lock_free, "slots must be single words");

// The host numbers all of its functions; the module uses three of the slots.
constexpr int kSlotCount = 512;

struct HostFunction {
  int slot;
  const char* name;
};

constexpr HostFunction kPhenEval{101, "mi_phen_eval"};
constexpr HostFunction kVectorTransform{247, "mi_vector_transform"};
constexpr HostFunction kMatrixRotateAxis{250, "mi_matrix_rotate_axis"};

FunctionAddress module_handle{nullptr};
FunctionAddress HostEntryTable[kSlotCount];  // static storage: every slot starts null

// First use of a slot, or a use after a failed lookup: look the function up
// in the host module and remember what was found. Prints why when it fails.
// Kept out of line so that a bound call saves no registers for it.
[[gnu::noinline, gnu::cold]] void* look_up(const HostFunction& function) {
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

// The address in `function`'s slot: null until it is looked up, and after a
// lookup that found nothing.
inline void* bound_address(const HostFunction& function) {
  return HostEntryTable[function.slot].load(std::memory_order_acquire);
}

using PhenEvalFunction = void* (*)(RenderState*, void*);
using MatrixRotateAxisFunction = Boolean (*)(Matrix*, const Vector*, float);
using VectorTransformFunction = void (*)(Vector*, const Vector*, const Matrix*);

// The first call of each host function, or a call after a failed lookup:
// binds it and calls it, or does without it. Out of line, so that a bound
// call is one load of the slot and one indirect jump, and saves no registers.

// Without the host's evaluation the shader reads the parameter's stored value
// (a null address says so).
[[gnu::noinline, gnu::cold]] void* unbound_phen_eval(RenderState* state,
                                                     void* parameter) {
  const auto host = reinterpret_cast<PhenEvalFunction>(look_up(kPhenEval));
  return host != nullptr ? host(state, parameter) : nullptr;
}

// Without the host's rotation `m` is the identity: the tangent is not turned.
[[gnu::noinline, gnu::cold]] Boolean unbound_matrix_rotate_axis(Matrix* m,
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
[[gnu::noinline, gnu::cold]] void unbound_vector_transform(Vector* out, const Vector* in,
                                                           const Matrix* m) {
  const auto host = reinterpret_cast<VectorTransformFunction>(look_up(kVectorTransform));
  if (host != nullptr) {
    host(out, in, m);
    return;
  }
  std::memmove(out, in, sizeof(Vector));
}

}  // namespace

extern "C" {

PELLASTO_EXPORT int miSetModuleHandle(void* host_module) {
  module_handle.store(host_module, std::memory_order_release);
  for (FunctionAddress& slot : HostEntryTable) {
    slot.store(nullptr, std::memory_order_relaxed);
  }
  std::atomic_thread_fence(std::memory_order_release);
  return 0;
}

// The module's own forwarding entries: hidden, so that a lookup can never bind
// the module to itself. Each calls the bound host function, or takes the
// unbound path above.

void* mi_phen_eval(RenderState* state, void* parameter) {
  if (const auto host = reinterpret_cast<PhenEvalFunction>(bound_address(kPhenEval))) {
    return host(state, parameter);
  }
  return unbound_phen_eval(state, parameter);
}

Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  if (const auto host =
          reinterpret_cast<MatrixRotateAxisFunction>(bound_address(kMatrixRotateAxis))) {
    return host(m, axis, angle);
  }
  return unbound_matrix_rotate_axis(m, axis, angle);
}

void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  if (const auto host =
          reinterpret_cast<VectorTransformFunction>(bound_address(kVectorTransform))) {
    host(out, in, m);
    return;
  }
  unbound_vector_transform(out, in, m);
}

}  // extern "C"
