// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// End-to-end renders through the built module: the connected highlight shader
// must see the frame the module installs, and the pictures must show it.
#include "tools/preview/src/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "hostside/vec.h"
#include "tools/preview/src/declaration.h"
#include "tools/preview/src/module_calls.h"
#include "tools/preview/src/scene.h"
#include "tools/preview/tests/loaded_module.h"

namespace preview {

using hostside::cross;
using hostside::length;
using hostside::normalized;
namespace {

class Render : public LoadedModule {
 protected:
  static Picture draw(const FrameParams& p, int threads = 2, int size = 96) {
    RenderSettings settings;
    settings.width = size;
    settings.height = size * 3 / 4;
    settings.threads = threads;
    settings.samples_per_axis = 2;
    Picture pic = render(module(), p, default_scene(), settings);
    EXPECT_EQ(pic.frames_not_restored, 0);
    EXPECT_EQ(pic.samples_without_input, 0);
    return pic;
  }

  // Calls `check(point, d0, d1)` for every pixel showing the disc.
  template <typename Check>
  static int for_disc(const Picture& pic, Check check) {
    int count = 0;
    for (std::size_t i = 0; i < pic.object.size(); ++i) {
      if (pic.object[i] == kDisc) {
        check(pic.point[i], pic.seen[0][i], pic.seen[1][i]);
        ++count;
      }
    }
    return count;
  }
};

void expect_near(Vector actual, Vector expected, const char* what) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
  EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
}

constexpr Vector kUp{0, 1, 0};

TEST_F(Render, ModeZeroLeavesTheHostsOwnFrame) {
  const Picture pic = draw(params(0));
  const int n = for_disc(pic, [](Vector, Vector d0, Vector d1) {
    expect_near(d0, Vector{1, 0, 0}, "dP/du");
    expect_near(d1, Vector{0, 0, 1}, "dP/dv");
  });
  EXPECT_GT(n, 1000);
}

TEST_F(Render, FixedDirectionFrameOnTheDisc) {
  const Picture pic = draw(params(1, 0.0f, Vector{2, 5, 0}));  // lifted out of the plane
  const int n = for_disc(pic, [](Vector, Vector d0, Vector d1) {
    expect_near(d1, Vector{1, 0, 0}, "tangent");
    expect_near(d0, cross(kUp, Vector{1, 0, 0}), "normal x tangent");
  });
  EXPECT_GT(n, 1000);
}

TEST_F(Render, PositionModeIsRadialAboutTheDiscCentre) {
  const Picture pic = draw(params(2));
  int checked = 0;
  for_disc(pic, [&checked](Vector point, Vector d0, Vector d1) {
    const Vector inward = Vector{-point.x, 0, -point.z};
    if (length(inward) < 0.05f) {
      return;  // at the centre the direction is ill-defined
    }
    const Vector t = normalized(inward);
    expect_near(d1, t, "tangent towards the centre");
    expect_near(d0, cross(kUp, t), "normal x tangent");
    ++checked;
  });
  EXPECT_GT(checked, 1000);
}

TEST_F(Render, QuarterTurnIsAboutTheNormal) {
  // x turned a quarter turn about +y (right-handed) is -z.
  const Picture pic = draw(params(1, 0.25f));
  const int n = for_disc(pic, [](Vector, Vector d0, Vector d1) {
    expect_near(d1, Vector{0, 0, -1}, "turned tangent");
    expect_near(d0, cross(kUp, Vector{0, 0, -1}), "normal x turned tangent");
  });
  EXPECT_GT(n, 1000);
}

TEST_F(Render, WholeTurnsRenderTheSamePixelsAsNone) {
  const Picture none = draw(params(1, 0.0f));
  for (float turns : {1.0f, -2.0f}) {
    const Picture whole = draw(params(1, turns));
    EXPECT_TRUE(whole.rgb == none.rgb) << turns;
  }
  // Half a turn flips the tangent, which the highlight cannot tell apart.
  const Picture half = draw(params(1, 0.5f));
  float worst = 0;
  for (std::size_t i = 0; i < none.rgb.size(); ++i) {
    worst =
        std::fmax(worst, std::fabs(half.rgb[i] - none.rgb[i]) / (1e-3f + none.rgb[i]));
  }
  EXPECT_LT(worst, 1e-2f);
}

TEST_F(Render, ThreadCountDoesNotChangeAPixel) {
  const Picture one = draw(params(2, 0.125f), 1);
  const Picture many = draw(params(2, 0.125f), 5);
  EXPECT_TRUE(one.rgb == many.rgb);
}

// How much the brightness on the disc varies along the image's x and y axes:
// a highlight stretched along x varies mostly along y.
struct Gradients {
  double along_x = 0;
  double along_y = 0;
};

Gradients disc_gradients(const Picture& pic) {
  Gradients g;
  const auto lum = [&pic](int x, int y) {
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * pic.width + x);
    return static_cast<double>(pic.rgb[i] + pic.rgb[i + 1] + pic.rgb[i + 2]);
  };
  const auto disc = [&pic](int x, int y) {
    return pic.object[static_cast<std::size_t>(y) * pic.width + x] == kDisc;
  };
  for (int y = 1; y + 1 < pic.height; ++y) {
    for (int x = 1; x + 1 < pic.width; ++x) {
      if (!disc(x, y) || !disc(x - 1, y) || !disc(x + 1, y) || !disc(x, y - 1) ||
          !disc(x, y + 1)) {
        continue;
      }
      const double gx = lum(x + 1, y) - lum(x - 1, y);
      const double gy = lum(x, y + 1) - lum(x, y - 1);
      g.along_x += gx * gx;
      g.along_y += gy * gy;
    }
  }
  return g;
}

TEST_F(Render, HighlightsOnTheDiscFollowTheFrame) {
  // Direction x runs across the image: streaks vary from row to row.
  const Gradients across = disc_gradients(draw(params(1, 0.0f), 2, 160));
  EXPECT_GT(across.along_y, 2 * across.along_x);
  // A quarter turn points them away from the camera: they vary along the rows.
  const Gradients turned = disc_gradients(draw(params(1, 0.25f), 2, 160));
  EXPECT_GT(turned.along_x, 2 * turned.along_y);
  // Radial streaks are neither: their balance differs from both.
  const Gradients radial = disc_gradients(draw(params(2, 0.0f), 2, 160));
  const double ratio = radial.along_y / radial.along_x;
  EXPECT_LT(ratio, across.along_y / across.along_x / 1.5);
  EXPECT_GT(ratio, turned.along_y / turned.along_x * 1.5);
}

}  // namespace
}  // namespace preview
