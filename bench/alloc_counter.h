// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Heap allocations made so far in this process, by anyone (see
// alloc_counter.cpp).
#ifndef PELLASTO_BENCH_ALLOC_COUNTER_H
#define PELLASTO_BENCH_ALLOC_COUNTER_H

long heap_allocations();

#endif  // PELLASTO_BENCH_ALLOC_COUNTER_H
