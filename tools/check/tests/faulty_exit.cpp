// Ends the process, with status 0, when shading in mode 2.
#include <cstdlib>

#include "tools/check/tests/faulty_forward.h"

namespace {

void fault(FrameParams* params) {
  if (params->mode == 2) {
    std::exit(0);
  }
}

}  // namespace
