// What the static C++ runtime of a program held to glibc 2.28 relies on, run
// through the rebound and replaced functions (platform/glibc_compat.cpp):
// constructors, exceptions, threads, random bytes and file status.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
    EXPECT_EQ(found.dlfo_eh_dbase, expected.dlfo_eh_dbase);
#endif
  }
  EXPECT_EQ(dlclose(module), 0);
}

TEST(GlibcBaseline, ThreadsRunAreJoinedDetachedAndInitialiseOnce) {
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

  std::promise<std::thread::id> ran;
  std::future<std::thread::id> id = ran.get_future();
  std::thread([&ran] { ran.set_value(std::this_thread::get_id()); }).detach();
  EXPECT_NE(id.get(), std::this_thread::get_id());
}

// 64 draws of 32 bits: a source that is not random (a constant, a counter,
// zeros) leaves bits that never change.
void expect_random_words(const std::vector<uint32_t>& words) {
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
  std::vector<uint32_t> words(64);
  for (uint32_t& word : words) {
    word = arc4random();
  }
  expect_random_words(words);

  std::random_device device("arc4random");
  for (uint32_t& word : words) {
    word = device();
  }
  expect_random_words(words);

  std::vector<uint32_t> buffer(64, 0);
  arc4random_buf(buffer.data(), buffer.size() * sizeof(uint32_t));
  expect_random_words(buffer);
}

// A regular file of known size and a symbolic link to it.
class GlibcStat : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string folder = testing::TempDir();
    path_ = folder + "pellasto_glibc_stat_XXXXXX";
    fd_ = mkstemp(path_.data());
    ASSERT_GE(fd_, 0) << std::strerror(errno);
    std::string content(1234, 'x');
    ASSERT_EQ(write(fd_, content.data(), content.size()), 1234);
    link_ = path_ + ".link";
    ASSERT_EQ(symlink(path_.c_str(), link_.c_str()), 0) << std::strerror(errno);
  }
  void TearDown() override {
    unlink(link_.c_str());
    unlink(path_.c_str());
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  template <typename Stat>
  void expect_the_file(const Stat& status, const struct stat& reference) {
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_size, 1234);
    EXPECT_EQ(status.st_ino, reference.st_ino);
    EXPECT_EQ(status.st_dev, reference.st_dev);
  }
  template <typename Stat>
  void expect_the_link(const Stat& status) {
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(status.st_size, static_cast<off_t>(path_.size()));
  }

  std::string path_;
  std::string link_;
  int fd_ = -1;
};

TEST_F(GlibcStat, EveryVariantDescribesTheFileOrTheLink) {
  struct stat reference {};
  ASSERT_EQ(fstat(fd_, &reference), 0);
  expect_the_file(reference, reference);

  struct stat plain {};
  ASSERT_EQ(stat(link_.c_str(), &plain), 0);
  expect_the_file(plain, reference);
  ASSERT_EQ(lstat(link_.c_str(), &plain), 0);
  expect_the_link(plain);
  ASSERT_EQ(fstatat(AT_FDCWD, path_.c_str(), &plain, 0), 0);
  expect_the_file(plain, reference);
  ASSERT_EQ(fstatat(AT_FDCWD, link_.c_str(), &plain, AT_SYMLINK_NOFOLLOW), 0);
  expect_the_link(plain);

  struct stat64 wide {};
  ASSERT_EQ(fstat64(fd_, &wide), 0);
  expect_the_file(wide, reference);
  ASSERT_EQ(stat64(link_.c_str(), &wide), 0);
  expect_the_file(wide, reference);
  ASSERT_EQ(lstat64(link_.c_str(), &wide), 0);
  expect_the_link(wide);
  ASSERT_EQ(fstatat64(AT_FDCWD, link_.c_str(), &wide, 0), 0);
  expect_the_file(wide, reference);

  errno = 0;
  EXPECT_EQ(stat((path_ + ".missing").c_str(), &plain), -1);
  EXPECT_EQ(errno, ENOENT);

  // The C++ runtime's own calls.
  EXPECT_EQ(std::filesystem::file_size(link_), 1234U);
  EXPECT_TRUE(std::filesystem::is_symlink(link_));
  EXPECT_TRUE(std::filesystem::is_regular_file(link_));
}

}  // namespace
