// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host functions this program exports from its own image are the host
// modules' own (hostside/forwarding_module.cpp, compiled into the program,
// forwarding every call to the installed hooks); here the checks install their
// hooks and count the module's lookups in this image.
#include "tools/check/src/program_exports.h"

#include <cstring>

#include "hostside/lookup_count.h"
#include "hostside/module.h"
#include "tools/check/src/call_watch.h"

// Defined in hostside/forwarding_module.cpp, part of this program.
extern "C" void host_module_install(const HostHooks* hooks);

namespace check {

// The module's calls of the host are watched (call_watch.h).
void install_hooks(const HostHooks* hooks) {
  host_module_install(guard_host_hooks(hooks));
}

bool count_lookups([[maybe_unused]] void* pellasto) {
#if defined(__ELF__) && defined(__GLIBC__)
  return true;
#elif defined(_WIN32)
  // Patched once: a second wrapper would pass each lookup on to itself.
  static void* const patched = pellasto;
  static const bool counting = hostside::count_lookups_in(
      static_cast<HMODULE>(hostside::program_module()), static_cast<HMODULE>(pellasto));
  return counting && patched == pellasto;
#else
  return false;
#endif
}

int lookups(const char* name) { return hostside::lookups_named(name); }

#if defined(_WIN32)

namespace {

// The host functions' names in this program's export table, found once,
// before any is hidden; null where one is not there.
char** exported_names() {
  static char* names[3] = {};
  static const bool found = [] {
    auto* const base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.Size == 0) {
      return false;
    }
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* rvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
      char* name = reinterpret_cast<char*>(base + rvas[i]);
      for (int k = 0; k < 3; ++k) {
        if (std::strcmp(name, hostside::kHostFunctions[k]) == 0) {
          names[k] = name;
        }
      }
    }
    return true;
  }();
  return found ? names : nullptr;
}

}  // namespace

// A hidden function's exported name ends in a capital letter, which no module
// looks up: GetProcAddress, which searches the table in the image, finds
// nothing, whichever module asks, as in a host that lacks the function. No
// other name shares the changed name's stem, so the table stays sorted.
bool hide_host_functions(unsigned mask) {
  char** names = exported_names();
  if (names == nullptr) {
    return false;
  }
  const unsigned bit_of[3] = {1u, 2u, 4u};  // in the order of kHostFunctions
  for (int k = 0; k < 3; ++k) {
    char* name = names[k];
    if (name == nullptr) {
      return false;
    }
    char* last = name + std::strlen(name) - 1;
    const char wanted = (mask & bit_of[k]) != 0 ? static_cast<char>(*last & ~0x20)
                                                : static_cast<char>(*last | 0x20);
    if (*last == wanted) {
      continue;
    }
    DWORD protection = 0;
    if (!VirtualProtect(last, 1, PAGE_READWRITE, &protection)) {
      return false;
    }
    *last = wanted;
    VirtualProtect(last, 1, protection, &protection);
  }
  return true;
}

#elif defined(__ELF__) && defined(__GLIBC__)

bool hide_host_functions(unsigned mask) {
  hostside::hidden_lookups().store(mask);
  return true;
}

#else

bool hide_host_functions(unsigned) { return false; }

#endif

}  // namespace check
