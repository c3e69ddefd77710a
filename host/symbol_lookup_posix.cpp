// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include <dlfcn.h>

#include "host/symbol_lookup.h"

// The module must load on glibc 2.28 and later (the render farms' baseline).
// glibc 2.34 moved dlsym and dlerror from libdl into libc under a new symbol
// version, which older systems lack; the original versions are still there
// on every glibc, so the module asks for those. On glibc before 2.34 they are
// found in libdl, which the build names as a dependency for that reason.
#if defined(__GLIBC__)
#include "host/glibc_versions.h"
PELLASTO_GLIBC_BIND(dlsym, dlsym);
PELLASTO_GLIBC_BIND(dlerror, dlerror);
#endif

namespace pellasto {

void* find_symbol(void* module, const char* name, int* error) {
  // dlsym(NULL, ...) would search the whole process, where any library
  // exporting the name would do; a host that named no module gets nothing.
  if (module == nullptr) {
    *error = kLookupErrorNoModule;
    return nullptr;
  }
  void* address = dlsym(module, name);
  if (address == nullptr) {
    *error = kLookupErrorNotFound;
    dlerror();  // consume the pending message so the loader can release it
  }
  return address;
}

}  // namespace pellasto
