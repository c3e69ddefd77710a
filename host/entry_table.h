// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The entry through which the host names the module that exports its
// functions. The table it fills is in host/entry_table.cpp.
#ifndef PELLASTO_HOST_ENTRY_TABLE_H
#define PELLASTO_HOST_ENTRY_TABLE_H

#include "host/module_export.h"

extern "C" {

// Called by the host before any shading, on any one thread, with the handle of
// the host module that exports the mi_* functions (the host keeps ownership).
// Forgets every host function bound so far. Returns 0.
PELLASTO_EXPORT int miSetModuleHandle(void* host_module);

typedef int (*PellastoSetModuleHandleFn)(void*);

}  // extern "C"

#endif  // PELLASTO_HOST_ENTRY_TABLE_H
