// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Built into a copy of the module to show that the check notices a symbol
// bound to a glibc version that a glibc 2.28 system lacks: dlopen, at the
// version glibc 2.34 gave it.
#include <dlfcn.h>

// Never called: it only makes the module import dlopen at its newest version.
void* pellasto_open_anything(const char* path) { return dlopen(path, RTLD_NOW); }
