// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/supervisor.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "pellasto_version.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/process.h"
#include "tools/check/src/protocol.h"
#include "tools/check/src/text.h"

namespace check {

namespace {

#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif
constexpr int kWordSize = sizeof(void*) * 8;

// "an aarch64", "an x86", "a riscv": the name with its article.
std::string with_article(const std::string& name) {
  const bool vowel =
      !name.empty() && std::string("aeiox").find(name[0]) != std::string::npos;
  return (vowel ? "an " : "a ") + name;
}

// Why a file of this kind cannot be loaded here, or empty if it can be tried.
std::string unloadable(const std::string& path, const ImageInfo& info) {
  const std::string use = "use the " + std::string(PELLASTO_PLATFORM) + " build";
  if (!info.problem.empty()) {
    return info.problem;
  }
  if (info.format == Format::kOther) {
    return "not a module: neither a Windows DLL (PE) nor a Linux shared object (ELF)";
  }
  if ((info.format == Format::kPe) != kWindows) {
    return std::string("this is a ") + (kWindows ? "Linux" : "Windows") + " module; a " +
           (kWindows ? "Windows" : "Linux") + " host cannot load it: " + use;
  }
  if (!info.machine.empty() && info.family != kOwnMachineFamily) {
    return "this is " + with_article(info.machine) + " module; " +
           with_article(kOwnMachineFamily) + " host cannot load it: " + use;
  }
  if (info.word_size != 0 && info.word_size != kWordSize) {
    return "this is a " + std::to_string(info.word_size) + "-bit module; a " +
           std::to_string(kWordSize) + "-bit host cannot load it: " + use;
  }
  if (info.truncated) {
    return "cannot load " + path + ": the file is truncated or corrupt";
  }
  return "";
}

// The loader's reason, made plain where it is a missing library: one the
// file itself names (its own name may hold spaces, colons, anything).
std::string load_failure(const std::string& path, const ImageInfo& info,
                         const std::string& loader) {
  std::string missing;
  int count = 0;
#if defined(_WIN32)
  // The loader caught an exception in the module's start-up code and gives
  // its code as the error.
  const std::size_t error_at = loader.rfind("(error ");
  const unsigned long code =
      error_at == std::string::npos
          ? 0
          : std::strtoul(loader.c_str() + error_at + 7, nullptr, 10);
  if (code >= 0xC0000000UL) {
    return "cannot load " + path + ": the module's start-up code " +
           describe_exception(code);
  }
  // The same, as some loaders report it: the exception's code translated
  // (ERROR_NOACCESS for an access violation), or the start-up code failed.
  if (code == 998 || code == 1114) {
    const std::string prefix = "cannot load " + path + ": ";
    const std::string reason = loader.compare(0, prefix.size(), prefix) == 0
                                   ? loader.substr(prefix.size())
                                   : loader;
    return prefix + "the module's start-up code failed (the loader says: " + reason + ")";
  }
  if (loader.find("(error 126)") != std::string::npos) {
    // The file is there, so what is not found is a library it imports.
    for (const std::string& dll : info.needed) {
      if (HMODULE found =
              LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        FreeLibrary(found);
      } else {
        missing += (count++ == 0 ? "" : ", ") + dll;
      }
    }
  }
#else
  for (const std::string& library : info.needed) {
    if (loader.find(library + ": cannot open shared object file") != std::string::npos) {
      missing += (count++ == 0 ? "" : ", ") + library;
    }
  }
#endif
  if (count == 1) {
    return "a library it needs is missing: " + missing;
  }
  if (count > 1) {
    return "libraries it needs are missing: " + missing;
  }
  const std::string prefix = "cannot load " + path + ": ";
  return loader.compare(0, prefix.size(), prefix) == 0 ? loader.substr(prefix.size())
                                                       : loader;
}

// How a worker that ended in the middle is reported.
std::string ended(const std::string& how) {
  if (how.rfind("crashed", 0) == 0) {
    return how;
  }
  return "the module ended the process: " + (how.empty() ? "exit status 0" : how);
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", s);
  return text;
}

}  // namespace

Outcome check_module(
    const std::string& path, const RunSettings& settings,
    const std::function<void(const Outcome&)>& headers_read,
    const std::function<void(const Outcome&, const std::string&)>& group_done) {
  Outcome o;
  o.module = path;
  o.info = read_image(path);
  o.version = o.info.version;
  o.error = unloadable(path, o.info);
  if (headers_read) {
    headers_read(o);
  }
  if (!o.error.empty()) {
    o.status = kNotLoadable;
    return o;
  }
  const std::vector<Check>& checks = catalogue();
  using Clock = WorkerProcess::Clock;
  const auto timeout = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(settings.timeout));
  const auto load_time = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(kLeastLoadSeconds));
  const double budget = settings.timeout * kBudgetInTimeouts;
  const Clock::time_point run_end =
      settings.started +
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget));
  const std::string spent = "the run's budget of " + seconds(budget) + " s was spent";
  std::size_t next = 0;  // the first selected check without a result
  bool loaded_once = false;
  const auto record = [&](std::size_t at, Result r) {
    const Check& c = checks[static_cast<std::size_t>(settings.selected[at])];
    o.report.add(c.group, c.name, std::move(r));
    const bool last_of_group =
        at + 1 == settings.selected.size() ||
        checks[static_cast<std::size_t>(settings.selected[at + 1])].group != c.group;
    if (last_of_group && group_done) {
      group_done(o, c.group);
    }
  };
  const auto not_run = [&] {
    while (next < settings.selected.size()) {
      record(next++, Result::fail("not run: " + spent));
    }
  };
  while (next < settings.selected.size() || !loaded_once) {
    if (Clock::now() >= run_end) {
      not_run();
      break;
    }
    WorkerRequest request;
    request.module = o.info.load_path;
    request.checks.assign(settings.selected.begin() + static_cast<long>(next),
                          settings.selected.end());
    request.threads = settings.threads;
    request.seed = settings.seed;
    request.repeat = settings.repeat;
    request.fuzz_seconds = settings.fuzz_seconds;
    WorkerProcess worker;
    std::string why;
    if (!worker.start(worker_arguments(request), &why)) {
      o.error = why;
      o.status = kSomeFailed;
      return o;
    }
    bool loaded = false, done = false;
    // After "unloading" the module's unload and exit handlers run: the
    // result of the check that unloads it holds once the worker has ended.
    bool unloading = false, holding = false;
    Result held;
    const auto at_unload = [](const std::string& how) {
      return how.rfind("crashed with ", 0) == 0
                 ? "the module crashed while unloading: " + how.substr(13)
                 : how + " while it was unloaded";
    };
    std::string fault;  // how the worker ended, when it ended early
    std::string how;    // its exit status or signal, as wait() says it
    bool timed_out = false;
    bool closed = false;  // the module closed the worker's channel
    // Loading gets the check's time, and never less than kLeastLoadSeconds.
    // No deadline passes the run's.
    const auto until = [&](Clock::duration d) {
      return std::min(Clock::now() + d, run_end);
    };
    auto deadline = until(std::max(timeout, load_time));
    double allowed = std::max(settings.timeout, kLeastLoadSeconds);
    for (;;) {
      std::string line;
      const WorkerProcess::Next got = worker.next_line(&line, deadline);
      if (got == WorkerProcess::Next::kTimeout) {
        worker.kill();
        worker.wait(Clock::now() + timeout);
        timed_out = true;
        fault = deadline >= run_end ? "not finished when " + spent
                                    : "timed out after " + seconds(allowed) + " s";
        break;
      }
      if (got == WorkerProcess::Next::kEnd) {
        how = worker.wait(Clock::now() + timeout);
        // A worker that lost its channel waits to be ended: one that ended
        // with any status ended as the module made it.
        closed = worker.output_closed_early();
        fault = closed ? "the module closed the worker's descriptors, its channel to "
                         "pellasto-check among them"
                       : ended(how);
        if (worker.pipe_held()) {
          fault +=
              " (a process the module started, out of the worker's group, kept "
              "the worker's pipes open)";
        }
        if (unloading) {
          fault = at_unload(fault);
        }
        break;
      }
      const Event event = decode(line);
      if (event.kind == Event::Kind::kUnloading) {
        unloading = true;
        continue;
      }
      if (event.kind == Event::Kind::kLoaded) {
        loaded = loaded_once = true;
        allowed = settings.timeout;
        deadline = until(timeout);
      } else if (event.kind == Event::Kind::kUnloadable ||
                 event.kind == Event::Kind::kNoShader) {
        worker.wait(Clock::now() + timeout);
        o.error = event.kind == Event::Kind::kNoShader
                      ? "not the Pellasto shader's module: it exports no Pellasto"
                      : load_failure(o.info.load_path, o.info, event.reason);
        o.status = kNotLoadable;
        return o;
      } else if (event.kind == Event::Kind::kBegin) {
        deadline = until(timeout);
      } else if (event.kind == Event::Kind::kResult && next < settings.selected.size()) {
        if (event.index != settings.selected[next]) {
          continue;
        }
        Result r = event.result;
        if (unloading) {
          held = std::move(r);
          holding = true;
          continue;
        }
        record(next++, std::move(r));
        deadline = until(timeout);
      } else if (event.kind == Event::Kind::kDone) {
        done = true;
        how = worker.wait(Clock::now() + timeout);
        if (holding) {
          record(next++,
                 how.empty() ? std::move(held) : Result::fail(at_unload(ended(how))));
        }
        break;
      }
    }
    if (done) {
      if (next < settings.selected.size()) {  // checks the worker did not know of
        o.error = "the worker left checks unrun";
        o.status = kSomeFailed;
        return o;
      }
      break;
    }
    if (!loaded && loaded_once && next < settings.selected.size()) {
      // It loaded before: this time the module failed while loading.
      record(next++, Result::fail("while the module loaded again: " + fault));
      continue;
    }
    if (!loaded && timed_out && Clock::now() >= run_end) {
      not_run();  // the budget ran out before the module was loaded
      break;
    }
    if (!loaded) {
      // The module's own start-up code (constructors, DllMain) runs as it
      // loads: what ended the worker then is that code's. A file whose
      // headers say it is cut short was refused before.
      const std::string code = "cannot load " + path + ": the module's start-up code ";
      if (timed_out) {
        o.error = code + "did not finish within " + seconds(allowed) + " s";
      } else if (closed) {
        o.error = code + "closed the worker's descriptors";
      } else if (how.rfind("crashed", 0) == 0) {
        o.error = code + how;
      } else {
        o.error = code + "ended the process: " + (how.empty() ? "exit status 0" : how);
      }
      if (worker.pipe_held()) {
        o.error += " (and a process it started kept the worker's pipes open)";
      }
      o.status = kNotLoadable;
      return o;
    }
    if (next >= settings.selected.size()) {
      // Every check had its result, then the worker ended badly.
      break;
    }
    // Ended in a check, or between two: the next check is the one that did
    // not finish.
    record(next++, Result::fail(fault));
  }
  o.status = o.report.failed() == 0 ? kAllPassed : kSomeFailed;
  return o;
}

}  // namespace check
