// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The programs' glibc baseline: linked into the Linux programs that ship
// (pellasto-check, and the test program that holds this file to its word) by
// pellasto_glibc_baseline() (cmake/PellastoGlibc.cmake), so that they start on
// glibc 2.28, as the module does, although the build machine's C library and
// the static C++ runtime linked into them are newer. The module itself needs
// none of this: it binds its two glibc functions itself (host/symbol_lookup_posix.cpp).
//
// The linker redirects every reference to a name listed in
// cmake/PellastoGlibc.cmake to __wrap_<name> (-Wl,--wrap), references from
// the static libstdc++ and libgcc_eh included. This file defines them:
//
//   - rebound functions: a jump to the same function at the version it had
//     in glibc 2.28 (pellasto_glibc_versions.h, read from the build's own C
//     library when the build is configured). glibc 2.34 moved the libdl and
//     libpthread functions into libc under new versions and kept the old ones;
//     on an older glibc they are found in libdl.so.2 and libpthread.so.0,
//     which the program names as dependencies for that reason.
//   - replaced names, which glibc 2.28 lacks altogether or which changed
//     their meaning: each is written out below from what 2.28 has.
//
// tests/cmake/check_elf_program.cmake then holds the linked program to 2.28, so
// that a call added later that is newer fails the build with its name.

#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "host/glibc_versions.h"

// A jump to the function's 2.28 version, whatever its arguments: they are
// left in their registers and on the stack as the caller placed them.
#if defined(__x86_64__)
#define PELLASTO_GLIBC_JUMP(target) "jmp *" target "@GOTPCREL(%rip)\n"
#elif defined(__i386__)
// Position-independent: the GOT's address in %ecx, which no argument uses.
#define PELLASTO_GLIBC_JUMP(target)            \
  "call 1f\n"                                  \
  "1: popl %ecx\n"                             \
  "addl $_GLOBAL_OFFSET_TABLE_+[.-1b], %ecx\n" \
  "jmp *" target "@GOT(%ecx)\n"
#elif defined(__aarch64__)
#define PELLASTO_GLIBC_JUMP(target)   \
  "adrp x16, :got:" target            \
  "\n"                                \
  "ldr x16, [x16, #:got_lo12:" target \
  "]\n"                               \
  "br x16\n"
#else
#error "no jump to a rebound glibc function is written for this processor"
#endif

