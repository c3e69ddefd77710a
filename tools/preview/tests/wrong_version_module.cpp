// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A shader module that is otherwise complete but speaks interface version 2.
#include "shader/pellasto.h"

extern "C" {

// Called by the host per sample; never reached, since the host refuses it.
PELLASTO_EXPORT Boolean Pellasto(Color* /*result*/, RenderState* /*state*/,
                                 FrameParams* /*params*/) {
  return 1;
}
// Called by the host after loading; answers a version the host does not know.
PELLASTO_EXPORT int Pellasto_version(void) { return 2; }
// Called by the host before shading; asks for nothing.
PELLASTO_EXPORT void Pellasto_init(RenderState* /*state*/, FrameParams* /*params*/,
                                   Boolean* /*instance_init_wanted*/) {}
// Called by the host when done; does nothing.
PELLASTO_EXPORT void Pellasto_exit(RenderState* /*state*/, FrameParams* /*params*/) {}
// Called by the host with its own handle, which this module does not use.
PELLASTO_EXPORT int miSetModuleHandle(void* /*host_module*/) { return 0; }

}  // extern "C"
