// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the preview's render tests share: the built module, loaded once per
// suite as the program loads it, and a parameter block for a panel.
#ifndef PELLASTO_PREVIEW_TESTS_LOADED_MODULE_H
#define PELLASTO_PREVIEW_TESTS_LOADED_MODULE_H

#include <gtest/gtest.h>

#include <cstdint>

#include "tools/preview/src/module_calls.h"

namespace preview {

class LoadedModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    loaded_ = new LoadResult(load_module(PREVIEW_MODULE));
    ASSERT_EQ(loaded_->status, LoadStatus::kLoaded) << loaded_->error;
  }
  static void TearDownTestSuite() {
    unload_module(&loaded_->module);
    delete loaded_;
    loaded_ = nullptr;
  }

  static const Module& module() { return loaded_->module; }

  // Mode 2 works towards the disc's centre.
  static FrameParams params(std::int32_t mode, float rotation = 0.0f,
                            Vector direction = {1, 0, 0}) {
    FrameParams p{};
    p.input = Color{0, 0, 0, 1};
    p.mode = mode;
    p.direction = direction;
    p.position = Vector{0, 0, 0};
    p.rotation = rotation;
    return p;
  }

 private:
  static inline LoadResult* loaded_ = nullptr;
};

}  // namespace preview

#endif  // PELLASTO_PREVIEW_TESTS_LOADED_MODULE_H
