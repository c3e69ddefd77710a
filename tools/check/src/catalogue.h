// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The catalogue of pellasto-check: every check of the module's behaviour as a
// host sees it, each with a stable group and name, run one at a time by a
// worker process (tools/check/src/worker.h) that loaded the module.
#ifndef PELLASTO_CHECK_CATALOGUE_H
#define PELLASTO_CHECK_CATALOGUE_H

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "hostside/module.h"
#include "tools/check/src/fp_state.h"

namespace check {

class OutputCapture;
struct CapturedOutput;

// What a check is handed: the loaded module, bound, with this program's own
// handle already given to it, and the run's settings.
struct Context {
  const hostside::PellastoModule* module = nullptr;
  int threads = 1;          // --threads: threads shading at once
  std::uint64_t seed = 0;   // --seed: what the inputs of randomised checks come from
  int repeat = 1;           // --repeat: how often randomised checks run
  double fuzz_seconds = 0;  // --fuzz: how long the fuzz check shades
  FpControl before_load{};  // the floating-point control state before the module loaded
  OutputCapture* output = nullptr;  // what the module writes while the check runs
  // What the module wrote on each stream while it loaded (null where the
  // streams cannot be captured).
  const CapturedOutput* load_output = nullptr;
};

struct Result {
  enum class Status { kPassed, kFailed, kSkipped };
  Status status = Status::kPassed;
  std::string detail;  // what was found, for a failed check; why, for a skipped one

  static Result pass() { return {Status::kPassed, ""}; }
  static Result fail(std::string why) { return {Status::kFailed, std::move(why)}; }
  static Result skip(std::string why) { return {Status::kSkipped, std::move(why)}; }
  // Passed when `held`, else failed with `why`.
  static Result holds(bool held, std::string why) {
    return held ? pass() : fail(std::move(why));
  }
};

struct Check {
  std::string group;  // "exports", "frame", ...: groups run in catalogue order
  std::string name;   // unique within its group, the same in every run
  std::function<Result(Context& context)> run;
  // The check reads the module's standard error itself (the messages it
  // expects); for every other check anything on it is a failure.
  bool reads_stderr = false;
};

// Every check, in the order they run: each group's checks, the groups in
// the order of their keys.
const std::vector<Check>& catalogue();

// A group's checks, appended in the order they run.
using AddChecks = void (*)(std::vector<Check>* checks);

// Each group of the catalogue is one file (checks/<group>.cpp) that
// registers itself with a static object of this type: its place in the run
// (groups run by ascending `order`, whatever order the program's objects are
// initialised in), its name and what adds its checks. The files are linked
// into the program as objects, not through a library, so that none of them is
// dropped for being unreferenced.
class GroupRegistration {
 public:
  GroupRegistration(int order, const char* group, AddChecks add);
};

// The groups registered, in the order they run.
std::vector<std::string> registered_groups();

}  // namespace check

#endif  // PELLASTO_CHECK_CATALOGUE_H
