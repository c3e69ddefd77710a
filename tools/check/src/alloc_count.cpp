// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/alloc_count.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>

#if !defined(PELLASTO_CHECK_ASAN) && defined(__linux__) && defined(__GLIBC__)
#define PELLASTO_CHECK_COUNTS 1
#include <link.h>
#include <sys/auxv.h>
#endif

namespace check {

namespace {

// Constant-initialised: the allocator may be entered before any constructor
// of the program ran.
thread_local bool t_counting = false;
std::atomic<std::uint64_t> g_blocks{0};
std::atomic<std::uint64_t> g_bytes{0};

#if defined(PELLASTO_CHECK_COUNTS)
// The dynamic loader and the C library: what they allocate on a module's
// behalf (the message of a failed dlsym, dlerror's copy of it, a stream's
// buffer) is the system's; what the module's own code and its C++ runtime
// ask for is counted.
struct Range {
  std::uintptr_t start, end;
};
Range g_system[2] = {};

// An allocation of `size` bytes asked for by the code at `caller`.
inline void note(std::size_t size, void* caller) {
  if (t_counting) {
    const auto at = reinterpret_cast<std::uintptr_t>(caller);
    for (const Range& r : g_system) {
      if (at >= r.start && at < r.end) {
        return;
      }
    }
    g_blocks.fetch_add(1, std::memory_order_relaxed);
    g_bytes.fetch_add(size, std::memory_order_relaxed);
  }
}
#endif

}  // namespace

#if defined(PELLASTO_CHECK_ASAN)

// The sanitizer's allocator is not to be replaced, and its hooks do not
// tell who asked: nothing is counted.
bool allocations_counted() { return false; }
void leave_out_the_system() {}

#elif defined(PELLASTO_CHECK_COUNTS)

}  // namespace check

// The C library's allocator under its other names, which no program
// replaces; every request goes there after it is counted.
// NOLINTBEGIN(bugprone-reserved-identifier): the C library's names
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace check {

bool allocations_counted() { return true; }

namespace {

// From the lowest segment to the end of the highest of the object that holds
// `inside`, or whose base is `base`.
Range object_holding(std::uintptr_t inside, std::uintptr_t base = 0) {
  struct Search {
    std::uintptr_t inside, base;
    Range found;
  } search{inside, base, {0, 0}};
  dl_iterate_phdr(
      [](dl_phdr_info* object, std::size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        std::uintptr_t start = UINTPTR_MAX, end = 0;
        for (int i = 0; i < object->dlpi_phnum; ++i) {
          const ElfW(Phdr)& p = object->dlpi_phdr[i];
          if (p.p_type == PT_LOAD) {
            const std::uintptr_t at = object->dlpi_addr + p.p_vaddr;
            start = std::min(start, at);
            end = std::max(end, at + p.p_memsz);
          }
        }
        if (object->dlpi_addr != s->base && (s->inside < start || s->inside >= end)) {
          return 0;
        }
        s->found = {start, end};
        return 1;
      },
      &search);
  return search.found;
}

}  // namespace

void leave_out_the_system() {
  const auto loader = static_cast<std::uintptr_t>(getauxval(AT_BASE));
  if (loader != 0) {
    g_system[0] = object_holding(0, loader);
  }
  g_system[1] = object_holding(reinterpret_cast<std::uintptr_t>(&__libc_malloc));
}

}  // namespace check

extern "C" {

// The program's definitions take the place of the C library's for the
// whole process: the module's calls and the C++ runtime's operator new
// come here.
void* malloc(std::size_t size) {
  check::note(size, __builtin_return_address(0));
  return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
  check::note(count * size, __builtin_return_address(0));
  return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
  check::note(size, __builtin_return_address(0));
  return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

void* memalign(std::size_t alignment, std::size_t size) {
  check::note(size, __builtin_return_address(0));
  return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  check::note(size, __builtin_return_address(0));
  return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) {
    return EINVAL;
  }
  check::note(size, __builtin_return_address(0));
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) {
    return ENOMEM;
  }
  *out = block;
  return 0;
}
}  // extern "C"

namespace check {

#else

bool allocations_counted() { return false; }
void leave_out_the_system() {}

#endif

bool count_allocations(bool on) {
  const bool was = t_counting;
  t_counting = on;
  return was;
}

Allocations allocations() {
  return {g_blocks.load(std::memory_order_relaxed),
          g_bytes.load(std::memory_order_relaxed)};
}

}  // namespace check
