// Dereferences a null pointer while it is being loaded, in a constructor
// that the loader runs: the crash happens inside the loader.
#include "tools/check/tests/faulty_forward.h"

namespace {

void fault(FrameParams*) {}

}  // namespace

__attribute__((constructor)) static void crash_at_load() {
  volatile int* volatile nothing = nullptr;  // nothing the compiler may fold
  *nothing = 1;
}
