// The host functions that pellasto-check exports from its own image, as a
// renderer does, and the means to count the module's lookups of them.
#ifndef PELLASTO_CHECK_HOST_FUNCTIONS_H
#define PELLASTO_CHECK_HOST_FUNCTIONS_H

#include "harness/host_module.h"

namespace check {

// Every call of the exported host functions goes to `hooks` (owned by the
// caller, which keeps them alive while the module may call the host).
void install_hooks(const HostHooks* hooks);

// Starts counting the lookups that the loaded module `pellasto` makes in this
// program's image; false where they cannot be counted.
bool count_lookups(void* pellasto);

// The lookups of the named host function counted so far.
int lookups(const char* name);

}  // namespace check

#endif  // PELLASTO_CHECK_HOST_FUNCTIONS_H
