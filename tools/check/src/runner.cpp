// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/runner.h"

#include <string>

#include "tools/check/src/call_watch.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/fp_state.h"
#include "tools/check/src/process_state.h"

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
  const ProcessState process_before = process_state_now();
  const Allocations allocated_before = module_allocations();
  const FpControl before = fp_control_now();
  Result r = check.run(context);
  const FpControl after = fp_control_now();
  const std::string changed = fp_control_change(before, after);
  if (!changed.empty()) {
    set_fp_control(before);
    add_failure(&r, "the floating-point control state changed: " + changed);
  }
  const ProcessState process_after = process_state_after(process_before);
  for (const std::string& change : process_changes(process_before, process_after)) {
    add_failure(&r, change);
  }
  // What the next checks depend on is put back.
  restore_process_state(process_before);
  const std::string stray = take_stray_host_calls();
  if (!stray.empty()) {
    add_failure(&r, stray);
  }
  const Allocations allocated_after = module_allocations();
  if (allocated_after.blocks != allocated_before.blocks) {
    const std::uint64_t blocks = allocated_after.blocks - allocated_before.blocks;
    add_failure(&r, "the module allocated " + std::to_string(blocks) +
                        (blocks == 1 ? " block" : " blocks") + " on the heap (" +
                        std::to_string(allocated_after.bytes - allocated_before.bytes) +
                        " bytes) in its calls");
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
