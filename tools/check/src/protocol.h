// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The protocol between the supervisor and a worker, both ends: the worker's
// command line, the events it writes on its channel (a copy of its standard
// output), one line each, and what a worker whose channel is gone does.
//
// The events:
//   loaded                      the module loaded and exports Pellasto
//   no-shader                   it loaded but exports no Pellasto
//   unloadable <reason>         the loader refused it
//   begin <index>               a check of the catalogue starts
//   unloading                   the check that unloads the module starts;
//                               its result comes once the process's exit
//                               handlers have run
//   result <index> pass|fail|skip <detail>
//   done                        every check asked for has run
// Reasons and details are escaped so that each event stays on one line.
#ifndef PELLASTO_CHECK_PROTOCOL_H
#define PELLASTO_CHECK_PROTOCOL_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/check/src/catalogue.h"

namespace check {

// The first argument of a worker's command line.
inline constexpr const char* kWorkerFlag = "--worker-of-pellasto-check";
// A worker whose channel to the supervisor was closed waits this long for
// the supervisor to end it (the supervisor tells it from a module's exit by
// the channel closing while the worker lives on), then ends with this
// status, which the supervisor does not read as anything but an exit.
inline constexpr int kChannelLostSeconds = 60;
inline constexpr int kChannelLost = 86;

struct WorkerRequest {
  std::string module;
  std::vector<int> checks;  // indices in the catalogue, in order
  int threads = 1;
  std::uint64_t seed = 0;
  int repeat = 1;
  double fuzz_seconds = 0;  // --fuzz: how long the fuzz check shades (0: not asked)
};

// The worker's command line, kWorkerFlag first, and back (false: not a
// worker's command line).
std::vector<std::string> worker_arguments(const WorkerRequest& request);
bool parse_worker_arguments(int argc, char** argv, WorkerRequest* request);

struct Event {
  enum class Kind {
    kLoaded,
    kNoShader,
    kUnloadable,
    kBegin,
    kUnloading,
    kResult,
    kDone,
    kOther
  };
  Kind kind = Kind::kOther;
  int index = -1;      // begin, result: the check's index in the catalogue
  Result result;       // result: its status and detail
  std::string reason;  // unloadable: what the loader said

  static Event of(Kind kind) {
    Event e;
    e.kind = kind;
    return e;
  }
  static Event loaded() { return of(Kind::kLoaded); }
  static Event no_shader() { return of(Kind::kNoShader); }
  static Event unloadable(std::string why);
  static Event begin(int index);
  static Event unloading() { return of(Kind::kUnloading); }
  static Event finished(int index, Result result);
  static Event done() { return of(Kind::kDone); }
};

// An event as its line (without the line end), and a line as its event
// (kOther for a line that is none).
std::string encode(const Event& event);
Event decode(const std::string& line);

// A detail on one line and back: backslash, line ends and control bytes
// escaped.
std::string escape_detail(const std::string& text);
std::string unescape_detail(const std::string& text);

}  // namespace check

#endif  // PELLASTO_CHECK_PROTOCOL_H
