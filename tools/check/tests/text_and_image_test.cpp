// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// pellasto-check's own pieces that a wrong byte would quietly break: details
// carried on one line from a worker, the UTF-8 its JSON and XML must hold,
// the patterns that select checks, and what a file's headers say.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "tools/check/src/image.h"
#include "tools/check/src/protocol.h"
#include "tools/check/src/text.h"

namespace {

TEST(CheckText, EveryByteOfADetailCrossesOnOneLine) {
  std::string detail = "a\\nb\\\\x41 \\";  // escapes written by a module, literally
  for (int b = 0; b < 256; ++b) {
    detail += static_cast<char>(b);
  }
  const std::string line = check::escape_detail(detail);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.find('\r'), std::string::npos);
  EXPECT_EQ(check::unescape_detail(line), detail);
}

// Each event as the worker sends it is the event the supervisor reads, a
// detail that looks like another event included; a line that is garbled
// never reads as a pass.
TEST(CheckProtocol, EveryEventCrossesAsItWasSent) {
  using check::Event;
  using check::Result;
  const std::string hostile = "x\nresult 3 pass \\n\r done";
  const Event sent[] = {
      Event::loaded(),
      Event::no_shader(),
      Event::unloadable(hostile),
      Event::begin(17),
      Event::unloading(),
      Event::finished(4, Result::pass()),
      Event::finished(5, Result::fail(hostile)),
      Event::finished(6, Result::skip("")),
      Event::done(),
  };
  for (const Event& e : sent) {
    const std::string line = check::encode(e);
    ASSERT_EQ(line.find('\n'), std::string::npos) << line;
    const Event got = check::decode(line);
    EXPECT_EQ(got.kind, e.kind) << line;
    EXPECT_EQ(got.index, e.index) << line;
    EXPECT_EQ(got.reason, e.reason) << line;
    EXPECT_EQ(got.result.status, e.result.status) << line;
    EXPECT_EQ(got.result.detail, e.result.detail) << line;
  }
  EXPECT_EQ(check::decode("result 2 passed").result.status, Result::Status::kFailed);
  EXPECT_EQ(check::decode("result 2").result.status, Result::Status::kFailed);
  EXPECT_EQ(check::decode("loaded2").kind, Event::Kind::kOther);
  EXPECT_EQ(check::decode("").kind, Event::Kind::kOther);
}

TEST(CheckProtocol, TheWorkersCommandLineCrossesAsItWasMade) {
  check::WorkerRequest r;
  r.module = "a b/Pellasto,1.so";
  r.checks = {0, 7, 61};
  r.threads = 9;
  r.seed = 9007199254740991ULL;
  r.repeat = 3;
  r.fuzz_seconds = 1.5;
  for (const bool none : {false, true}) {
    if (none) {
      r.checks.clear();
    }
    std::vector<std::string> args = check::worker_arguments(r);
    args.insert(args.begin(), "pellasto-check");
    std::vector<char*> argv;
    argv.reserve(args.size());
    for (std::string& a : args) {
      argv.push_back(a.data());
    }
    check::WorkerRequest got;
    ASSERT_TRUE(
        check::parse_worker_arguments(static_cast<int>(argv.size()), argv.data(), &got));
    EXPECT_EQ(got.module, r.module);
    EXPECT_EQ(got.checks, r.checks);
    EXPECT_EQ(got.threads, r.threads);
    EXPECT_EQ(got.seed, r.seed);
    EXPECT_EQ(got.repeat, r.repeat);
    EXPECT_EQ(got.fuzz_seconds, r.fuzz_seconds);
  }
}

