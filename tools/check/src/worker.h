// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The worker: the only process that loads the module and calls it. The
// supervisor starts it from this program's own file (hidden worker mode on
// the command line) and reads what it writes on its standard output, one
// line per event:
//   loaded                      the module loaded and exports Pellasto
//   no-shader                   it loaded but exports no Pellasto
//   unloadable <reason>         the loader refused it
//   begin <index>               a check of the catalogue starts
//   unloading                   the check that unloads the module starts;
//                               its result comes once the process's exit
//                               handlers have run
//   result <index> pass|fail|skip <detail>
//   done                        every check asked for has run
// Details are escaped so each event stays on one line.
#ifndef PELLASTO_CHECK_WORKER_H
#define PELLASTO_CHECK_WORKER_H

#include <cstdint>
#include <string>
#include <vector>

namespace check {

inline constexpr const char* kWorkerFlag = "--worker-of-pellasto-check";
// The exit status of a worker whose channel to the supervisor was closed.
inline constexpr int kChannelLost = 86;

struct WorkerRequest {
  std::string module;
  std::vector<int> checks;  // indices in the catalogue, in order
  int threads = 1;
  std::uint64_t seed = 0;
  int repeat = 1;
  double fuzz_seconds = 0;  // --fuzz: how long the fuzz check shades (0: not asked)
};

// The worker's command line after kWorkerFlag, and back.
std::vector<std::string> worker_arguments(const WorkerRequest& request);
bool parse_worker_arguments(int argc, char** argv, WorkerRequest* request);

// Runs the worker; the process's exit status.
int worker_main(const WorkerRequest& request);

}  // namespace check

#endif  // PELLASTO_CHECK_WORKER_H
