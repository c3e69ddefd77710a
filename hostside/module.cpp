// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "hostside/module.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/auxv.h>
#include <unistd.h>
#endif

namespace hostside {

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "host setup: %s\n", what.c_str());
  std::abort();
}

template <typename Function>
bool bind(void* module, const char* name, Function* out, std::string* missing) {
  *out = reinterpret_cast<Function>(find_export(module, name));
  if (*out == nullptr && missing->empty()) {
    *missing = name;
  }
  return *out != nullptr;
}

template <typename Function>
Function require(void* module, const char* name) {
  std::string missing;
  Function f = nullptr;
  if (!bind(module, name, &f, &missing)) {
    fail("missing export " + missing);
  }
  return f;
}

}  // namespace

#if defined(_WIN32)

std::string program_file() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
}

std::string program_dir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

std::string module_file(const std::string& base_name) { return base_name + ".dll"; }

void* open_module(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    const DWORD code = GetLastError();
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, text, sizeof text, nullptr);
    std::string why(text);
    while (!why.empty() &&
           (why.back() == '\n' || why.back() == '\r' || why.back() == '.')) {
      why.pop_back();
    }
    *error = "cannot load " + path + ": " + why + " (error " + std::to_string(code) + ")";
  }
  return module;
}

void close_module(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

void* find_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void* program_module() { return GetModuleHandleA(nullptr); }

constexpr char kSeparator = '\\';

#else

std::string program_file() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) {
    return std::string(path, static_cast<size_t>(n));
  }
  // Without /proc (a chroot, a container without it): the path the program
  // was started by, taken from the folder it started in (this process never
  // changes folder), its links resolved.
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the auxiliary vector holds an address
  const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (started == nullptr || *started == '\0') {
    return "";
  }
  char* real = realpath(started, nullptr);
  if (real == nullptr) {
    return "";
  }
  std::string file(real);
  std::free(real);
  return access(file.c_str(), X_OK) == 0 ? file : "";
}

std::string program_dir() {
  const std::string s = program_file();
  if (s.empty()) {
    fail("cannot find the running program");
  }
  return s.substr(0, s.find_last_of('/'));
}

std::string module_file(const std::string& base_name) { return base_name + ".so"; }

void* open_module(const std::string& path, std::string* error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    *error = "cannot load " + (why != nullptr ? std::string(why) : path);
  }
  return module;
}

void close_module(void* module) { dlclose(module); }

void* find_export(void* module, const char* name) { return dlsym(module, name); }

void* program_module() { return dlopen(nullptr, RTLD_NOW); }

constexpr char kSeparator = '/';

#endif

void* load_beside(const std::string& file_name) {
  std::string error;
  void* module = open_module(program_dir() + kSeparator + file_name, &error);
  if (module == nullptr) {
    fail(error);
  }
  return module;
}

bool bind_pellasto(void* handle, PellastoModule* module, std::string* missing) {
  PellastoModule& m = *module;
  m.handle = handle;
  bind(handle, "Pellasto", &m.shade, missing);
  bind(handle, "Pellasto_version", &m.version, missing);
  bind(handle, "Pellasto_init", &m.init, missing);
  bind(handle, "Pellasto_exit", &m.exit, missing);
  bind(handle, "miSetModuleHandle", &m.set_module_handle, missing);
  return missing->empty();
}

const PellastoModule& pellasto() {
  static const PellastoModule module = [] {
    PellastoModule m{};
    std::string missing;
    if (!bind_pellasto(load_beside(module_file("Pellasto")), &m, &missing)) {
      fail("missing export " + missing);
    }
    return m;
  }();
  return module;
}

std::string failed_lookup_pattern(const char* name, void* handle) {
  char shown[32];
  std::snprintf(shown, sizeof shown, "%08" PRIxPTR,
                reinterpret_cast<std::uintptr_t>(handle));
  return "dlsym failed on \"" + std::string(name) + "\" \\(handle: " + shown +
         " error: [0-9]+\\)\n";
}

HostModule load_host(const std::string& base_name, bool exports_host_functions) {
  HostModule host{};
  host.handle = load_beside(module_file(base_name));
  host.install = require<HostInstallFn>(host.handle, "host_module_install");
  if (exports_host_functions) {
    host.lookups = require<HostLookupsFn>(host.handle, "host_module_lookups");
  }
  return host;
}

}  // namespace hostside
