// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Loading modules by path and binding them by name, as a renderer does: the
// Pellasto module with its five entries, and the host modules of
// hostside/forwarding_module.h.
#ifndef PELLASTO_HOSTSIDE_MODULE_H
#define PELLASTO_HOSTSIDE_MODULE_H

#include <string>

#include "hostside/forwarding_module.h"
#include "shader/pellasto.h"

namespace hostside {

// The folder holding the running program.
std::string program_dir();
// The running program's own file, or empty if it cannot be found (Linux
// without /proc, started by a path that no longer leads to it); never aborts.
std::string program_file();

// "Pellasto.so" or "Pellasto.dll" and the like.
std::string module_file(const std::string& base_name);

// Loads the module at `path`; null, with the reason in `error` (on Windows the
// system's message and "(error N)"), if it cannot.
void* open_module(const std::string& path, std::string* error);
void close_module(void* module);

// The address of `name` exported by `module`, or null.
void* find_export(void* module, const char* name);

// The handle under which this program's own image exports its symbols.
void* program_module();

// Loads `file_name` from program_dir(); aborts the program if it cannot.
void* load_beside(const std::string& file_name);

// The Pellasto module's five entries, bound by name.
struct PellastoModule {
  void* handle;
  PellastoShaderFn shade;
  PellastoVersionFn version;
  PellastoInitFn init;
  PellastoExitFn exit;
  PellastoSetModuleHandleFn set_module_handle;
};

// Binds the five entries of the loaded `handle`; false, with the first missing
// name in `missing`, when one is not exported.
bool bind_pellasto(void* handle, PellastoModule* module, std::string* missing);

// The Pellasto module beside the program, loaded and bound on first use;
// aborts the program if it cannot be.
const PellastoModule& pellasto();

// The host functions the module looks up by name in the handle it is given.
inline constexpr const char* kHostFunctions[] = {"mi_phen_eval", "mi_matrix_rotate_axis",
                                                 "mi_vector_transform"};

// What the module prints when it cannot look the host function `name` up
// under `handle`, as a regular expression: the handle as the module shows it
// (at least eight lower-case hex digits), any error number.
std::string failed_lookup_pattern(const char* name, void* handle);

// Whether the whole of `text` is what the regular expression `pattern`
// describes (failed_lookup_pattern's, for instance).
bool matches_whole(const std::string& text, const std::string& pattern);

// A host module built from hostside/forwarding_module.cpp.
struct HostModule {
  void* handle;
  HostInstallFn install;
  HostLookupsFn lookups;  // null for a module that exports no host functions
};

// Loads the host module `base_name` from beside the program; aborts if it
// cannot be loaded or lacks its entries.
HostModule load_host(const std::string& base_name, bool exports_host_functions = true);

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_MODULE_H
