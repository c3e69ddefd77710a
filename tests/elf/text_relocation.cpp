// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the module to show that the check notices a text
// relocation: an absolute address stored in the code, which the loader would
// have to patch in a page that is then writable.

// Never executed: only the dynamic section is read, by the check.
#if defined(__LP64__)  // an address-sized word: x86-64 and aarch64
__asm__(
    ".text\n"
    "pellasto_absolute_address:\n"
    "  .quad pellasto_absolute_address\n");
#else
__asm__(
    ".text\n"
    "pellasto_absolute_address:\n"
    "  .long pellasto_absolute_address\n");
#endif