#define PELLASTO_GLIBC_REBIND(name)                                                \
  PELLASTO_GLIBC_BIND(pellasto_glibc_##name, name);                                \
  __asm__(".pushsection .text.__wrap_" #name                                       \
          ",\"ax\",@progbits\n"                                                    \
          ".globl __wrap_" #name                                                   \
          "\n"                                                                     \
          ".hidden __wrap_" #name                                                  \
          "\n"                                                                     \
          ".type __wrap_" #name                                                    \
          ", @function\n"                                                          \
          "__wrap_" #name                                                          \
          ":\n" PELLASTO_GLIBC_JUMP("pellasto_glibc_" #name) ".size __wrap_" #name \
                                                             ", .-__wrap_" #name   \
                                                             "\n"                  \
                                                             ".popsection\n");
PELLASTO_GLIBC_REBOUND(PELLASTO_GLIBC_REBIND)

#define PELLASTO_WRAP(name) __attribute__((visibility("hidden"))) __wrap_##name

extern "C" {

// --- Start-up. ---
// Since glibc 2.34 crt1.o hands __libc_start_main no init function: the new
// version runs the program's constructors itself. The 2.28 version runs only
// the init function it is given, so the program gives it one that does what
// glibc's crt1.o used to link in (__libc_csu_init): _init, then the
// .init_array. (.preinit_array and the destructors are the dynamic loader's
// on every version.) A newer glibc given an init function runs it instead of
// its own, so the constructors run once either way.
using MainFunction = int (*)(int, char**, char**);
int baseline_libc_start_main(MainFunction main, int argc, char** argv, MainFunction init,
                             void (*fini)(), void (*rtld_fini)(), void* stack_end);
PELLASTO_GLIBC_BIND(baseline_libc_start_main, __libc_start_main);

// From crti.o and the linker.
void _init();  // NOLINT(bugprone-reserved-identifier)
using InitFunction = void (*)(int, char**, char**);
// NOLINTBEGIN(bugprone-reserved-identifier): the linker's names
extern const InitFunction __init_array_start[] __attribute__((visibility("hidden")));
extern const InitFunction __init_array_end[] __attribute__((visibility("hidden")));
// NOLINTEND(bugprone-reserved-identifier)

static int run_constructors(int argc, char** argv, char** envp) {
  _init();
  for (const InitFunction* f = __init_array_start; f != __init_array_end; ++f) {
    (*f)(argc, argv, envp);
  }
  return 0;
}

int PELLASTO_WRAP(__libc_start_main)(MainFunction main, int argc, char** argv,
                                     MainFunction init, void (*fini)(),
                                     void (*rtld_fini)(), void* stack_end) {
  return baseline_libc_start_main(main, argc, argv,
                                  init != nullptr ? init : run_constructors, fini,
                                  rtld_fini, stack_end);
}

// --- Whether the process has one thread (glibc 2.32). ---
// libstdc++ skips atomic operations while this is non-zero. Zero is always
// true enough: the C++ runtime then behaves as it did before 2.32, locking
// and counting atomically from the start.
char PELLASTO_WRAP(__libc_single_threaded) = 0;

// --- Random bytes (arc4random, glibc 2.36; std::random_device asks for it). ---
// From the kernel's generator, as glibc's own does: getrandom (glibc 2.25),
// or /dev/urandom on a kernel older than 3.17. Like glibc's, it does not
// return without random bytes: it stops the process if there are none.
static void fill_random(void* buffer, size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    ssize_t got = getrandom(bytes + done, size - done, 0);
    if (got > 0) {
      done += static_cast<size_t>(got);
    } else if (got == 0 || errno != EINTR) {
      break;  // ENOSYS: a kernel before 3.17
    }
  }
  if (done < size) {
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    while (fd >= 0 && done < size) {
      ssize_t got = read(fd, bytes + done, size - done);
      if (got > 0) {
        done += static_cast<size_t>(got);
      } else if (got == 0 || errno != EINTR) {
        break;
      }
    }
    if (fd >= 0) {
      close(fd);
    }
  }
  if (done < size) {
    static const char message[] = "cannot get random bytes from the kernel\n";
    ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    abort();
  }
}

uint32_t PELLASTO_WRAP(arc4random)() {
  uint32_t value = 0;
  fill_random(&value, sizeof value);
  return value;
}

void PELLASTO_WRAP(arc4random_buf)(void* buffer, size_t size) {
  fill_random(buffer, size);
}

// --- The object that holds an address (_dl_find_object, glibc 2.35). ---
// The static unwinder asks it for the exception tables of each frame it
// unwinds, so exceptions depend on it. Worked out from the program headers
// the loader reports (dl_iterate_phdr), as the unwinder itself did before
// 2.35: the object whose first to last loaded byte holds the address, its
// PT_GNU_EH_FRAME segment and, where the unwinder wants it (32-bit x86), the
// object's GOT for data-relative pointers.
namespace {

struct FindObjectQuery {
  uintptr_t address;
  dl_find_object* result;
  bool found;
};

// The loader reports addresses as integers; the result holds pointers.
// NOLINTBEGIN(performance-no-int-to-ptr)
int find_object_in(dl_phdr_info* info, size_t /*size*/, void* data) {
  auto* query = static_cast<FindObjectQuery*>(data);
  const uintptr_t page = static_cast<uintptr_t>(getpagesize());
  uintptr_t start = UINTPTR_MAX;
  uintptr_t end = 0;
  const ElfW(Phdr)* eh_frame = nullptr;
  const ElfW(Phdr)* dynamic = nullptr;
  // A program whose segments leave a gap between them (aarch64 links them
  // 64 KiB apart, and pages may be 4 KiB) the loader describes one segment
  // at a time: the one holding the address.
  const bool program = info->dlpi_name == nullptr || info->dlpi_name[0] == '\0';
  bool contiguous = true;
  uintptr_t next_page = 0;
  uintptr_t segment_start = 0;
  uintptr_t segment_end = 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type == PT_LOAD) {
      uintptr_t first = info->dlpi_addr + (segment.p_vaddr & ~(page - 1));
      uintptr_t last = info->dlpi_addr + segment.p_vaddr + segment.p_memsz;
      start = first < start ? first : start;
      end = last > end ? last : end;
      contiguous = contiguous && (next_page == 0 || first == next_page);
      next_page = (last + page - 1) & ~(page - 1);
      if (query->address >= info->dlpi_addr + segment.p_vaddr && query->address < last) {
        segment_start = info->dlpi_addr + segment.p_vaddr;
        segment_end = last;
      }
    } else if (segment.p_type == PT_GNU_EH_FRAME) {
      eh_frame = &segment;
    } else if (segment.p_type == PT_DYNAMIC) {
      dynamic = &segment;
    }
  }
  if (program && !contiguous) {
    start = segment_start;
    end = segment_end;
  }
  if (query->address < start || query->address >= end) {
    return 0;
  }
  dl_find_object* result = query->result;
  result->dlfo_flags = 0;
  result->dlfo_map_start = reinterpret_cast<void*>(start);
  result->dlfo_map_end = reinterpret_cast<void*>(end);
  result->dlfo_eh_frame =
      eh_frame != nullptr ? reinterpret_cast<void*>(info->dlpi_addr + eh_frame->p_vaddr)
                          : nullptr;
#if DLFO_STRUCT_HAS_EH_DBASE
  // The loader has relocated the dynamic section's addresses in place.
  result->dlfo_eh_dbase = nullptr;
  if (dynamic != nullptr) {
    for (const auto* entry =
             reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + dynamic->p_vaddr);
         entry->d_tag != DT_NULL; ++entry) {
      if (entry->d_tag == DT_PLTGOT) {
        result->dlfo_eh_dbase = reinterpret_cast<void*>(entry->d_un.d_ptr);
        break;
      }
    }
  }
#else
  (void)dynamic;
#endif
#if DLFO_STRUCT_HAS_EH_COUNT
#error "the exception table's entry count (ARM) is not worked out here"
#endif
  query->found = true;
  return 1;
}
// NOLINTEND(performance-no-int-to-ptr)

}  // namespace

