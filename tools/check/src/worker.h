// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The worker: the only process that loads the module and calls it. The
// supervisor starts it from this program's own file (the worker's command
// line, protocol.h) and reads the events it writes on its channel.
#ifndef PELLASTO_CHECK_WORKER_H
#define PELLASTO_CHECK_WORKER_H

#include "tools/check/src/protocol.h"

namespace check {

// Runs the worker; the process's exit status.
int worker_main(const WorkerRequest& request);

}  // namespace check

#endif  // PELLASTO_CHECK_WORKER_H
