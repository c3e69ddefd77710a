#include "tools/preview/src/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace preview {
namespace {

TEST(Options, NoArgumentsMeansTheContactSheet) {
  const ParseResult r = parse_options({});
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_FALSE(r.options.single_panel());
  EXPECT_FALSE(r.options.help);
  EXPECT_EQ(r.options.width, 400);
  EXPECT_EQ(r.options.height, 300);
}

TEST(Options, EveryFlagInBothSpellings) {
  const ParseResult r =
      parse_options({"--mode", "2", "--direction=1,-2.5,3e-1", "--position", "0.5,0,-1",
                     "--rotation=-0.25", "--size", "64x48", "--threads=3", "--out",
                     "a.png", "--module=m.so", "--declaration", "d.mtlx"});
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
}

TEST(Options, AnyShaderParameterSelectsOnePanel) {
  EXPECT_TRUE(parse_options({"--rotation", "0"}).options.single_panel());
  EXPECT_TRUE(parse_options({"--position", "0,0,0"}).options.single_panel());
  EXPECT_FALSE(
      parse_options({"--size", "20x20", "--threads", "1"}).options.single_panel());
  EXPECT_TRUE(parse_options({"--help"}).options.help);
}

TEST(Options, BadInputGetsOneLineNamingTheFlag) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"render"}, "unknown option render"},
      {{"--mode"}, "--mode needs a value"},
      {{"--mode", "one"}, "--mode: \"one\" is not an integer"},
      {{"--mode", "1x"}, "--mode"},
      {{"--mode", "99999999999"}, "--mode"},
      {{"--direction", "1,2"}, "--direction: \"1,2\" is not three numbers"},
      {{"--direction", "1,2,3,4"}, "--direction"},
      {{"--direction", "1,,3"}, "--direction"},
      {{"--position", "a,b,c"}, "--position"},
      {{"--position=1,2,nan"}, "--position"},
      {{"--rotation", "inf"}, "--rotation: \"inf\" is not a finite number"},
      {{"--rotation", ""}, "--rotation"},
      {{"--size", "640"}, "--size: \"640\" is not WIDTHxHEIGHT"},
      {{"--size", "8x8"}, "--size"},
      {{"--size", "100x-5"}, "--size"},
      {{"--threads", "0"}, "--threads"},
      {{"--out", ""}, "--out: \"\" is not a path"},
      {{"--size", "64x48", "--module"}, "--module needs a value"},
  };
  for (const auto& [args, message] : cases) {
    const ParseResult r = parse_options(args);
    ASSERT_FALSE(r.ok()) << args[0];
    EXPECT_NE(r.error.find(message), std::string::npos)
        << "\"" << r.error << "\" lacks \"" << message << "\"";
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
  }
}

TEST(Options, HelpExplainsEveryFlag) {
  const std::string help = usage_text();
  for (const char* flag : {"--mode", "--direction", "--position", "--rotation", "--size",
                           "--threads", "--out", "--module", "--declaration", "--help"}) {
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  }
}

}  // namespace
}  // namespace preview
