// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the module to show that the export check notices an
// entry the module must not have.
#include "shader/pellasto.h"

// Never called: only the dynamic symbol table is read, by the check.
extern "C" PELLASTO_EXPORT int Pellasto_debug(void) { return 0; }
