// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A program that asks for a function glibc 2.28 lacks (closefrom, glibc
// 2.34), built without the glibc baseline: the program check must name it.
#include <unistd.h>

int main() {
  closefrom(3);
  return 0;
}
