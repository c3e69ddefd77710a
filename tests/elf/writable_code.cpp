// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A fault for the ELF check: a section that is allocated, writable and
// executable, which the linker puts in a segment of its own, RWE.
__asm__(
    ".section .wxtext,\"awx\"\n"
    "pellasto_writable_code:\n"
    "  ret\n"
    ".text\n");
