// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "host/symbol_lookup.h"

namespace pellasto {

void* find_symbol(void* module, const char* name, int* error) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  if (address == nullptr) {
    *error = static_cast<int>(GetLastError());
    return nullptr;
  }
  return reinterpret_cast<void*>(address);
}

}  // namespace pellasto
