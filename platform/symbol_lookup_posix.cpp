#include <dlfcn.h>

#include "platform/symbol_lookup.h"

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
