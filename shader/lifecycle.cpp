// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The entries through which the host manages the shader, and the platform's
// load hook. None of them keeps any state.

#include "shader/pellasto.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

extern "C" {

PELLASTO_EXPORT int Pellasto_version(void) { return 1; }

PELLASTO_EXPORT void Pellasto_init(RenderState* /*state*/, FrameParams* params,
                                   Boolean* instance_init_wanted) {
  // The shader keeps nothing per instance, so it asks for no init calls with a
  // parameter block.
  if (params == nullptr && instance_init_wanted != nullptr) {
    *instance_init_wanted = 0;
  }
}

PELLASTO_EXPORT void Pellasto_exit(RenderState* /*state*/, FrameParams* /*params*/) {}

#if defined(_WIN32)
// Called by the Windows loader on attach and detach, for the process and for
// each thread; the module has nothing of its own to set up or tear down.
BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}
#endif

}  // extern "C"
