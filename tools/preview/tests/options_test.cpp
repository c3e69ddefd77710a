// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace preview {
namespace {

TEST(Options, NoArgumentsMeansTheContactSheetWithItsFrame) {
  const ParseResult r = parse_options({});
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_FALSE(r.options.single_panel());
  EXPECT_FALSE(r.options.help);
  EXPECT_TRUE(r.options.frame);
  EXPECT_EQ(r.options.width, 400);
  EXPECT_EQ(r.options.height, 300);
}

TEST(Options, EveryFlagInItsLongSpellings) {
  const ParseResult r = parse_options(
      {"--mode", "2", "--direction=1,-2.5,3e-1", "--position", "0.5,0,-1",
       "--rotation=-0.25", "--size", "64x48", "--threads=3", "--out", "a.png",
       "--module=m.so", "--declaration", "d.mtlx", "--frame", "off"});
  ASSERT_TRUE(r.ok()) << r.error;
  const Options& o = r.options;
  EXPECT_TRUE(o.single_panel());
  EXPECT_EQ(*o.mode, 2);
  EXPECT_EQ(o.direction->y, -2.5f);
  EXPECT_EQ(o.direction->z, 0.3f);
  EXPECT_EQ(o.position->z, -1.0f);
  EXPECT_EQ(*o.rotation, -0.25f);
  EXPECT_EQ(o.width, 64);
  EXPECT_EQ(o.height, 48);
  EXPECT_EQ(o.threads, 3);
  EXPECT_EQ(o.out, "a.png");
  EXPECT_EQ(o.module, "m.so");
  EXPECT_EQ(o.declaration, "d.mtlx");
  EXPECT_FALSE(o.frame);
}

TEST(Options, ShortFlags) {
  const ParseResult r =
      parse_options({"-m", "0", "-d", "0,1,0", "-p0,0,2", "-r", "0.5", "-s", "20x30",
                     "-j", "2", "-o", "b.png", "-f", "on"});
  ASSERT_TRUE(r.ok()) << r.error;
  const Options& o = r.options;
  EXPECT_EQ(*o.mode, 0);  // an explicit mode wins over the vectors' defaults
  EXPECT_EQ(o.direction->y, 1.0f);
  EXPECT_EQ(o.position->z, 2.0f);
  EXPECT_EQ(*o.rotation, 0.5f);
  EXPECT_EQ(o.width, 20);
  EXPECT_EQ(o.height, 30);
  EXPECT_EQ(o.threads, 2);
  EXPECT_EQ(o.out, "b.png");
  EXPECT_TRUE(o.frame);
  EXPECT_TRUE(parse_options({"-h"}).options.help);
}

TEST(Options, AVectorWithoutModeChoosesTheModeThatUsesIt) {
  EXPECT_EQ(*parse_options({"--position", "1.5,0,0.5"}).options.mode, 2);
  EXPECT_EQ(*parse_options({"-d", "0,0,1"}).options.mode, 1);
  EXPECT_FALSE(parse_options({"--rotation", "0.25"}).options.mode.has_value());
  const ParseResult both = parse_options({"-d", "1,0,0", "-p", "0,0,0"});
  EXPECT_NE(both.error.find("need --mode"), std::string::npos) << both.error;
}

TEST(Options, AnyShaderParameterSelectsOnePanel) {
  EXPECT_TRUE(parse_options({"--rotation", "0"}).options.single_panel());
  EXPECT_TRUE(parse_options({"--position", "0,0,0"}).options.single_panel());
  EXPECT_FALSE(parse_options({"--size", "20x20", "--threads", "1", "--frame", "off"})
                   .options.single_panel());
}

TEST(Options, ARepeatedFlagIsRefusedInEverySpelling) {
  const std::vector<std::vector<std::string>> cases = {
      {"--mode", "1", "--mode", "2"},     {"-m", "1", "--mode=1"},
      {"-d", "1,0,0", "-d", "0,1,0"},     {"--size", "20x20", "-s20x20"},
      {"--out", "a.png", "-o", "b.png"},  {"--frame", "on", "-f", "off"},
      {"--module", "a", "--module", "a"}, {"-h", "--help"},
  };
  for (const auto& args : cases) {
    const ParseResult r = parse_options(args);
    ASSERT_FALSE(r.ok()) << args[0] << " " << args[2];
    EXPECT_NE(r.error.find("given more than once"), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
  }
}

TEST(Options, BadInputGetsOneLineNamingTheFlag) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus"}, "--bogus"},
      {{"render"}, "render"},
      {{"--mode"}, "--mode"},
      {{"--mode", "one"}, "--mode"},
      {{"--mode", "1x"}, "--mode"},
      {{"--mode", "99999999999"}, "--mode"},
      {{"--direction", "1,2"}, "--direction: expected three finite numbers"},
      {{"--direction", "1,2,3,4"}, "--direction"},
      {{"--direction", "1,,3"}, "--direction"},
      {{"--position", "a,b,c"}, "--position"},
      {{"--position=1,2,nan"}, "--position"},
      {{"--rotation", "inf"}, "--rotation: expected a finite number"},
      {{"--rotation", ""}, "--rotation"},
      {{"--size", "640"}, "--size"},
      {{"--size", "8x8"}, "--size"},
      {{"--size", "100x-5"}, "--size"},
      {{"--threads", "0"}, "--threads"},
      {{"--frame", "yes"}, "--frame"},
      {{"--out", ""}, "--out: expected a value"},
      {{"--size", "64x48", "--module"}, "--module"},
  };
  for (const auto& [args, message] : cases) {
    const ParseResult r = parse_options(args);
    ASSERT_FALSE(r.ok()) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_NE(r.error.find(message), std::string::npos)
        << "\"" << r.error << "\" lacks \"" << message << "\"";
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
  }
}

TEST(Options, HelpExplainsEveryFlagTheModeRuleAndTheExitStatuses) {
  const std::string help = usage_text();
  for (const char* flag :
       {"-m,--mode", "-d,--direction", "-p,--position", "-r,--rotation", "-s,--size",
        "-j,--threads", "-o,--out", "-f,--frame", "--module", "--declaration",
        "-h,--help", "--direction alone means", "mode 1 and --position alone mode 2",
        "exit status", "4 output cannot"}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }
}

}  // namespace
}  // namespace preview
