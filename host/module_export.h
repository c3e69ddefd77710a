// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Marks the module's exported entries: the only names a host can bind in it.
#ifndef PELLASTO_HOST_MODULE_EXPORT_H
#define PELLASTO_HOST_MODULE_EXPORT_H

#if defined(_WIN32)
#define PELLASTO_EXPORT __declspec(dllexport)
#else
#define PELLASTO_EXPORT __attribute__((visibility("default")))
#endif

#endif  // PELLASTO_HOST_MODULE_EXPORT_H
