// Dereferences a null pointer when shading in mode 2.
#include "tools/check/tests/faulty_forward.h"

namespace {

void fault(FrameParams* params) {
  if (params->mode == 2) {
    volatile int* volatile nothing = nullptr;  // nothing the compiler may fold
    *nothing = 1;
  }
}

}  // namespace
