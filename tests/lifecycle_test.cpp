// The entries through which the host manages the shader.

#include <cstring>

#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

using testing::Return;

// Never dereferenced: any read of the state through it would crash the test.
RenderState* const kUnreadableState =
    reinterpret_cast<RenderState*>(alignof(RenderState));

TEST(Lifecycle, VersionIsOneBeforeAndAfterInitAndExit) {
  EXPECT_EQ(pellasto().version(), 1);
  Boolean wanted = 1;
  pellasto().init(kUnreadableState, nullptr, &wanted);
  EXPECT_EQ(pellasto().version(), 1);
  pellasto().exit(kUnreadableState, nullptr);
  EXPECT_EQ(pellasto().version(), 1);
}

TEST(Lifecycle, InitWithoutParametersDeclinesInstanceInit) {
  Boolean wanted = 1;
  pellasto().init(kUnreadableState, nullptr, &wanted);
  EXPECT_EQ(wanted, 0);
  wanted = 0;
  pellasto().init(kUnreadableState, nullptr, &wanted);
  EXPECT_EQ(wanted, 0);
  pellasto().init(kUnreadableState, nullptr, nullptr);  // nowhere to answer
}

TEST(Lifecycle, InitWithParametersTouchesNothing) {
  FrameParams params;
  std::memset(&params, 0xa5, sizeof params);
  FrameParams before;
  std::memcpy(&before, &params, sizeof params);
  for (Boolean flag : {0, 1, 7}) {
    Boolean wanted = flag;
    pellasto().init(kUnreadableState, &params, &wanted);
    EXPECT_EQ(wanted, flag);
    EXPECT_TRUE(same_bits(params, before));
  }
}

class LifecycleShading : public ShadingTest {};

TEST_F(LifecycleShading, ShaderWorksTheSameBeforeInitAndAfterExit) {
  auto frame_of = [this](Vector seen[2]) {
    Sample s;
    s.params.mode = 1;
    s.params.direction = {0, 3, 4};
    Color value{1, 1, 1, 1};
    observe_input(s, &value, seen);
    EXPECT_EQ(s.shade(), 1);
  };
  Vector before[2], after[2];
  frame_of(before);
  Boolean wanted = 1;
  pellasto().init(kUnreadableState, nullptr, &wanted);
  pellasto().exit(kUnreadableState, nullptr);
  frame_of(after);
  EXPECT_TRUE(same_bits(before, after));
  EXPECT_EQ(before[1], (Vector{0, 1, 0}));
}

}  // namespace
}  // namespace pellasto_test
