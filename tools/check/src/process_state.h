// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What a module could change in the process that loads it, beside the
// floating-point state (fp_state.h): locale, working folder, umask,
// environment, signal dispositions and the calling thread's signal mask,
// interval and POSIX timers, threads, child processes and open descriptors (on
// Windows: threads, working folder, environment and the handle count), and
// the attempts to signal processes beyond the worker (signal_guard.h).
// The worker takes it before and after the module loads, around every check
// and around unloading; any difference is the module's doing.
#ifndef PELLASTO_CHECK_PROCESS_STATE_H
#define PELLASTO_CHECK_PROCESS_STATE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace check {

struct ProcessState {
  std::map<std::string, std::string> locale;  // "LC_NUMERIC" -> "C", ...
  bool thread_locale = false;                 // the calling thread has its own locale
  std::string cwd;
  int umask = -1;                                  // -1 where it cannot be read
  std::map<std::string, std::string> environment;  // name -> value
  // Signal number -> what it does ("default", "ignored", "handler 0x...
  // flags 0x..."), for every signal that can be caught.
  std::map<int, std::string> signals;
  std::vector<int> blocked;  // signals blocked on the calling thread
  // "ITIMER_REAL" -> "interval 0 s" for each armed timer (its time left is
  // not compared: it runs down).
  std::map<std::string, std::string> timers;
  // Linux: POSIX timers (timer_create) by their id -> "CLOCK_MONOTONIC,
  // signal SIGUSR2" (or "present", where the system does not list them).
  std::map<long, std::string> posix_timers;
  int threads = -1;                        // -1 where they cannot be counted
  std::vector<long> children;              // process ids of the process's children
  std::map<int, std::string> descriptors;  // descriptor -> what it names
  long handles = -1;                       // Windows: the process's handle count
  std::uint64_t signal_attempts = 0;       // stopped by the signal guard so far
};

ProcessState process_state_now();

// The state after something ran that started from `before`. A thread that
// ends, or a child that is reaped, leaves the system's lists a little after
// it is joined: where the counts are still up this waits for them a short
// while (only then), so that what the checker itself joined is not taken for
// the module's.
ProcessState process_state_after(const ProcessState& before);

// What changed from `before` to `after`, one sentence each ("the module
// changed the locale: LC_NUMERIC C -> de_DE.UTF-8", "the module started 1
// thread", ...), in a fixed order; empty if nothing did.
std::vector<std::string> process_changes(const ProcessState& before,
                                         const ProcessState& after);

// Puts back what later work depends on, where it differs from `s`: the
// locale, the working folder, the umask and the calling thread's signal mask.
void restore_process_state(const ProcessState& s);

// The sentences joined with "; ".
std::string joined(const std::vector<std::string>& changes);

}  // namespace check

#endif  // PELLASTO_CHECK_PROCESS_STATE_H
