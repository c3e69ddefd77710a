// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the module linked against the compiler's runtime DLLs,
// to show that the import check notices them.
#include <string>

// Never called (and not exported): it only makes the DLL import the runtime.
std::string pellasto_describe(int version) {
  return "Pellasto " + std::to_string(version);
}