int PELLASTO_WRAP(_dl_find_object)(void* address, dl_find_object* result) {
  FindObjectQuery query{reinterpret_cast<uintptr_t>(address), result, false};
  dl_iterate_phdr(find_object_in, &query);
  if (!query.found) {
    return -1;
  }
  // The loader's own record of the object (dladdr1 is rebound to 2.28's).
  Dl_info info;
  void* map = nullptr;
  if (dladdr1(address, &info, &map, RTLD_DL_LINKMAP) == 0) {
    map = nullptr;
  }
  result->dlfo_link_map = static_cast<link_map*>(map);
  return 0;
}

// --- Waiting on a condition with a steady clock (glibc 2.30). ---
// What std::condition_variable's wait_for and wait_until ask for. 2.28 has
// only the wait until a time of the clock the condition was made with (the
// real-time clock for libstdc++'s): a deadline on another clock becomes the
// same time from now on that clock. A jump of the real-time clock while
// waiting makes the wait return early or late, as it did in glibc before
// 2.30; the C++ library checks its own clock after every wake-up.
int PELLASTO_WRAP(pthread_cond_clockwait)(pthread_cond_t* condition,
                                          pthread_mutex_t* mutex, clockid_t clock,
                                          const timespec* deadline) {
  if (clock != CLOCK_REALTIME && clock != CLOCK_MONOTONIC) {
    return EINVAL;
  }
  timespec when = *deadline;
  if (clock != CLOCK_REALTIME) {
    timespec now{};
    timespec real_now{};
    clock_gettime(clock, &now);
    clock_gettime(CLOCK_REALTIME, &real_now);
    constexpr long kNanoseconds = 1000000000L;
    long long seconds =
        static_cast<long long>(deadline->tv_sec) - now.tv_sec + real_now.tv_sec;
    long nanoseconds = deadline->tv_nsec - now.tv_nsec + real_now.tv_nsec;
    while (nanoseconds < 0) {
      nanoseconds += kNanoseconds;
      --seconds;
    }
    while (nanoseconds >= kNanoseconds) {
      nanoseconds -= kNanoseconds;
      ++seconds;
    }
    when.tv_sec = static_cast<time_t>(seconds);
    when.tv_nsec = nanoseconds;
  }
  return pthread_cond_timedwait(condition, mutex, &when);
}

