// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// pellasto-check: a self-check that a pipeline engineer runs on the machine
// that renders. It says what each module file named is and has worker
// processes load it the way a renderer does (this program exports the host
// functions itself and hands the module its own handle) and run the checks
// of what a renderer relies on. Exit status: 0 every check held, 1 a check
// failed, 2 a module cannot be loaded or is not the Pellasto shader's module,
// 3 a usage error; with several modules, the worst of them.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "pellasto_version.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/defaults.h"
#include "tools/check/src/output.h"
#include "tools/check/src/supervisor.h"
#include "tools/check/src/text.h"
#include "tools/check/src/worker.h"

namespace {

using check::kUsage;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// The archive's shaders/ folder beside this program's bin/, or else this
// program's own folder (the build tree keeps both in bin/); empty if this
// program cannot find its own file.
std::string default_module() {
  const std::string self = hostside::program_file();
  if (self.empty()) {
    return "";
  }
  const std::string dir = self.substr(0, self.find_last_of("\\/"));
  const std::string file = hostside::module_file("Pellasto");
  const std::string shaders =
      dir.substr(0, dir.find_last_of("\\/") + 1) + "shaders" + kSeparator + file;
  return exists(shaders) ? shaders : dir + kSeparator + file;
}

// A number as the help shows a default: "30", "0.5".
std::string shown_number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

int check_main(int argc, char** argv) {
  CLI::App app{
      "Checks that Pellasto modules load here and behave as a renderer expects. Each\n"
      "module is loaded and called only in worker processes: a crash, an exit or a\n"
      "hang inside it fails the check in progress, and the others still run.\n"
      "Exit status: 0 every check passed, 1 a check failed, 2 a module cannot be\n"
      "checked (not found, not a module for this platform, cannot be loaded, not the\n"
      "Pellasto shader's), 3 a usage error; with several modules, the worst.",
      "pellasto-check"};
  std::vector<std::string> modules;
  int threads = check::default_threads();
  double fuzz = 0;
  bool json = false, list = false, version = false;
  std::string junit;
  std::vector<std::string> only, skip;
  std::uint64_t seed = 0;
  int repeat = check::kDefaultRepeat;
  double timeout = check::kDefaultTimeoutSeconds;
  app.add_option("module", modules,
                 "the modules to check, each its own report (default: ../shaders/" +
                     hostside::module_file("Pellasto") +
                     " from this program's folder, else the one beside it)");
  app.add_option(
         "-j,--threads", threads,
         "threads shading at once in the threads check (default: one per core, at "
         "least " +
             std::to_string(check::kLeastDefaultThreads) + "; 1 skips that check)")
      ->check(CLI::Range(1, check::kMaxThreads));
  app.add_option("--fuzz", fuzz,
                 "also shade random samples across every path for SECONDS, each compared "
                 "with the reference model (default: off; replay with --seed)")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.0, check::kMaxSeconds));
  app.add_flag("--json", json,
               "print the result as one JSON object (an array for several)");
  app.add_option("--junit", junit, "also write the result as JUnit XML to this file");
  app.add_flag("--list", list, "list the checks (group/name) that would run, and stop");
  app.add_option(
         "--only", only,
         "run only the checks matching PATTERN (repeatable): a glob over group/name "
         "with * and ?, or without them any part of it")
      ->type_name("PATTERN")
      ->allow_extra_args(false);
  app.add_option("--skip", skip, "leave out the checks matching PATTERN (repeatable)")
      ->type_name("PATTERN")
      ->allow_extra_args(false);
  const CLI::Option* seed_given =
      app.add_option("--seed", seed,
                     "the seed of randomised inputs, to replay a run (default: a new "
                     "one, printed)")
          ->check(CLI::Range(std::uint64_t{0}, check::kMaxSeed));
  app.add_option("--repeat", repeat,
                 "run randomised checks N times (default " +
                     std::to_string(check::kDefaultRepeat) + ")")
      ->check(CLI::Range(1, check::kMaxRepeat));
  app.add_option("--timeout", timeout,
                 "seconds each check may take before it fails and its worker is ended "
                 "(default " +
                     shown_number(check::kDefaultTimeoutSeconds) +
                     "); the whole run may take " +
                     std::to_string(check::kBudgetInTimeouts) +
                     " times this, and the checks left then fail as not run")
      ->type_name("SECONDS")
      ->check(CLI::Range(check::kLeastTimeoutSeconds, check::kMaxSeconds));
  app.add_flag("--version", version, "print the version and stop");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  if (version) {
    std::printf("pellasto-check %s (%s)\n", PELLASTO_VERSION, PELLASTO_PLATFORM);
    return 0;
  }

  check::RunSettings settings;
  const std::vector<check::Check>& checks = check::catalogue();
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const auto hit = [&](const std::string& p) {
      return check::selects(p, checks[i].group + "/" + checks[i].name);
    };
    // The fuzz check runs exactly when --fuzz is given.
    if (checks[i].group == check::kFuzzGroup) {
      if (fuzz > 0) {
        settings.selected.push_back(static_cast<int>(i));
      }
      continue;
    }
    if ((only.empty() || std::any_of(only.begin(), only.end(), hit)) &&
        std::none_of(skip.begin(), skip.end(), hit)) {
      settings.selected.push_back(static_cast<int>(i));
    }
  }
  if (list) {
    if (json) {
      std::printf("%s\n", check::json_list(settings.selected).c_str());
    } else {
      for (int i : settings.selected) {
        const check::Check& c = checks[static_cast<std::size_t>(i)];
        std::printf("%s/%s\n", c.group.c_str(), c.name.c_str());
      }
    }
    return 0;
  }
  if (settings.selected.empty()) {
    std::fprintf(stderr,
                 "pellasto-check: no check matches --only and --skip (see --list)\n");
    return kUsage;
  }
  if (seed_given->count() == 0) {
    std::random_device random;
    seed = ((std::uint64_t{random()} << 21) ^ random()) & check::kMaxSeed;
  }
  if (fuzz > 0) {
    timeout = std::max(timeout, fuzz + check::kFuzzGraceSeconds);
  }
  settings.threads = threads;
  settings.seed = seed;
  settings.repeat = repeat;
  settings.fuzz_seconds = fuzz;
  settings.timeout = timeout;
  if (modules.empty()) {
    modules.push_back(default_module());
    if (modules.back().empty()) {
      std::fprintf(stderr,
                   "pellasto-check: cannot find this program's own file, nor the module "
                   "beside it (/proc is not mounted?): name the module to check\n");
      return kUsage;
    }
  }

  std::vector<check::Outcome> outcomes;
  int status = 0;
  for (const std::string& path : modules) {
    const auto headers = [&](const check::Outcome& o) {
      if (!json) {
        check::print_headers(stdout, o, seed);
      }
    };
    const auto group = [&](const check::Outcome& o, const std::string& name) {
      if (!json) {
        check::print_group(stdout, o, name);
      }
    };
    outcomes.push_back(check::check_module(path, settings, headers, group));
    const check::Outcome& o = outcomes.back();
    status = std::max(status, o.status);
    if (!json) {
      std::fflush(stdout);
      check::print_error(stderr, o);
      if (modules.size() > 1) {
        check::print_totals(stdout, "total:     ", {o});
      }
    }
  }
  if (!junit.empty()) {
    std::FILE* file = std::fopen(junit.c_str(), "wb");
    const std::string xml = check::junit_report(outcomes, seed);
    if (file == nullptr || std::fwrite(xml.data(), 1, xml.size(), file) != xml.size() ||
        std::fclose(file) != 0) {
      std::fprintf(stderr, "pellasto-check: cannot write %s\n", junit.c_str());
      status = std::max(status, 1);
    }
  }
  if (json) {
    std::printf("%s\n", check::json_report(outcomes, seed).c_str());
  } else {
    check::print_totals(stdout, "pellasto-check:", outcomes);
  }
  return status;
}

}  // namespace

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
// Built with AddressSanitizer (the asan preset): a crash in a worker is the
// module's signal, for the supervisor to name, not a sanitizer's report that
// ends the worker with status 1.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0";
}
#endif
#endif

int main(int argc, char** argv) {
  check::WorkerRequest request;
  if (check::parse_worker_arguments(argc, argv, &request)) {
    return check::worker_main(request);
  }
  try {
    return check_main(argc, argv);
  } catch (const std::exception& e) {  // out of memory: the checks stop
    std::fprintf(stderr, "pellasto-check: stopped: %s\n", e.what());
    std::printf("pellasto-check: 0 passed, 1 failed\n");
    return check::kSomeFailed;
  } catch (...) {
    std::fprintf(stderr, "pellasto-check: stopped\n");
    std::printf("pellasto-check: 0 passed, 1 failed\n");
    return check::kSomeFailed;
  }
}
