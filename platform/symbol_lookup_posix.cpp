#include <dlfcn.h>

#include "platform/symbol_lookup.h"

// The module must load on glibc 2.28 and later (the render farms' baseline).
// glibc 2.34 moved dlsym and dlerror from libdl into libc under a new symbol
// version, which older systems lack; the original versions are still there
// on every glibc, so the module asks for those. On glibc before 2.34 they are
// found in libdl, which the build names as a dependency for that reason.
#if defined(__GLIBC__)
#if defined(__x86_64__)
#define PELLASTO_GLIBC_BASE_VERSION "GLIBC_2.2.5"
#elif defined(__i386__)
#define PELLASTO_GLIBC_BASE_VERSION "GLIBC_2.0"
#elif defined(__aarch64__)
// glibc's first version for 64-bit ARM.
#define PELLASTO_GLIBC_BASE_VERSION "GLIBC_2.17"
#else
#error "the oldest glibc version of dlsym for this processor is not known here"
#endif
__asm__(".symver dlsym,dlsym@" PELLASTO_GLIBC_BASE_VERSION);
__asm__(".symver dlerror,dlerror@" PELLASTO_GLIBC_BASE_VERSION);
#endif

namespace pellasto {

void* find_symbol(void* module, const char* name, int* error) {
  // dlsym(NULL, ...) would search the whole process, where any library
  // exporting the name would do; a host that named no module gets nothing.
  if (module == nullptr) {
    *error = kLookupErrorNoModule;
    return nullptr;
  }
  void* address = dlsym(module, name);
  if (address == nullptr) {
    *error = kLookupErrorNotFound;
    dlerror();  // consume the pending message so the loader can release it
  }
  return address;
}

}  // namespace pellasto
