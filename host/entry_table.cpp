// The host entry-point table: host functions are looked up by name in the
// module the host named, on first use, and called through the remembered
// address afterwards.
//
// The table is filled lazily without a lock. Every slot is one lock-free
// pointer-sized atomic, so racing first calls may both look a function up and
// both store the same address; after that a bound call is one load and one
// indirect call.

#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/host_interface.h"
#include "platform/symbol_lookup.h"
#include "shader/pellasto.h"

namespace {

using Address = std::atomic<void*>;
static_assert(Address::is_always_lock_free, "slots must be single words");

// The host numbers all of its functions; the module uses three of the slots.
constexpr int kSlotCount = 512;

struct HostFunction {
  int slot;
  const char* name;
};

constexpr HostFunction kPhenEval{101, "mi_phen_eval"};
constexpr HostFunction kVectorTransform{247, "mi_vector_transform"};
constexpr HostFunction kMatrixRotateAxis{250, "mi_matrix_rotate_axis"};

Address module_handle{nullptr};
Address HostEntryTable[kSlotCount];  // static storage: every slot starts null

// First use of a slot, or a use after a failed lookup: look the function up
// in the host module and remember what was found. Prints why when it fails.
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

// The host function's address, or null when the host module lacks it.
template <typename Function>
inline Function bound(const HostFunction& function) {
  void* address = HostEntryTable[function.slot].load(std::memory_order_acquire);
  if (__builtin_expect(address == nullptr, 0)) {
    address = look_up(function);
  }
  return reinterpret_cast<Function>(address);
}

}  // namespace

extern "C" {

PELLASTO_EXPORT int miSetModuleHandle(void* host_module) {
  module_handle.store(host_module, std::memory_order_release);
  for (Address& slot : HostEntryTable) {
    slot.store(nullptr, std::memory_order_relaxed);
  }
  std::atomic_thread_fence(std::memory_order_release);
  return 0;
}

// The module's own forwarding entries: hidden, so that a lookup can never bind
// the module to itself. Without a host function to call they fall back to
// what leaves the shader's result sound: the parameter's stored value, no turn.

void* mi_phen_eval(RenderState* state, void* parameter) {
  auto host = bound<decltype(&mi_phen_eval)>(kPhenEval);
  return host != nullptr ? host(state, parameter) : nullptr;
}

Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  auto host = bound<decltype(&mi_matrix_rotate_axis)>(kMatrixRotateAxis);
  if (host != nullptr) {
    return host(m, axis, angle);
  }
  static constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0,  //
                                     0, 0, 1, 0, 0, 0, 0, 1}};
  *m = kIdentity;
  return 0;
}

void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  auto host = bound<decltype(&mi_vector_transform)>(kVectorTransform);
  if (host != nullptr) {
    host(out, in, m);
    return;
  }
  std::memmove(out, in, sizeof(Vector));
}

}  // extern "C"
