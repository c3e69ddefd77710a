// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Keeps a module from signalling processes beyond its worker (Linux, where
// the kernel filters system calls): once the guard is on, kill, tkill,
// tgkill and rt_sigqueueinfo aimed at every process (-1), at a process group
// other than the worker's own, or at pellasto-check itself fail with EPERM,
// and each attempt is noted. The worker's own process, its group and its
// children stay within reach.
#ifndef PELLASTO_CHECK_SIGNAL_GUARD_H
#define PELLASTO_CHECK_SIGNAL_GUARD_H

#include <cstdint>
#include <string>

namespace check {

// Puts the guard on for this process and the processes it starts (before
// the module loads). False where the system refuses it (no seccomp, an
// emulator that passes no filter on): the worker carries on unguarded.
bool guard_signals();

// The attempts to signal out of the worker so far.
std::uint64_t signal_attempts();

// The attempt of that number (0: the first), described ("the module tried
// to signal every process (kill(-1, SIGTERM))"); the last one kept where
// there were more than are kept.
std::string signal_attempt(std::uint64_t number);

}  // namespace check

#endif  // PELLASTO_CHECK_SIGNAL_GUARD_H
