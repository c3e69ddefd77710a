// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A module built by the compiler of the other word size: pellasto-check must
// tell from its headers that this platform's host cannot load it.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int Pellasto_version() { return 1; }
#else
extern "C" __attribute__((visibility("default"))) int Pellasto_version() { return 1; }
#endif
