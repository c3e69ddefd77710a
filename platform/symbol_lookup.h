// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Looking a function up by name in a loaded module: the only platform service
// the module needs.
#ifndef PELLASTO_PLATFORM_SYMBOL_LOOKUP_H
#define PELLASTO_PLATFORM_SYMBOL_LOOKUP_H

namespace pellasto {

// Error numbers reported by the POSIX lookup, chosen to match what Windows
// reports for the same failures.
constexpr int kLookupErrorNoModule = 126;  // null module handle
constexpr int kLookupErrorNotFound = 127;  // the module exports no such name

// Returns the address of `name` in `module`, or null. On failure `*error` is
// the system's error code, read straight after the failed lookup. Thread-safe.
void* find_symbol(void* module, const char* name, int* error);

}  // namespace pellasto

#endif  // PELLASTO_PLATFORM_SYMBOL_LOOKUP_H
