// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include <cstdint>
#include <string>

#include "hostside/module.h"
#include "hostside/sample.h"
#include "tools/check/src/alloc_count.h"
#include "tools/check/src/call_watch.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/process_checks.h"

namespace check {

namespace {

constexpr const char* kUnloadName = "unloading the module leaves the process as it was";

Result load_leaves_process(Context&) {
  const ProcessWatch& w = process_watch();
  ProcessState after = w.after_load;
#if defined(_WIN32)
  // The Windows loader may start worker threads of its own while it loads a
  // DLL (wine's did in one release check in ten): a thread that appears
  // while the module loads is not known to be the module's. Threads started
  // in its calls are still counted, check by check.
  after.threads = w.before_load.threads;
#endif
  const std::string changed = joined(process_changes(w.before_load, after));
  return Result::holds(changed.empty(), "while it loaded: " + changed);
}

// Every entry once, and Pellasto in each mode, turned and unturned, with
// every parameter connected: the first calls too, where a lazy module would
// set itself up.
Result entries_allocate_nothing(const hostside::PellastoModule& m, Context&) {
  if (!allocations_counted()) {
    return Result::skip("heap allocations are counted on Linux (glibc) only");
  }
  std::string first;
  Allocations total{};
  const auto call = [&](const std::string& what, auto&& run) {
    const Allocations before = module_allocations();
    run();
    const Allocations after = module_allocations();
    if (after.blocks != before.blocks) {
      total.blocks += after.blocks - before.blocks;
      total.bytes += after.bytes - before.bytes;
      if (first.empty()) {
        first = what;
      }
    }
  };
  if (m.version != nullptr) {
    call("Pellasto_version", [&] { m.version(); });
  }
  if (m.init != nullptr) {
    hostside::Sample s;
    Boolean wanted = 1;
    call("Pellasto_init", [&] { m.init(&s.state, nullptr, &wanted); });
    call("Pellasto_init with parameters", [&] { m.init(&s.state, &s.params, &wanted); });
  }
  void* const host = hostside::program_module();
  call("miSetModuleHandle", [&] { m.set_module_handle(host); });
  for (std::int32_t mode : {0, 1, 2}) {
    for (float turns : {0.0f, 0.375f}) {
      hostside::Sample s;
      s.state.surface_normal = {0.0f, 0.6f, 0.8f};
      s.params.mode = mode;
      s.params.direction = {1, 2, 3};
      s.params.position = {-1, 2, 4};
      s.params.rotation = turns;
      s.connect_all();
      call("Pellasto, mode " + std::to_string(mode) + ", rotation " + show(turns),
           [&] { s.shade(m.shade); });
    }
  }
  if (m.exit != nullptr) {
    call("Pellasto_exit", [&] { m.exit(nullptr, nullptr); });
  }
  return Result::holds(total.blocks == 0, std::to_string(total.blocks) +
                                              " heap allocations (" +
                                              std::to_string(total.bytes) +
                                              " bytes), the first in " + first);
}

Result unload(Context&) {
  ProcessWatch& w = process_watch();
  if (w.handle == nullptr || w.unloaded) {
    return Result::skip("the module is not loaded");
  }
  hostside::close_module(w.handle);
  w.handle = nullptr;
  w.unloaded = true;
  // What unloading changed is found by the runner, as for every check.
  return Result::pass();
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back({"process", "loading the module leaves the process as it was",
                     load_leaves_process});
  checks->push_back(shading_check("process", "the entries allocate nothing on the heap",
                                  entries_allocate_nothing));
  checks->push_back({"process", kUnloadName, unload});
}

const GroupRegistration kRegistration(1500, "process", add_checks);

}  // namespace

ProcessWatch& process_watch() {
  static ProcessWatch watch;
  return watch;
}

bool is_unload_check(const Check& check) {
  return check.group == "process" && check.name == kUnloadName;
}

}  // namespace check
