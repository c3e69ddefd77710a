// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A module that exceptions pass through, loaded by glibc_baseline_test.cpp:
// the unwinder must find this frame's unwind table to get past it. (It needs
// no C++ runtime of its own: the frame has nothing to clean up.)

extern "C" __attribute__((visibility("default"))) int pellasto_call_through(
    int (*function)(int), int value) {
  // Work after the call keeps this frame on the stack while it unwinds.
  int result = function(value);
  return result + 1;
}
