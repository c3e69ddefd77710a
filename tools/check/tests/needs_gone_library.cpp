// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A module that needs check_gone_library, which the loader cannot find.
int check_gone_library_answer();

extern "C" __attribute__((visibility("default"))) int check_needs_gone_library() {
  return check_gone_library_answer();
}
