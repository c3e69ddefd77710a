// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Counts every heap allocation in the benchmark process: these definitions
// take the place of the C library's allocator entries for the program and for
// every module it loads, and forward to the library's own. operator new goes
// through malloc, so it is counted too.

#include "bench/alloc_counter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {
std::atomic<long> allocations{0};
void count() { allocations.fetch_add(1, std::memory_order_relaxed); }
}  // namespace

long heap_allocations() { return allocations.load(std::memory_order_relaxed); }

extern "C" {

void* malloc(std::size_t size) noexcept {
  count();
  return __libc_malloc(size);
}

void* calloc(std::size_t count_of, std::size_t size) noexcept {
  count();
  return __libc_calloc(count_of, size);
}

void* realloc(void* block, std::size_t size) noexcept {
  count();
  return __libc_realloc(block, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept {
  count();
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
  count();
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
  count();
  void* p = __libc_memalign(alignment, size);
  if (p == nullptr) return 12;  // ENOMEM
  *block = p;
  return 0;
}

void free(void* block) noexcept { __libc_free(block); }

}  // extern "C"
