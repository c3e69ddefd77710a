// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the 32-bit module to show that the check notices code
// that links a structured exception handler into the chain at %fs:0, which
// the module's NO_SEH flag promises there is none of.
#include "shader/pellasto.h"

// Never called: only the code is read, by the check. Exported so that the
// linker keeps it; the check also reports the sixth export.
extern "C" PELLASTO_EXPORT void* Pellasto_handler_chain(void) {
  void* head;
  __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}
