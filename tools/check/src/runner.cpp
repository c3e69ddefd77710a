#include "tools/check/src/runner.h"

#include <string>

#include "tools/check/src/capture.h"
#include "tools/check/src/fp_state.h"

namespace check {

namespace {

// What was written on a stream, quoted on one line, with its size.
std::string written(const char* stream, const std::string& text, std::uint64_t bytes) {
  std::string quoted;
  for (char c : text.substr(0, 200)) {
    if (c == '\n') {
      quoted += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      quoted += '?';
    } else {
      quoted += c;
    }
  }
  return "the module wrote " + std::to_string(bytes) + " bytes on the standard " +
         stream + ": \"" + quoted + (bytes > 200 ? "...\"" : "\"");
}

void add_failure(Result* r, const std::string& why) {
  if (r->status != Result::Status::kFailed) {
    *r = Result::fail(why);
  } else {
    r->detail += "; " + why;
  }
}

}  // namespace

Result run_check(const Check& check, Context& context) {
  if (context.output != nullptr) {
    context.output->take();  // what came before is not this check's
  }
  const FpControl before = fp_control_now();
  Result r = check.run(context);
  const FpControl after = fp_control_now();
  const std::string changed = fp_control_change(before, after);
  if (!changed.empty()) {
    set_fp_control(before);
    add_failure(&r, "the floating-point control state changed: " + changed);
  }
  if (context.output != nullptr) {
    const CapturedOutput taken = context.output->take();
    if (!taken.lost.empty()) {
      add_failure(&r, taken.lost);
    }
    if (taken.out_bytes > 0) {
      add_failure(&r, written("output", taken.out, taken.out_bytes));
    }
    if (taken.err_bytes > 0 && !check.reads_stderr) {
      add_failure(&r, written("error", taken.err, taken.err_bytes));
    }
  }
  return r;
}

}  // namespace check
