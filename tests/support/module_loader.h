// Loading modules by path, as a renderer does: the built Pellasto module and
// the test host modules, all found beside the test program.
#ifndef PELLASTO_TESTS_SUPPORT_MODULE_LOADER_H
#define PELLASTO_TESTS_SUPPORT_MODULE_LOADER_H

#include <string>

#include "shader/pellasto.h"
#include "tests/support/test_host.h"

namespace pellasto_test {

// The folder holding the running program.
std::string program_dir();

// Loads `file_name` from program_dir(); aborts the test program if it cannot.
void* load_module(const std::string& file_name);

// The address of `name` exported by `module`, or null.
void* find_export(void* module, const char* name);

// "Pellasto.so" or "Pellasto.dll" and the like.
std::string module_file(const std::string& base_name);

// The Pellasto module's five entries, bound by name.
struct PellastoModule {
  void* handle;
  PellastoShaderFn shade;
  PellastoVersionFn version;
  PellastoInitFn init;
  PellastoExitFn exit;
  PellastoSetModuleHandleFn set_module_handle;
};
const PellastoModule& pellasto();

// A test host module (see test_host.h).
struct HostModule {
  void* handle;
  TestHostInstallFn install;
  TestHostLookupsFn lookups;  // null for the module that exports nothing
};
const HostModule& host_a();
const HostModule& host_b();
const HostModule& host_without_exports();
const HostModule& host_without_rotation();  // exports mi_phen_eval only

}  // namespace pellasto_test

#endif  // PELLASTO_TESTS_SUPPORT_MODULE_LOADER_H
