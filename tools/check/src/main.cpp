// pellasto-check: a self-check that a pipeline engineer runs on the machine
// that renders. It says what the module file is, loads it the way a renderer
// does (this program exports the host functions itself and hands the module
// its own handle) and checks what a renderer relies on. Exit status: 0 every
// check held, 1 a check failed, 2 the module cannot be loaded or is not the
// Pellasto shader's module, 3 a usage error.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "harness/module.h"
#include "pellasto_version.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/fp_state.h"
#include "tools/check/src/image.h"
#include "tools/check/src/report.h"
#include "tools/check/src/runner.h"

namespace {

constexpr int kAllPassed = 0;
constexpr int kSomeFailed = 1;
constexpr int kNotLoadable = 2;
constexpr int kUsage = 3;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
constexpr bool kWindows = true;
#else
constexpr char kSeparator = '/';
constexpr bool kWindows = false;
#endif
constexpr int kWordSize = sizeof(void*) * 8;

// The report's streams: the module's output is captured from descriptors 1
// and 2, so the report goes to copies of them taken before.
FILE* g_out = stdout;
FILE* g_err = stderr;

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// The archive's shaders/ folder beside this program's bin/, or else this
// program's own folder (the build tree keeps both in bin/).
std::string default_module() {
  const std::string dir = harness::program_dir();
  const std::string file = harness::module_file("Pellasto");
  const std::string shaders =
      dir.substr(0, dir.find_last_of("\\/") + 1) + "shaders" + kSeparator + file;
  return exists(shaders) ? shaders : dir + kSeparator + file;
}

// Why a file of this kind cannot be loaded here, or empty if it can be tried.
std::string unloadable(const check::ImageInfo& info) {
  const std::string use = "use the " + std::string(PELLASTO_PLATFORM) + " build";
  switch (info.format) {
    case check::Format::kMissing:
      return "not found";
    case check::Format::kUnreadable:
      return "cannot be read";
    case check::Format::kOther:
      return "not a module: neither a Windows DLL (PE) nor a Linux shared object (ELF)";
    case check::Format::kPe:
    case check::Format::kElf:
      break;
  }
  if ((info.format == check::Format::kPe) != kWindows) {
    return std::string("this is a ") + (kWindows ? "Linux" : "Windows") + " module; a " +
           (kWindows ? "Windows" : "Linux") + " host cannot load it: " + use;
  }
  if (info.machine != "i386" && info.machine != "x86-64") {
    return "this module is built for " + info.machine + ", not x86: " + use;
  }
  if (info.word_size != kWordSize) {
    return "this is a " + std::to_string(info.word_size) + "-bit module; a " +
           std::to_string(kWordSize) + "-bit host cannot load it: " + use;
  }
  return "";
}

// The loader's reason, made plain where it is a missing library.
std::string load_failure(const std::string& path, const check::ImageInfo& info,
                         const std::string& loader) {
#if defined(_WIN32)
  if (loader.find("(error 126)") != std::string::npos) {
    // The file is there, so what is not found is a library it imports.
    std::string missing;
    int count = 0;
    for (const std::string& dll : info.needed) {
      if (HMODULE found =
              LoadLibraryExA(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        FreeLibrary(found);
      } else {
        missing += (count++ == 0 ? "" : ", ") + dll;
      }
    }
    if (count == 1) {
      return "a library it needs is missing: " + missing;
    }
    if (count > 1) {
      return "libraries it needs are missing: " + missing;
    }
  }
#else
  (void)info;
  const std::string missing = ": cannot open shared object file";
  const std::size_t at = loader.find(missing);
  if (at != std::string::npos) {
    const std::size_t start = loader.rfind(' ', at);
    const std::string library = loader.substr(start + 1, at - start - 1);
    if (library != path) {
      return "a library it needs is missing: " + library;
    }
  }
#endif
  const std::string prefix = "cannot load " + path + ": ";
  return loader.compare(0, prefix.size(), prefix) == 0 ? loader.substr(prefix.size())
                                                       : loader;
}

struct Outcome {
  std::string module;
  check::ImageInfo info;
  std::string version;
  std::string error;  // why the checks did not run
  check::Report report;
  int status = kAllPassed;
};

Outcome run(const std::string& path, int threads) {
  Outcome o;
  o.module = path;
  o.info = check::read_image(path);
  o.version = kWindows ? check::resource_version(path) : o.info.version;
  o.error = unloadable(o.info);
  if (!o.error.empty()) {
    o.status = kNotLoadable;
    return o;
  }
  static check::OutputCapture capture;  // before the module loads: it may write then
  const bool capturing = capture.start();
  const check::FpControl before_load = check::fp_control_now();
  std::string loader;
  void* handle = harness::open_module(path, &loader);
  if (handle == nullptr) {
    o.error = load_failure(path, o.info, loader);
    o.status = kNotLoadable;
    return o;
  }
  check::CapturedOutput at_load;
  if (capturing) {
    at_load = capture.take();
  }
  static harness::PellastoModule module{};
  std::string missing;
  harness::bind_pellasto(handle, &module, &missing);
  if (module.shade == nullptr) {
    o.error = "not the Pellasto shader's module: it exports no Pellasto";
    o.status = kNotLoadable;
    return o;
  }
  if (module.set_module_handle != nullptr) {
    module.set_module_handle(harness::program_module());
  }
  check::Context context;
  context.module = &module;
  context.threads = threads;
  context.before_load = before_load;
  context.output = capturing ? &capture : nullptr;
  context.load_output_seen = capturing && at_load.complete;
  context.stdout_at_load = at_load.out;
  context.stderr_at_load = at_load.err;
  context.stdout_bytes_at_load = at_load.out_bytes;
  context.stderr_bytes_at_load = at_load.err_bytes;
  for (const check::Check& c : check::catalogue()) {
    o.report.add(c.group, c.name, check::run_check(c, context));
  }
  o.status = o.report.failed() == 0 ? kAllPassed : kSomeFailed;
  // The module stays loaded: the threads and host functions are done with it,
  // and a module is never unloaded under a renderer either.
  return o;
}

void print_text(const Outcome& o) {
  std::fprintf(g_out, "module: %s\n", o.module.c_str());
  if (!o.info.description.empty()) {
    std::fprintf(g_out, "file: %s, version %s\n", o.info.description.c_str(),
                 o.version.empty() ? "unknown" : o.version.c_str());
  }
  if (!o.error.empty()) {
    std::fflush(g_out);
    std::fprintf(g_err, "pellasto-check: cannot check %s: %s\n", o.module.c_str(),
                 o.error.c_str());
    return;
  }
  for (const std::string& group : o.report.groups()) {
    const int skipped = o.report.count(check::Result::Status::kSkipped, group);
    std::fprintf(
        g_out, "%-11s %d passed, %d failed%s\n", (group + ":").c_str(),
        o.report.count(check::Result::Status::kPassed, group),
        o.report.count(check::Result::Status::kFailed, group),
        skipped > 0 ? (", " + std::to_string(skipped) + " skipped").c_str() : "");
    for (const check::CheckResult& c : o.report.checks()) {
      if (c.group == group && !c.passed()) {
        std::fprintf(g_out, "  %s %s: %s\n", c.failed() ? "FAILED" : "skipped",
                     c.name.c_str(),
                     c.result.detail.empty() ? "does not hold" : c.result.detail.c_str());
      }
    }
  }
  std::fprintf(g_out, "pellasto-check: %d passed, %d failed\n", o.report.passed(),
               o.report.failed());
}

void print_json(const Outcome& o) {
  nlohmann::ordered_json j;
  j["program"] = "pellasto-check";
  j["program_version"] = PELLASTO_VERSION;
  j["platform"] = PELLASTO_PLATFORM;
  j["module"] = o.module;
  // null where the file is not a module, or carries no version
  j["file"] = o.info.description.empty() ? nlohmann::ordered_json()
                                         : nlohmann::ordered_json(o.info.description);
  j["file_version"] =
      o.version.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(o.version);
  j["status"] = o.status;
  if (!o.error.empty()) {
    j["error"] = o.error;
  }
  nlohmann::ordered_json checks = nlohmann::ordered_json::array();
  for (const check::CheckResult& c : o.report.checks()) {
    nlohmann::ordered_json entry = {
        {"group", c.group}, {"name", c.name}, {"passed", c.passed()}};
    if (!c.passed()) {
      entry["detail"] = c.result.detail;
    }
    checks.push_back(entry);
  }
  j["checks"] = checks;
  j["passed"] = o.report.passed();
  j["failed"] = o.report.failed();
  std::fprintf(g_out, "%s\n", j.dump(2).c_str());
}

int check_main(int argc, char** argv) {
  CLI::App app{
      "Checks that a Pellasto module loads here and behaves as a renderer expects.\n"
      "Exit status: 0 every check passed, 1 a check failed, 2 the module cannot be\n"
      "loaded or is not the Pellasto shader's module, 3 a usage error.",
      "pellasto-check"};
  std::string module;
  const unsigned cores = std::thread::hardware_concurrency();
  int threads = cores > 0 ? static_cast<int>(cores) : 1;
  bool json = false;
  app.add_option("module", module,
                 "the module to check (default: ../shaders/" +
                     harness::module_file("Pellasto") +
                     " from this program's folder, else the one beside it)");
  app.add_option("-j,--threads", threads,
                 "threads shading at once (default: one per core)")
      ->check(CLI::Range(1, 256));
  app.add_flag("--json", json, "print the result as one JSON object");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
#if defined(_WIN32)
  g_out = _fdopen(_dup(1), "w");
  g_err = _fdopen(_dup(2), "w");
#else
  g_out = fdopen(dup(1), "w");
  g_err = fdopen(dup(2), "w");
#endif
  const Outcome o = run(module.empty() ? default_module() : module, threads);
  if (json) {
    print_json(o);
  } else {
    print_text(o);
  }
  std::fflush(g_out);
  std::fflush(g_err);
  return o.status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return check_main(argc, argv);
  } catch (const std::exception& e) {  // out of memory, or no threads: the checks stop
    std::fprintf(stderr, "pellasto-check: stopped: %s\n", e.what());
    return kSomeFailed;
  } catch (...) {
    std::fprintf(stderr, "pellasto-check: stopped\n");
    return kSomeFailed;
  }
}
