// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A library that the build leaves where no loader looks: the module that
// needs it cannot be loaded, for want of it.
int check_gone_library_answer() { return 42; }
