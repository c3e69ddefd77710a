// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The program as a user runs it: exit statuses, one-line errors, and an output
// path that holds a whole PNG or nothing.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/preview-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    for (const std::string& name : files()) {
      std::remove((dir_ + "/" + name).c_str());
    }
    rmdir(dir_.c_str());
  }

  // Runs the program with `args`; returns its exit status.
  int run(const std::string& args) {
    const std::string command = std::string(PREVIEW_PROGRAM) + " " + args + " >" + dir_ +
                                "/stdout.txt 2>" + dir_ + "/stderr.txt";
    const int status = std::system(command.c_str());
    stdout_ = read(dir_ + "/stdout.txt");
    stderr_ = read(dir_ + "/stderr.txt");
    std::remove((dir_ + "/stdout.txt").c_str());
    std::remove((dir_ + "/stderr.txt").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<std::string> files() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
          names.push_back(name);
        }
      }
      closedir(d);
    }
    return names;
  }

  void expect_one_line_error(const std::string& mention) {
    EXPECT_EQ(stderr_.rfind("pellasto-preview: ", 0), 0u) << stderr_;
    EXPECT_EQ(stderr_.find('\n'), stderr_.size() - 1) << stderr_;
    EXPECT_NE(stderr_.find(mention), std::string::npos) << stderr_;
  }

  std::string out() const { return dir_ + "/out.png"; }
  std::string dir_;
  std::string stdout_;
  std::string stderr_;
};

TEST_F(Program, RendersTheContactSheetAsAPng) {
  ASSERT_EQ(run("--size 32x24 --threads 2 --out " + out()), 0) << stderr_;
  const std::string png = read(out());
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(files(), std::vector<std::string>{"out.png"});  // no temporary left
}

TEST_F(Program, BadCommandLine) {
  EXPECT_EQ(run("--frobnicate --out " + out()), 1);
  expect_one_line_error("not expected: --frobnicate");
  EXPECT_EQ(run("--direction 1,0 --out " + out()), 1);
  expect_one_line_error("--direction");
  EXPECT_EQ(run("-r 0.25 --rotation 0.5 --out " + out()), 1);
  expect_one_line_error("--rotation is given more than once");
  EXPECT_TRUE(files().empty());
}

TEST_F(Program, APositionAloneRendersModeTwoAtThatPosition) {
  ASSERT_EQ(run("--position 1.5,0,0.5 -s 32x24 -j 1 -o " + out()), 0) << stderr_;
  EXPECT_NE(stdout_.find("1 panel,"), std::string::npos) << stdout_;
  EXPECT_NE(stdout_.find("mode 2 pos (1.5,0,0.5)"), std::string::npos) << stdout_;
  ASSERT_EQ(run("-d 0,0,1 -s 32x24 -j 1 -o " + out()), 0) << stderr_;
  EXPECT_NE(stdout_.find("mode 1 dir (0,0,1)"), std::string::npos) << stdout_;
}

TEST_F(Program, FrameOffLeavesOnlyTheOverlayOut) {
  const auto sheet = [this](const std::string& frame) {
    EXPECT_EQ(run("-m 1 --size 64x48 -j 2 " + frame + " --out " + out()), 0) << stderr_;
    return read(out());
  };
  const std::string with = sheet("");
  const std::string on = sheet("--frame on");
  const std::string off = sheet("--frame off");
  EXPECT_EQ(with, on);
  EXPECT_NE(on, off);
  EXPECT_EQ(off.substr(1, 3), "PNG");
}

TEST_F(Program, MismatchedDeclarationExitsWithTwoAndWritesNothing) {
  std::string xml = read(PREVIEW_DECLARATION);
  xml.replace(xml.find("type=\"integer\""), 14, "type=\"float\"");
  std::ofstream(dir_ + "/bad.mtlx") << xml;
  std::ofstream(out()) << "previous picture";
  EXPECT_EQ(run("--declaration " + dir_ + "/bad.mtlx --out " + out()), 2);
  expect_one_line_error(
      "\"mode\" is declared float at byte 16, expected integer at byte 16");
  EXPECT_EQ(read(out()), "previous picture");
  std::remove((dir_ + "/bad.mtlx").c_str());
  EXPECT_EQ(files(), std::vector<std::string>{"out.png"});
}

TEST_F(Program, ModuleProblemsExitWithThreeAndWriteNothing) {
  EXPECT_EQ(run("--module " + dir_ + "/absent.so --out " + out()), 3);
  expect_one_line_error("cannot load module");
  EXPECT_EQ(
      run(std::string("--module ") + PREVIEW_WRONG_VERSION_MODULE + " --out " + out()),
      3);
  expect_one_line_error("interface version 2; this host supports version 1 only");
  EXPECT_TRUE(files().empty());
}

TEST_F(Program, UnwritableOutputExitsWithFourBeforeRendering) {
  EXPECT_EQ(run("--out " + dir_ + "/no/such/dir/x.png"), 4);
  expect_one_line_error("cannot write");
  EXPECT_EQ(run("--out " + dir_), 4);
  expect_one_line_error("is a directory");
  EXPECT_TRUE(files().empty());
}

}  // namespace
