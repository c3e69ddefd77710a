// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Counting the Pellasto module's lookups of host functions by name, for the
// programs and host modules that export the host functions: each counts the
// lookups made in its own image. On glibc every dlsym() of an indirect
// function runs its resolver, so an image counts by exporting the host
// functions as indirect functions whose resolvers call count_lookup(). On
// Windows the module looks names up through GetProcAddress, called through
// its import address table: count_lookups_in() points that entry at a
// wrapper that counts the lookups naming the image and passes each call on.
// On glibc the image can also hide a host function (hidden_lookups()).
#ifndef PELLASTO_HOSTSIDE_LOOKUP_COUNT_H
#define PELLASTO_HOSTSIDE_LOOKUP_COUNT_H

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace hostside {

// The lookups of each host function counted in this image; null for a name
// that is not a host function's.
inline std::atomic<int>* lookups_of(const char* name) {
  static std::atomic<int> phen_eval{0}, matrix_rotate_axis{0}, vector_transform{0};
  if (std::strcmp(name, "mi_phen_eval") == 0) {
    return &phen_eval;
  }
  if (std::strcmp(name, "mi_matrix_rotate_axis") == 0) {
    return &matrix_rotate_axis;
  }
  if (std::strcmp(name, "mi_vector_transform") == 0) {
    return &vector_transform;
  }
  return nullptr;
}

inline void count_lookup(const char* name) {
  if (std::atomic<int>* count = lookups_of(name)) {
    ++*count;
  }
}

inline int lookups_named(const char* name) {
  const std::atomic<int>* count = lookups_of(name);
  return count != nullptr ? count->load() : 0;
}

// Host functions this image pretends not to export, for the indirect
// functions' resolvers: a lookup of one of them is counted but finds nothing,
// as in a host that lacks it. Each is one bit, in the order of the names in
// lookups_of().
inline std::atomic<unsigned>& hidden_lookups() {
  static std::atomic<unsigned> hidden{0};
  return hidden;
}

inline bool is_hidden(const char* name) {
  const unsigned hidden = hidden_lookups().load();
  return (hidden & 1u && std::strcmp(name, "mi_phen_eval") == 0) ||
         (hidden & 2u && std::strcmp(name, "mi_matrix_rotate_axis") == 0) ||
         (hidden & 4u && std::strcmp(name, "mi_vector_transform") == 0);
}

#if defined(_WIN32)

namespace lookup_count_detail {

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);

inline std::atomic<GetProcAddressFn>& next_lookup() {
  static std::atomic<GetProcAddressFn> next{nullptr};
  return next;
}

inline std::atomic<HMODULE>& counted_module() {
  static std::atomic<HMODULE> module{nullptr};
  return module;
}

inline FARPROC WINAPI counting_lookup(HMODULE module, LPCSTR name) {
  // Names below 0x10000 are ordinals, not strings.
  if (module == counted_module().load() && reinterpret_cast<ULONG_PTR>(name) > 0xffff) {
    count_lookup(name);
  }
  return next_lookup().load()(module, name);
}

}  // namespace lookup_count_detail

// Puts a counting wrapper into the import address table of the loaded
// Pellasto module `pellasto` in place of KERNEL32's GetProcAddress: from then
// on each of its lookups naming `counted` (this image) is counted, and every
// lookup is passed on (to the real function, or to the wrapper of an image
// that patched the table before). False if the table has no such entry.
// Call once per image, on one thread, before shading.
inline bool count_lookups_in(HMODULE counted, HMODULE pellasto) {
  using namespace lookup_count_detail;
  counted_module().store(counted);
  auto* const base = reinterpret_cast<unsigned char*>(pellasto);
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
      next_lookup().store(reinterpret_cast<GetProcAddressFn>(slots->u1.Function));
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(&counting_lookup);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection,
                     &protection);
      return true;
    }
  }
  return false;
}

#endif  // _WIN32

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_LOOKUP_COUNT_H
