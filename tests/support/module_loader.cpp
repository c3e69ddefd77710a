#include "tests/support/module_loader.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace pellasto_test {

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "test setup: %s\n", what.c_str());
  std::abort();
}

template <typename Function>
Function require(void* module, const char* name) {
  void* address = find_export(module, name);
  if (address == nullptr) fail(std::string("missing export ") + name);
  return reinterpret_cast<Function>(address);
}

HostModule load_host(const std::string& base_name, bool exports_host_functions) {
  HostModule host{};
  host.handle = load_module(module_file(base_name));
  host.install = require<TestHostInstallFn>(host.handle, "test_host_install");
  if (exports_host_functions) {
    host.lookups = require<TestHostLookupsFn>(host.handle, "test_host_lookups");
  }
  return host;
}

}  // namespace

#if defined(_WIN32)

std::string program_dir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

void* load_module(const std::string& file_name) {
  std::string path = program_dir() + "\\" + file_name;
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) fail("cannot load " + path);
  return module;
}

void* find_export(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

std::string module_file(const std::string& base_name) { return base_name + ".dll"; }

#else

std::string program_dir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) fail("cannot find the test program");
  std::string s(path, static_cast<size_t>(n));
  return s.substr(0, s.find_last_of('/'));
}

void* load_module(const std::string& file_name) {
  std::string path = program_dir() + "/" + file_name;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) fail("cannot load " + path + ": " + dlerror());
  return module;
}

void* find_export(void* module, const char* name) { return dlsym(module, name); }

std::string module_file(const std::string& base_name) { return base_name + ".so"; }

#endif

const PellastoModule& pellasto() {
  static const PellastoModule module = [] {
    PellastoModule m{};
    m.handle = load_module(module_file("Pellasto"));
    m.shade = require<PellastoShaderFn>(m.handle, "Pellasto");
    m.version = require<PellastoVersionFn>(m.handle, "Pellasto_version");
    m.init = require<PellastoInitFn>(m.handle, "Pellasto_init");
    m.exit = require<PellastoExitFn>(m.handle, "Pellasto_exit");
    m.set_module_handle =
        require<PellastoSetModuleHandleFn>(m.handle, "miSetModuleHandle");
    return m;
  }();
  return module;
}

const HostModule& host_a() {
  static const HostModule host = load_host("test_host_a", true);
  return host;
}

const HostModule& host_b() {
  static const HostModule host = load_host("test_host_b", true);
  return host;
}

const HostModule& host_without_rotation() {
  static const HostModule host = load_host("test_host_partial", true);
  return host;
}

const HostModule& host_without_exports() {
  static const HostModule host = load_host("test_host_empty", false);
  return host;
}

}  // namespace pellasto_test
