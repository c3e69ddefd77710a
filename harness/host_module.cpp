// A host module (see host_module.h). Built as often as a program needs
// modules with the same exports (so that a test can tell which module a call
// reached by the hooks installed in each), with HOST_MODULE_EXPORTS_NOTHING as
// a module lacking the host functions, and with one or both of
// HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS and HOST_MODULE_WITHOUT_VECTOR_TRANSFORM
// as one lacking that function; HOST_MODULE_WITHOUT_ROTATION stands for both
// (a module that exports only mi_phen_eval).

#include "harness/host_module.h"

#if defined(HOST_MODULE_WITHOUT_ROTATION)
#define HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS
#define HOST_MODULE_WITHOUT_VECTOR_TRANSFORM
#endif

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#define HOST_MODULE_EXPORT __declspec(dllexport)
#else
#define HOST_MODULE_EXPORT __attribute__((visibility("default")))
#endif

namespace {
std::atomic<const HostHooks*> installed{nullptr};
}  // namespace

extern "C" HOST_MODULE_EXPORT void host_module_install(const HostHooks* hooks) {
  installed.store(hooks);
}

#if !defined(HOST_MODULE_EXPORTS_NOTHING)

namespace {

void* phen_eval(RenderState* state, void* parameter) {
  const HostHooks* h = installed.load();
  return h->phen_eval(h->context, state, parameter);
}

[[maybe_unused]] Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  const HostHooks* h = installed.load();
  return h->matrix_rotate_axis(h->context, m, axis, angle);
}

[[maybe_unused]] void vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  const HostHooks* h = installed.load();
  h->vector_transform(h->context, out, in, m);
}

// Lookups of each host function in this module, where the platform lets the
// module count them (below).
std::atomic<int> phen_eval_lookups{0};
std::atomic<int> matrix_rotate_axis_lookups{0};
std::atomic<int> vector_transform_lookups{0};

[[maybe_unused]] std::atomic<int>* lookups_of(const char* name) {
  if (std::strcmp(name, "mi_phen_eval") == 0) {
    return &phen_eval_lookups;
  }
  if (std::strcmp(name, "mi_matrix_rotate_axis") == 0) {
    return &matrix_rotate_axis_lookups;
  }
  if (std::strcmp(name, "mi_vector_transform") == 0) {
    return &vector_transform_lookups;
  }
  return nullptr;
}

[[maybe_unused]] int lookups_named(const char* name) {
  const std::atomic<int>* count = lookups_of(name);
  return count != nullptr ? count->load() : 0;
}

}  // namespace

#if defined(__ELF__) && defined(__GLIBC__)
// On glibc every dlsym() of an indirect function runs its resolver, so the
// resolvers count the lookups made in this module.

extern "C" {
decltype(&phen_eval) resolve_phen_eval() {
  ++phen_eval_lookups;
  return phen_eval;
}
[[maybe_unused]] decltype(&matrix_rotate_axis) resolve_matrix_rotate_axis() {
  ++matrix_rotate_axis_lookups;
  return matrix_rotate_axis;
}
[[maybe_unused]] decltype(&vector_transform) resolve_vector_transform() {
  ++vector_transform_lookups;
  return vector_transform;
}
HOST_MODULE_EXPORT void* mi_phen_eval(RenderState*, void*)
    __attribute__((ifunc("resolve_phen_eval")));
#if !defined(HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS)
HOST_MODULE_EXPORT Boolean mi_matrix_rotate_axis(Matrix*, const Vector*, float)
    __attribute__((ifunc("resolve_matrix_rotate_axis")));
#endif
#if !defined(HOST_MODULE_WITHOUT_VECTOR_TRANSFORM)
HOST_MODULE_EXPORT void mi_vector_transform(Vector*, const Vector*, const Matrix*)
    __attribute__((ifunc("resolve_vector_transform")));
#endif

HOST_MODULE_EXPORT int host_module_lookups(const char* name) {
  return lookups_named(name);
}
}  // extern "C"

#else  // no indirect functions: plain exports

extern "C" {
HOST_MODULE_EXPORT void* mi_phen_eval(RenderState* state, void* parameter) {
  return phen_eval(state, parameter);
}
#if !defined(HOST_MODULE_WITHOUT_MATRIX_ROTATE_AXIS)
HOST_MODULE_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis,
                                                 float angle) {
  return matrix_rotate_axis(m, axis, angle);
}
#endif
#if !defined(HOST_MODULE_WITHOUT_VECTOR_TRANSFORM)
HOST_MODULE_EXPORT void mi_vector_transform(Vector* out, const Vector* in,
                                            const Matrix* m) {
  vector_transform(out, in, m);
}
#endif
}  // extern "C"

#if defined(_WIN32)
// On Windows the Pellasto module looks functions up through GetProcAddress,
// called through its import address table. Each test host points that table
// entry at a wrapper that counts the lookups naming this host module and then
// passes the call on (to the real function, or to the wrapper of a host module
// patched before), so the counts are of the module's own lookups.
namespace {

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
std::atomic<GetProcAddressFn> next_lookup{nullptr};
std::atomic<HMODULE> this_module{nullptr};

FARPROC WINAPI counting_lookup(HMODULE module, LPCSTR name) {
  // Names below 0x10000 are ordinals, not strings.
  if (module == this_module.load() && reinterpret_cast<ULONG_PTR>(name) > 0xffff) {
    if (std::atomic<int>* count = lookups_of(name)) ++*count;
  }
  return next_lookup.load()(module, name);
}

// Puts counting_lookup into the loaded Pellasto module's import address table
// in place of KERNEL32's GetProcAddress. False if the module is not loaded.
bool patch_pellasto_lookups() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&counting_lookup), &self);
  this_module.store(self);
  auto* const base = reinterpret_cast<unsigned char*>(GetModuleHandleA("Pellasto.dll"));
  if (base == nullptr) return false;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
           base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "kernel32.dll") != 0) {
      continue;
    }
    auto* names =
        reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), "GetProcAddress") !=
          0) {
        continue;
      }
      DWORD protection = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                          &protection)) {
        return false;
      }
      next_lookup.store(reinterpret_cast<GetProcAddressFn>(slots->u1.Function));
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(&counting_lookup);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection,
                     &protection);
      return true;
    }
  }
  return false;
}

}  // namespace

// Called by the test on its own thread, once the Pellasto module is loaded;
// the first call installs the counting wrapper. -1 if it could not be.
extern "C" HOST_MODULE_EXPORT int host_module_lookups(const char* name) {
  static const bool counting = patch_pellasto_lookups();
  return counting ? lookups_named(name) : -1;
}

#else
extern "C" HOST_MODULE_EXPORT int host_module_lookups(const char*) { return -1; }
#endif

#endif
#endif  // !HOST_MODULE_EXPORTS_NOTHING
