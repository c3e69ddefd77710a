// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the static C++ runtime of a program held to glibc 2.28 relies on, run
// through the rebound and replaced functions (tools/glibc_baseline/glibc_compat.cpp):
// constructors, exceptions, threads, random bytes and file status.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <link.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if DLFO_STRUCT_HAS_EH_DBASE
extern "C" char
    _GLOBAL_OFFSET_TABLE_[];  // NOLINT(bugprone-reserved-identifier): the linker's
#endif

namespace {

int constructed = 0;
struct CountsConstruction {
  CountsConstruction() { ++constructed; }
};
const CountsConstruction counts_construction;

TEST(GlibcBaseline, ConstructorsRunOnceBeforeMain) { EXPECT_EQ(constructed, 1); }

int throw_value(int value) {
  if (value > 0) {
    throw std::runtime_error("thrown in the program: " + std::to_string(value));
  }
  return value;
}

TEST(GlibcBaseline, ExceptionsUnwindThroughTheProgramAndALoadedModule) {
  try {
    throw_value(7);
    ADD_FAILURE() << "nothing was thrown";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "thrown in the program: 7");
  }

  void* module = dlopen(PELLASTO_THROWER_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  using CallThrough = int (*)(int (*)(int), int);
  auto call_through =
      reinterpret_cast<CallThrough>(dlsym(module, "pellasto_call_through"));
  ASSERT_NE(call_through, nullptr) << dlerror();
  EXPECT_EQ(call_through(throw_value, 0), 1);
  try {
    call_through(throw_value, 9);
    ADD_FAILURE() << "nothing was thrown through the module";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "thrown in the program: 9");
  }
  EXPECT_EQ(dlsym(module, "pellasto_no_such_function"), nullptr);
  const char* message = dlerror();
  ASSERT_NE(message, nullptr);
  EXPECT_NE(std::strstr(message, "pellasto_no_such_function"), nullptr) << message;
  EXPECT_EQ(dlclose(module), 0);
}

