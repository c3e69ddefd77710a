// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Looking a function up by name in a loaded module, with the system's loader
// (GetProcAddress, dlsym): how the entry-point table (host/entry_table.cpp)
// finds the host functions in the module the host named, and the only
// service of the operating system the module calls.
#ifndef PELLASTO_HOST_SYMBOL_LOOKUP_H
#define PELLASTO_HOST_SYMBOL_LOOKUP_H

namespace pellasto {

// Error numbers reported by the POSIX lookup, chosen to match what Windows
// reports for the same failures.
constexpr int kLookupErrorNoModule = 126;  // null module handle
constexpr int kLookupErrorNotFound = 127;  // the module exports no such name

// Returns the address of `name` in `module`, or null. On failure `*error` is
// the system's error code, read straight after the failed lookup. Thread-safe.
void* find_symbol(void* module, const char* name, int* error);

}  // namespace pellasto

#endif  // PELLASTO_HOST_SYMBOL_LOOKUP_H
