// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host functions that pellasto-check exports from its own image, as a
// renderer does, and the means to count the module's lookups of them.
#ifndef PELLASTO_CHECK_PROGRAM_EXPORTS_H
#define PELLASTO_CHECK_PROGRAM_EXPORTS_H

#include "hostside/forwarding_module.h"

namespace check {

// Every call of the exported host functions goes to `hooks` (owned by the
// caller, which keeps them alive while the module may call the host).
void install_hooks(const HostHooks* hooks);

// Starts counting the lookups that the loaded module `pellasto` makes in this
// program's image (once per process: later calls only answer); false where
// they cannot be counted.
bool count_lookups(void* pellasto);

// The lookups of the named host function counted so far.
int lookups(const char* name);

// From now on lookups of the host functions in `mask` (1 mi_phen_eval,
// 2 mi_matrix_rotate_axis, 4 mi_vector_transform) in this program's image
// find nothing, as in a host that does not export them, whichever module
// looks; 0 shows them all again. False where they cannot be hidden.
bool hide_host_functions(unsigned mask);

}  // namespace check

#endif  // PELLASTO_CHECK_PROGRAM_EXPORTS_H