// --- stat and its kin (functions since glibc 2.33). ---
// Before 2.33 <sys/stat.h> turned them into calls of __xstat and its kin,
// which take the layout of struct stat as a first argument; every glibc still
// has those.
#if defined(__x86_64__)
#define PELLASTO_STAT_LAYOUT 1  // _STAT_VER_LINUX
#define PELLASTO_STAT64_LAYOUT 1
#elif defined(__i386__)
#define PELLASTO_STAT_LAYOUT 3  // _STAT_VER_LINUX
#define PELLASTO_STAT64_LAYOUT 3
#elif defined(__aarch64__)
#define PELLASTO_STAT_LAYOUT 0  // _STAT_VER_LINUX, the kernel's own
#define PELLASTO_STAT64_LAYOUT 0
#else
#error "the layout number of struct stat is not known for this processor"
#endif

int baseline_xstat(int layout, const char* path, struct stat* result);
int baseline_lxstat(int layout, const char* path, struct stat* result);
int baseline_fxstat(int layout, int fd, struct stat* result);
int baseline_fxstatat(int layout, int dirfd, const char* path, struct stat* result,
                      int flags);
int baseline_xstat64(int layout, const char* path, struct stat64* result);
int baseline_lxstat64(int layout, const char* path, struct stat64* result);
int baseline_fxstat64(int layout, int fd, struct stat64* result);
int baseline_fxstatat64(int layout, int dirfd, const char* path, struct stat64* result,
                        int flags);
PELLASTO_GLIBC_BIND(baseline_xstat, __xstat);
PELLASTO_GLIBC_BIND(baseline_lxstat, __lxstat);
PELLASTO_GLIBC_BIND(baseline_fxstat, __fxstat);
PELLASTO_GLIBC_BIND(baseline_fxstatat, __fxstatat);
PELLASTO_GLIBC_BIND(baseline_xstat64, __xstat64);
PELLASTO_GLIBC_BIND(baseline_lxstat64, __lxstat64);
PELLASTO_GLIBC_BIND(baseline_fxstat64, __fxstat64);
PELLASTO_GLIBC_BIND(baseline_fxstatat64, __fxstatat64);

int PELLASTO_WRAP(stat)(const char* path, struct stat* result) {
  return baseline_xstat(PELLASTO_STAT_LAYOUT, path, result);
}
int PELLASTO_WRAP(lstat)(const char* path, struct stat* result) {
  return baseline_lxstat(PELLASTO_STAT_LAYOUT, path, result);
}
int PELLASTO_WRAP(fstat)(int fd, struct stat* result) {
  return baseline_fxstat(PELLASTO_STAT_LAYOUT, fd, result);
}
int PELLASTO_WRAP(fstatat)(int dirfd, const char* path, struct stat* result, int flags) {
  return baseline_fxstatat(PELLASTO_STAT_LAYOUT, dirfd, path, result, flags);
}
int PELLASTO_WRAP(stat64)(const char* path, struct stat64* result) {
  return baseline_xstat64(PELLASTO_STAT64_LAYOUT, path, result);
}
int PELLASTO_WRAP(lstat64)(const char* path, struct stat64* result) {
  return baseline_lxstat64(PELLASTO_STAT64_LAYOUT, path, result);
}
int PELLASTO_WRAP(fstat64)(int fd, struct stat64* result) {
  return baseline_fxstat64(PELLASTO_STAT64_LAYOUT, fd, result);
}
int PELLASTO_WRAP(fstatat64)(int dirfd, const char* path, struct stat64* result,
                             int flags) {
  return baseline_fxstatat64(PELLASTO_STAT64_LAYOUT, dirfd, path, result, flags);
}

}  // extern "C"
