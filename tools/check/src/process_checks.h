// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The checks of the "process" group (checks/process.cpp, the last group:
// unloading ends what can be checked in a worker): loading the module leaves the process
// as it was, the entries allocate nothing on the heap, and unloading the module leaves
// the process as it was and ends well. The worker fills the watch in as it loads the
// module.
#ifndef PELLASTO_CHECK_PROCESS_CHECKS_H
#define PELLASTO_CHECK_PROCESS_CHECKS_H

#include <vector>

#include "tools/check/src/catalogue.h"
#include "tools/check/src/process_state.h"

namespace check {

struct ProcessWatch {
  ProcessState before_load;  // just before the module was loaded
  ProcessState after_load;   // once it was loaded and given the host's handle
  void* handle = nullptr;    // the loaded module, until it is unloaded
  bool unloaded = false;
};

ProcessWatch& process_watch();

// The check that unloads the module.
bool is_unload_check(const Check& check);

}  // namespace check

#endif  // PELLASTO_CHECK_PROCESS_CHECKS_H
