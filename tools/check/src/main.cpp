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
#include <windows.h>
#endif

#include "harness/module.h"
#include "pellasto_version.h"
#include "tools/check/src/checks.h"
#include "tools/check/src/image.h"
#include "tools/check/src/report.h"

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
// The processor family this program runs on, as read_image names machines.
#if defined(__aarch64__)
constexpr bool kArm64 = true;
#else
constexpr bool kArm64 = false;
#endif

// "an aarch64", "an x86", "a machine 40": the name with its article.
std::string with_article(const std::string& name) {
  const bool vowel =
      !name.empty() && std::string("aeiox").find(name[0]) != std::string::npos;
  return (vowel ? "an " : "a ") + name;
}

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
  const bool x86 = info.machine == "i386" || info.machine == "x86-64";
  if ((kArm64 && info.machine != "aarch64") || (!kArm64 && !x86)) {
    return "this is " + with_article(info.machine) + " module; " +
           with_article(kArm64 ? "aarch64" : "x86") + " host cannot load it: " + use;
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
  std::string loader;
  void* handle = harness::open_module(path, &loader);
  if (handle == nullptr) {
    o.error = load_failure(path, o.info, loader);
    o.status = kNotLoadable;
    return o;
  }
  harness::PellastoModule module{};
  std::string missing;
  harness::bind_pellasto(handle, &module, &missing);
  if (module.shade == nullptr) {
    o.error = "not the Pellasto shader's module: it exports no Pellasto";
    o.status = kNotLoadable;
    return o;
  }
  check::run_checks(module, threads, &o.report);
  o.status = o.report.failed() == 0 ? kAllPassed : kSomeFailed;
  // The module stays loaded: the threads and host functions are done with it,
  // and a module is never unloaded under a renderer either.
  return o;
}

void print_text(const Outcome& o) {
  std::printf("module: %s\n", o.module.c_str());
  if (!o.info.description.empty()) {
    std::printf("file: %s, version %s\n", o.info.description.c_str(),
                o.version.empty() ? "unknown" : o.version.c_str());
  }
  if (!o.error.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "pellasto-check: cannot check %s: %s\n", o.module.c_str(),
                 o.error.c_str());
    return;
  }
  for (const std::string& group : o.report.groups()) {
    int passed = 0, failed = 0;
    for (const check::CheckResult& c : o.report.checks()) {
      if (c.group == group) {
        (c.passed ? passed : failed) += 1;
      }
    }
    std::printf("%-11s %d passed, %d failed\n", (group + ":").c_str(), passed, failed);
    for (const check::CheckResult& c : o.report.checks()) {
      if (c.group == group && !c.passed) {
        std::printf("  FAILED %s: %s\n", c.name.c_str(),
                    c.detail.empty() ? "does not hold" : c.detail.c_str());
      }
    }
  }
  std::printf("pellasto-check: %d passed, %d failed\n", o.report.passed(),
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
        {"group", c.group}, {"name", c.name}, {"passed", c.passed}};
    if (!c.passed) {
      entry["detail"] = c.detail;
    }
    checks.push_back(entry);
  }
  j["checks"] = checks;
  j["passed"] = o.report.passed();
  j["failed"] = o.report.failed();
  std::printf("%s\n", j.dump(2).c_str());
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
  const Outcome o = run(module.empty() ? default_module() : module, threads);
  if (json) {
    print_json(o);
  } else {
    print_text(o);
  }
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
