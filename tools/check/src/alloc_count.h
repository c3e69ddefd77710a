// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Counting the heap allocations made on a thread while it says so: the
// allocator's entries are this program's own on Linux (each passes the
// request on to the C library's), or the sanitizer's hooks where the
// program runs under AddressSanitizer. Elsewhere nothing is counted.
#ifndef PELLASTO_CHECK_ALLOC_COUNT_H
#define PELLASTO_CHECK_ALLOC_COUNT_H

#include <cstdint>

// Defined in a build with AddressSanitizer, whose allocator and exit are its own.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLASTO_CHECK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PELLASTO_CHECK_ASAN 1
#endif

namespace check {

// Whether this build counts allocations at all.
bool allocations_counted();

// From now on, what the dynamic loader and the C library allocate themselves
// is not counted, only what other code asks of them (called once, before
// anything is counted).
void leave_out_the_system();

// Counting on the calling thread on or off; what it was.
bool count_allocations(bool on);

// Allocations counted so far on every thread, and their bytes.
struct Allocations {
  std::uint64_t blocks = 0;
  std::uint64_t bytes = 0;
};
Allocations allocations();

}  // namespace check

#endif  // PELLASTO_CHECK_ALLOC_COUNT_H
