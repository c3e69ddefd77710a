// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's calls as the checks make them: every entry the checks call
// goes through a wrapper that marks the calling thread as inside the module
// and counts the heap allocations made there (alloc_count.h); every host
// function the module calls sees whether its thread is inside a call of the
// module (a host knows the thread it is shading on), and counts nothing of
// its own.
#ifndef PELLASTO_CHECK_CALL_WATCH_H
#define PELLASTO_CHECK_CALL_WATCH_H

#include <string>

#include "hostside/forwarding_module.h"
#include "hostside/module.h"
#include "tools/check/src/alloc_count.h"

namespace check {

// `module` with each entry it exports replaced by its watched wrapper (one
// module per process).
hostside::PellastoModule watch_calls(const hostside::PellastoModule& module);

// Hooks that note a call from a thread outside the module's calls and pass
// every call on to `hooks` (kept alive by the caller, as hooks are); null
// stays null.
const HostHooks* guard_host_hooks(const HostHooks* hooks);

// The host calls made from threads outside every call of the module since
// the last time this was asked, described; empty if there were none.
std::string take_stray_host_calls();

// The allocations counted inside the module's calls so far.
Allocations module_allocations();

}  // namespace check

#endif  // PELLASTO_CHECK_CALL_WATCH_H
