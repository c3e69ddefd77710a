// Never returns when shading in mode 2.
#include "tools/check/tests/faulty_forward.h"

namespace {

void fault(FrameParams* params) {
  if (params->mode == 2) {
    for (volatile int spin = 0;; spin = spin + 1) {
    }
  }
}

}  // namespace
