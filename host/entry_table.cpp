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

template <typename T>
struct Exactly {
  using type = T;
};

// First call of a host function (or a call after a failed lookup): binds it,
// then calls it, or `missing` when the host module lacks it. Kept out of line
// so that a bound call saves no registers for it.
template <typename Result, typename... Args>
[[gnu::noinline, gnu::cold]] Result call_unbound(const HostFunction& function,
                                                 Result (*missing)(Args...),
                                                 typename Exactly<Args>::type... args) {
  auto host = reinterpret_cast<Result (*)(Args...)>(look_up(function));
  return host != nullptr ? host(args...) : missing(args...);
}

// Calls the host function bound to `function`'s slot: one load of the slot and
// one indirect jump once it is bound.
template <typename Result, typename... Args>
inline Result call_host(const HostFunction& function, Result (*missing)(Args...),
                        typename Exactly<Args>::type... args) {
  void* address = HostEntryTable[function.slot].load(std::memory_order_acquire);
  if (__builtin_expect(address != nullptr, 1)) {
    return reinterpret_cast<Result (*)(Args...)>(address)(args...);
  }
  return call_unbound(function, missing, args...);
}

// Without a host function to call, the bound entries fall back to what leaves
// the shader's result sound: the parameter's stored value, no turn.
void* no_phen_eval(RenderState*, void*) { return nullptr; }

Boolean no_matrix_rotate_axis(Matrix* m, const Vector*, float) {
  static constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0,  //
                                     0, 0, 1, 0, 0, 0, 0, 1}};
  *m = kIdentity;
  return 0;
}

void no_vector_transform(Vector* out, const Vector* in, const Matrix*) {
  std::memmove(out, in, sizeof(Vector));
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
// the module to itself.

void* mi_phen_eval(RenderState* state, void* parameter) {
  return call_host(kPhenEval, no_phen_eval, state, parameter);
}

Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  return call_host(kMatrixRotateAxis, no_matrix_rotate_axis, m, axis, angle);
}

void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  call_host(kVectorTransform, no_vector_transform, out, in, m);
}

}  // extern "C"
