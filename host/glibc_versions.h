// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#pragma once

// Binding a glibc function to the version it had in glibc 2.28, the oldest
// glibc the Linux binaries load on, although they are linked against a newer
// one: the module's symbol lookup (host/symbol_lookup_posix.cpp) binds dlsym
// and dlerror with it, and the programs' glibc baseline
// (tools/glibc_baseline/glibc_compat.cpp) its rebound functions.
// pellasto_glibc_versions.h is made when the build is configured
// (cmake/PellastoGlibc.cmake): PELLASTO_GLIBC_VERSION_<name> for each
// function that newer glibc versions gave a new symbol version.

#include "pellasto_glibc_versions.h"

// PELLASTO_GLIBC_BIND(local, name): the references of this file to `local`,
// a function it declares and does not define, ask for `name` at its 2.28
// version (`local` may be `name` itself).
#define PELLASTO_GLIBC_BIND(local, name) \
  __asm__(".symver " #local ", " #name "@" PELLASTO_GLIBC_VERSION_##name)
