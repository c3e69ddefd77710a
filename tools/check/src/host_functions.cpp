// The host functions this program exports from its own image are the host
// modules' own (harness/host_module.cpp, compiled into the program, forwarding
// every call to the installed hooks); here the checks install their hooks and
// count the module's lookups in this image.
#include "tools/check/src/host_functions.h"

#include "harness/lookup_count.h"
#include "harness/module.h"

// Defined in harness/host_module.cpp, part of this program.
extern "C" void host_module_install(const HostHooks* hooks);

namespace check {

void install_hooks(const HostHooks* hooks) { host_module_install(hooks); }

bool count_lookups([[maybe_unused]] void* pellasto) {
#if defined(__ELF__) && defined(__GLIBC__)
  return true;
#elif defined(_WIN32)
  // Patched once: a second wrapper would pass each lookup on to itself.
  static void* const patched = pellasto;
  static const bool counting = harness::count_lookups_in(
      static_cast<HMODULE>(harness::program_module()), static_cast<HMODULE>(pellasto));
  return counting && patched == pellasto;
#else
  return false;
#endif
}

int lookups(const char* name) { return harness::lookups_named(name); }

void hide_host_functions(unsigned mask) { harness::hidden_lookups().store(mask); }

}  // namespace check
