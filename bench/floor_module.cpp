// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The floor of the benchmarks: a shader entry that does nothing, in a module
// built exactly as Pellasto is. Calling it costs what any shader call costs.

#include "shader/pellasto.h"

extern "C" PELLASTO_EXPORT Boolean Pellasto(Color* /*result*/, RenderState* /*state*/,
                                            FrameParams* /*params*/) {
  return 1;
}
