// The host entry-point table: host functions are looked up by name in the
// module the host named, on first use, and called through the remembered
// address afterwards.
//
// The table is filled lazily without a lock. Every slot is one lock-free
// pointer-sized atomic, so racing first calls may both look a function up and
// both store the same address; after that a bound call is one load of its slot
// and one indirect call.

#include "host/entry_table.h"

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/host_interface.h"
#include "platform/symbol_lookup.h"

namespace {

// The address of one host function, or null while it is not bound.
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

std::atomic<void*> module_handle{nullptr};
FunctionAddress HostEntryTable[kSlotCount];  // static storage: every slot starts null

// First use of a slot, or a use after a failed lookup: looks the function up
// in the host module and remembers what was found. Prints why when it fails.
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

// The host's address for `function`, bound on first use; null when the host
// module does not export it.
inline void* address_of(const HostFunction& function) {
  void* const address = HostEntryTable[function.slot].load(std::memory_order_acquire);
  return address != nullptr ? address : look_up(function);
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

// The module's own forwarding entries, called by the shader on its sample's
// thread with the shader's arguments. Hidden, so that a lookup can never bind
// the module to itself.

// Without the host's function nothing is evaluated: null, so that the shader
// reads the parameter's stored value.
void* mi_phen_eval(RenderState* state, void* parameter) {
  auto* const host = reinterpret_cast<decltype(&mi_phen_eval)>(address_of(kPhenEval));
  return host != nullptr ? host(state, parameter) : nullptr;
}

// Without the host's function `m` becomes the identity (no turn) and the
// result is 0.
Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  auto* const host =
      reinterpret_cast<decltype(&mi_matrix_rotate_axis)>(address_of(kMatrixRotateAxis));
  if (host != nullptr) {
    return host(m, axis, angle);
  }
  static constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  *m = kIdentity;
  return 0;
}

// Without the host's function `out` becomes a copy of `in` (which may be it).
void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  auto* const host =
      reinterpret_cast<decltype(&mi_vector_transform)>(address_of(kVectorTransform));
  if (host != nullptr) {
    host(out, in, m);
    return;
  }
  std::memmove(out, in, sizeof(Vector));
}

}  // extern "C"
