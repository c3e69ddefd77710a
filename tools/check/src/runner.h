// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Running one check of the catalogue on the loaded module, holding every
// call to what a renderer relies on whatever the check looks at.
#ifndef PELLASTO_CHECK_RUNNER_H
#define PELLASTO_CHECK_RUNNER_H

#include "tools/check/src/catalogue.h"

namespace check {

// Runs `check`. It fails, whatever it found itself, if the module wrote on
// the standard output, or on the standard error unless the check reads it
// (context.output, when it is there), or if it left the calling thread's
// floating-point control state changed; that state is put back after. It
// fails too if the module changed the process (process_state.h: the locale,
// the working folder, the umask and the signal mask are put back), called the
// host from a thread outside its calls, or allocated on the heap in a call.
Result run_check(const Check& check, Context& context);

}  // namespace check

#endif  // PELLASTO_CHECK_RUNNER_H