// The replacement against the loader's own, where the C library has one
// (glibc 2.35 and later): the same answer for an address in the program, in
// the C library, in a loaded module, and in no object at all.
TEST(GlibcBaseline, FindObjectAgreesWithTheLoader) {
  using FindObject = int (*)(void*, dl_find_object*);
  auto loaders = reinterpret_cast<FindObject>(dlsym(RTLD_DEFAULT, "_dl_find_object"));
  if (loaders == nullptr) {
    GTEST_SKIP() << "this C library has no _dl_find_object to compare with";
  }
  void* module = dlopen(PELLASTO_THROWER_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  int on_the_stack = 0;
  const struct {
    const char* where;
    void* address;
  } places[] = {
      {"the program", reinterpret_cast<void*>(&throw_value)},
      {"the C library", dlsym(RTLD_DEFAULT, "getpid")},
      {"the module", dlsym(module, "pellasto_call_through")},
      {"the stack", &on_the_stack},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    ASSERT_NE(place.address, nullptr);
    dl_find_object expected{};
    dl_find_object found{};
    int expected_status = loaders(place.address, &expected);
    ASSERT_EQ(_dl_find_object(place.address, &found), expected_status);
    if (expected_status != 0) {
      continue;
    }
    EXPECT_EQ(found.dlfo_flags, expected.dlfo_flags);
    EXPECT_EQ(found.dlfo_map_start, expected.dlfo_map_start);
    EXPECT_EQ(found.dlfo_map_end, expected.dlfo_map_end);
    EXPECT_EQ(found.dlfo_link_map, expected.dlfo_link_map);
    EXPECT_EQ(found.dlfo_eh_frame, expected.dlfo_eh_frame);
    EXPECT_NE(found.dlfo_eh_frame, nullptr);
#if DLFO_STRUCT_HAS_EH_DBASE
    // The base of data-relative pointers is the object's GOT (DT_PLTGOT).
    // glibc 2.35 and 2.36 give the address of that entry of the dynamic
    // section instead of its value; the unwinder wants the value.
    if (found.dlfo_eh_dbase != expected.dlfo_eh_dbase) {
      const auto* entry = static_cast<const ElfW(Dyn)*>(expected.dlfo_eh_dbase);
      ASSERT_EQ(entry->d_tag, DT_PLTGOT);
      EXPECT_EQ(found.dlfo_eh_dbase, reinterpret_cast<void*>(entry->d_un.d_ptr));
    }
#endif
  }
  EXPECT_EQ(dlclose(module), 0);
#if DLFO_STRUCT_HAS_EH_DBASE
  dl_find_object program{};
  ASSERT_EQ(_dl_find_object(reinterpret_cast<void*>(&throw_value), &program), 0);
  EXPECT_EQ(program.dlfo_eh_dbase, static_cast<void*>(_GLOBAL_OFFSET_TABLE_));
#endif
}

TEST(GlibcBaseline, ThreadsRunWaitAreJoinedDetachedAndInitialiseOnce) {
  std::once_flag once;
  std::atomic<int> initialised{0};
  std::vector<long> squares(4, 0);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < squares.size(); ++i) {
    threads.emplace_back([&, i] {
      std::call_once(once, [&] { ++initialised; });
      squares[i] = static_cast<long>(i * i);
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(initialised, 1);
  EXPECT_EQ(squares, (std::vector<long>{0, 1, 4, 9}));

  // Waits with a deadline on the steady clock: one times out, one is woken.
  std::mutex mutex;
  std::condition_variable condition;
  bool woken = false;
  std::unique_lock<std::mutex> lock(mutex);
  EXPECT_EQ(condition.wait_for(lock, std::chrono::milliseconds(1)),
            std::cv_status::timeout);
  std::thread waker([&] {
    std::lock_guard<std::mutex> guard(mutex);
    woken = true;
    condition.notify_one();
  });
  EXPECT_TRUE(condition.wait_for(lock, std::chrono::minutes(10), [&] { return woken; }));
  lock.unlock();
  waker.join();

  std::promise<std::thread::id> ran;
  std::future<std::thread::id> id = ran.get_future();
  std::thread([&ran] { ran.set_value(std::this_thread::get_id()); }).detach();
  EXPECT_NE(id.get(), std::this_thread::get_id());
}

// 64 draws of 32 bits: a source that is not random (a constant, a counter,
// zeros) leaves bits that never change.
template <typename Draw>
void expect_random_words(Draw draw) {
  std::vector<uint32_t> words(64);
  draw(words);
  uint32_t ones = 0;
  uint32_t zeros = 0;
  for (uint32_t word : words) {
    ones |= word;
    zeros |= ~word;
  }
  EXPECT_EQ(ones, 0xffffffffU);
  EXPECT_EQ(zeros, 0xffffffffU);
  EXPECT_GT(std::set<uint32_t>(words.begin(), words.end()).size(), words.size() - 2);
}

TEST(GlibcBaseline, RandomBytesComeFromTheKernel) {
  std::unique_ptr<std::random_device> device;
  try {
    device = std::make_unique<std::random_device>("arc4random");
  } catch (const std::exception&) {
    // A C++ library before GCC 12's has no arc4random source (and so asks for
    // no arc4random): only the functions themselves are left to check.
  }
  if (device) {
    expect_random_words([&](std::vector<uint32_t>& words) {
      std::generate(words.begin(), words.end(), std::ref(*device));
    });
  }
  expect_random_words([](std::vector<uint32_t>& words) {
    std::generate(words.begin(), words.end(), [] { return arc4random(); });
  });
  expect_random_words([](std::vector<uint32_t>& words) {
    arc4random_buf(words.data(), words.size() * sizeof(uint32_t));
  });
}

// Each of them on a regular file of known size and on a symbolic link to it.
TEST(GlibcBaseline, StatAndItsKinDescribeTheFileOrTheLink) {
  std::string path = testing::TempDir() + "pellasto_glibc_stat_XXXXXX";
  int fd = mkstemp(path.data());
  ASSERT_GE(fd, 0) << std::strerror(errno);
  const std::string link = path + ".link";
  const std::string content(1234, 'x');
  const bool made = write(fd, content.data(), content.size()) == 1234 &&
                    symlink(path.c_str(), link.c_str()) == 0;
  struct stat file {};
  ASSERT_TRUE(made && fstat(fd, &file) == 0) << std::strerror(errno);
  EXPECT_TRUE(S_ISREG(file.st_mode));
  EXPECT_EQ(file.st_size, 1234);
  auto same_file = [&](const auto& status) {
    return status.st_ino == file.st_ino && status.st_dev == file.st_dev &&
           status.st_size == 1234 && S_ISREG(status.st_mode);
  };
  auto the_link = [&](const auto& status) {
    return S_ISLNK(status.st_mode) && status.st_size == static_cast<off_t>(path.size());
  };
  struct stat plain {};
  EXPECT_TRUE(stat(link.c_str(), &plain) == 0 && same_file(plain));
  EXPECT_TRUE(lstat(link.c_str(), &plain) == 0 && the_link(plain));
  EXPECT_TRUE(fstatat(AT_FDCWD, path.c_str(), &plain, 0) == 0 && same_file(plain));
  EXPECT_TRUE(fstatat(AT_FDCWD, link.c_str(), &plain, AT_SYMLINK_NOFOLLOW) == 0 &&
              the_link(plain));
  struct stat64 wide {};
  EXPECT_TRUE(fstat64(fd, &wide) == 0 && same_file(wide));
  EXPECT_TRUE(stat64(link.c_str(), &wide) == 0 && same_file(wide));
  EXPECT_TRUE(lstat64(link.c_str(), &wide) == 0 && the_link(wide));
  EXPECT_TRUE(fstatat64(AT_FDCWD, link.c_str(), &wide, 0) == 0 && same_file(wide));
  errno = 0;
  EXPECT_EQ(stat((path + ".missing").c_str(), &plain), -1);
  EXPECT_EQ(errno, ENOENT);
  // The C++ runtime's own calls.
  EXPECT_EQ(std::filesystem::file_size(link), 1234U);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  unlink(link.c_str());
  unlink(path.c_str());
  close(fd);
}

}  // namespace
