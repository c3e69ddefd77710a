// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The entries through which the host manages the shader.

#include <cstring>

#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

// Never dereferenced: any read of the state through it would crash the test.
RenderState* const kUnreadableState =
    reinterpret_cast<RenderState*>(alignof(RenderState));

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

}  // namespace
}  // namespace pellasto_test