TEST(CheckText, OnlyValidUtf8IsKept) {
  const std::string valid = "caf\xc3\xa9 \xf0\x9d\x84\x9e \xe2\x82\xac";
  EXPECT_EQ(check::valid_utf8(valid, false), valid);
  EXPECT_EQ(check::valid_utf8(valid, true), valid);
  const std::string replacement = "\xef\xbf\xbd";
  for (const std::string bad :
       {"\xff", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82"}) {
    std::string replaced;
    for (std::size_t i = 0; i < bad.size(); ++i) {
      replaced += replacement;
    }
    EXPECT_EQ(check::valid_utf8("<" + bad + ">", false), "<" + replaced + ">")
        << "bytes of " << bad.size();
  }
  // XML 1.0 holds no control character but tab, line feed and return.
  EXPECT_EQ(check::valid_utf8("a\x01\tb\n\r", true), "a" + replacement + "\tb\n\r");
  EXPECT_EQ(check::valid_utf8("a\x01", false), "a\x01");
  // Nor U+FFFE and U+FFFF, which are valid UTF-8 (and JSON); their
  // neighbours are characters XML holds.
  EXPECT_EQ(check::valid_utf8("\xef\xbf\xbe\xef\xbf\xbf", true),
            replacement + replacement);
  EXPECT_EQ(check::valid_utf8("\xef\xbf\xbe", false), "\xef\xbf\xbe");
  EXPECT_EQ(check::valid_utf8("\xef\xbf\xbd\xef\xbf\xbc\xef\xbe\xbf", true),
            "\xef\xbf\xbd\xef\xbf\xbc\xef\xbe\xbf");
}

// Every control a terminal acts on is written out, every byte that is not
// UTF-8 named, and the text a terminal merely shows is left as it is.
TEST(CheckText, ATerminalIsShownNoControlOfTheModules) {
  EXPECT_EQ(check::shown(std::string("a\r\x1b[2K\0b\n", 9)), "a\\r\\x1b[2K\\0b\\n");
  EXPECT_EQ(check::shown("\x01\x7f\x08\x07"), "\\x01\\x7f\\x08\\x07");
  EXPECT_EQ(check::shown("\xc2\x9b"
                         "31m \xc2\x85"),
            "\\u009b31m \\u0085");
  EXPECT_EQ(check::shown("\xff\xed\xa0\x80"), "\\xff\\xed\\xa0\\x80");
  const std::string kept =
      "tab\there caf\xc3\xa9 \xc2\xa0\xe2\x82\xac \xef\xbf\xbe C:\\dir";
  EXPECT_EQ(check::shown(kept), kept);
  std::string every;
  for (int b = 0; b < 256; ++b) {
    every += static_cast<char>(b);
  }
  for (const char c : check::shown(every)) {
    const auto u = static_cast<unsigned char>(c);
    EXPECT_TRUE(u == '\t' || (u >= 0x20 && u != 0x7f)) << "byte " << static_cast<int>(u);
  }
}

TEST(CheckText, PatternsSelectByGlobOrByPart) {
  const std::string id = "frame/mode 1, unturned: D[1] = unit tangent";
  EXPECT_TRUE(check::selects("frame/*", id));
  EXPECT_TRUE(check::selects("*unit tangent", id));
  EXPECT_TRUE(check::selects("frame/mode ?, unturned*", id));
  EXPECT_FALSE(check::selects("restore/*", id));
  EXPECT_FALSE(check::selects("frame/mode 2*", id));
  EXPECT_FALSE(check::selects("mode 1*", id));  // a glob covers the whole of it
  EXPECT_TRUE(check::selects("turned", id));    // a part, without * or ?
  EXPECT_TRUE(check::selects("D[1]", id));      // brackets are plain text
  EXPECT_FALSE(check::selects("threads/", id));
}

std::string temp_file(const std::string& name, const std::string& bytes) {
  const std::string path = hostside::program_dir() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<long>(bytes.size()));
  return path;
}

// An ELF header for `machine` and nothing else.
std::string elf_header(std::uint16_t machine) {
  std::string h(64, '\0');
  h.replace(0, 7,
            "\x7f"
            "ELF\x02\x01\x01");
  h[16] = 3;  // ET_DYN
  h[18] = static_cast<char>(machine & 0xff);
  h[19] = static_cast<char>(machine >> 8);
  return h;
}

// A PE header for `machine`: "MZ", the offset of "PE\0\0", the file header.
std::string pe_header(std::uint16_t machine) {
  std::string h(0x200, '\0');
  h[0] = 'M';
  h[1] = 'Z';
  h[0x3c] = static_cast<char>(0x80);
  h.replace(0x80, 4, std::string("PE\0\0", 4));
  h[0x84] = static_cast<char>(machine & 0xff);
  h[0x85] = static_cast<char>(machine >> 8);
  h[0x98] = 0x0b;  // PE32
  h[0x99] = 0x01;
  return h;
}

TEST(CheckImage, MachinesAreNamedFromTheTable) {
  const struct {
    std::string bytes;
    const char* machine;
    const char* family;
  } cases[] = {
      {elf_header(183), "aarch64", "aarch64"},
      {elf_header(62), "x86-64", "x86"},
      {elf_header(243), "riscv", "riscv"},
      {elf_header(9999), "machine 9999", "machine 9999"},
      {pe_header(0xaa64), "aarch64", "aarch64"},
      {pe_header(0x14c), "i386", "x86"},
  };
  for (const auto& c : cases) {
    const check::ImageInfo info = check::read_image(temp_file("machine.bin", c.bytes));
    EXPECT_EQ(info.machine, c.machine);
    EXPECT_EQ(info.family, c.family);
    EXPECT_TRUE(info.problem.empty()) << info.problem;
  }
}

TEST(CheckImage, AModuleCutShortIsTruncatedAndAWholeOneIsNot) {
  const std::string module =
      hostside::program_dir() + "/" + hostside::module_file("Pellasto");
  std::ifstream in(module, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)),
                          std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 8192u);
  const check::ImageInfo whole = check::read_image(module);
  EXPECT_FALSE(whole.truncated);
  EXPECT_EQ(whole.word_size, static_cast<int>(sizeof(void*) * 8));
  EXPECT_EQ(whole.family, check::kOwnMachineFamily);
  for (std::size_t size : {std::size_t{4096}, bytes.size() / 2, bytes.size() - 1}) {
    const check::ImageInfo cut =
        check::read_image(temp_file("cut.bin", bytes.substr(0, size)));
    EXPECT_TRUE(cut.truncated) << "cut to " << size << " of " << bytes.size() << " bytes";
  }
}

TEST(CheckImage, ABareNameIsLoadedFromTheCurrentFolder) {
  EXPECT_NE(check::read_image("Pellasto.so").load_path, "Pellasto.so");
  EXPECT_EQ(check::read_image("no_such_file.so").problem, "not found");
}

}  // namespace
