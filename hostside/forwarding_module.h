// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Host modules that stand in for a renderer's: shared libraries built from
// hostside/forwarding_module.cpp that export the host functions by name, as a
// renderer's module does, and forward every call to the hooks the program
// installs (the tests, benchmarks, stress and fuzz programs load them;
// pellasto-check compiles the same file into itself and exports the
// functions from its own image).
#ifndef PELLASTO_HOSTSIDE_FORWARDING_MODULE_H
#define PELLASTO_HOSTSIDE_FORWARDING_MODULE_H

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

#endif  // PELLASTO_HOSTSIDE_FORWARDING_MODULE_H
