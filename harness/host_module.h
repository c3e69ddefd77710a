// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host modules that stand in for a renderer: shared libraries built from
// harness/host_module.cpp that export the host functions by name, as a
// renderer does, and forward every call to the hooks the program installs.
#ifndef PELLASTO_HARNESS_HOST_MODULE_H
#define PELLASTO_HARNESS_HOST_MODULE_H

#include "host/host_interface.h"

extern "C" {

struct HostHooks {
  void* context;
  void* (*phen_eval)(void* context, RenderState* state, void* parameter);
  Boolean (*matrix_rotate_axis)(void* context, Matrix* m, const Vector* axis,
                                float angle);
  void (*vector_transform)(void* context, Vector* out, const Vector* in, const Matrix* m);
};

// Called by the program on its own thread before shading; the program keeps
// ownership of `hooks`, which must outlive every call into the host.
typedef void (*HostInstallFn)(const HostHooks* hooks);

// How often the named host function has been looked up by name in this
// module, or -1 where the platform cannot count lookups.
typedef int (*HostLookupsFn)(const char* name);

}  // extern "C"

#endif  // PELLASTO_HARNESS_HOST_MODULE_H
