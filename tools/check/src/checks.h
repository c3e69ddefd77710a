// The checks pellasto-check runs on a loaded module, playing the host with
// the harness: each adds its results to the report under its group.
#ifndef PELLASTO_CHECK_CHECKS_H
#define PELLASTO_CHECK_CHECKS_H

#include "harness/module.h"
#include "tools/check/src/report.h"

namespace check {

// Runs every group on the module bound in `module` (entries it lacks are
// null; the checks that need them fail). `threads` shade at once in the
// thread check.
void run_checks(const harness::PellastoModule& module, int threads, Report* report);

}  // namespace check

#endif  // PELLASTO_CHECK_CHECKS_H
