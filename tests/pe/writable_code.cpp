// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the module to show that the section check notices
// code that could be rewritten at run time: a section both writable and
// executable.

// Never called: only the section table is read, by the check.
__asm__(
    ".section .wxtext,\"wx\"\n"
    "pellasto_writable_code:\n"
    "  ret\n"
    ".text\n");
