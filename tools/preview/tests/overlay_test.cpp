// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame drawn over the pictures: its strokes must follow the vectors the
// highlight shader saw in the same render, and be drawn where they say.
#include "tools/preview/src/overlay.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "hostside/vec.h"
#include "tools/preview/src/canvas.h"
#include "tools/preview/src/module_calls.h"
#include "tools/preview/src/render.h"
#include "tools/preview/src/scene.h"
#include "tools/preview/tests/loaded_module.h"

namespace preview {

using hostside::normalized;
namespace {

class Overlay : public LoadedModule {
 protected:
  static Picture draw(std::int32_t mode, float rotation = 0,
                      Vector direction = {1, 0, 0}) {
    RenderSettings settings;
    settings.width = 200;
    settings.height = 150;
    settings.threads = 2;
    settings.samples_per_axis = 1;
    return render(module(), params(mode, rotation, direction), default_scene(), settings);
  }
};

// The 8-bit RGB value of one pixel of an image surface.
std::array<std::uint8_t, 3> pixel(cairo_surface_t* surface, int x, int y) {
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(
      data + static_cast<std::size_t>(y) * stride)[x];
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

Point2 minus(Point2 a, Point2 b) { return Point2{a.x - b.x, a.y - b.y}; }
float cross2(Point2 a, Point2 b) { return a.x * b.y - a.y * b.x; }
float dot2(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
float len2(Point2 a) { return std::hypot(a.x, a.y); }

// Where a point a small step along `v` from the mark's surface point lands,
// as a unit direction on the screen.
Point2 screen_direction(const Picture& pic, const FrameMark& m, Vector v) {
  const Scene scene = default_scene();
  Point2 a;
  Point2 b;
  EXPECT_TRUE(project(scene, pic.width, pic.height, pic.point[m.pixel], &a.x, &a.y));
  EXPECT_TRUE(project(scene, pic.width, pic.height,
                      pic.point[m.pixel] + 1e-3f * normalized(v), &b.x, &b.y));
  const Point2 d = minus(b, a);
  return Point2{d.x / len2(d), d.y / len2(d)};
}

TEST_F(Overlay, StrokesFollowTheVectorsTheShaderSawInThatRender) {
  for (const float rotation : {0.0f, 0.125f, 0.25f}) {
    for (const std::int32_t mode : {0, 1, 2}) {
      const Picture pic = draw(mode, rotation);
      const std::vector<FrameMark> marks = frame_marks(pic, default_scene());
      ASSERT_GT(marks.size(), 40u);
      for (const FrameMark& m : marks) {
        ASSERT_EQ(m.kind, FrameMark::kTangent);
        ASSERT_NE(pic.object[m.pixel], kNothing);
        // The anchor is the sample's own point, inside its pixel.
        EXPECT_NEAR(m.at.x, static_cast<float>(m.pixel % pic.width) + 0.5f, 0.5f);
        EXPECT_NEAR(m.at.y, static_cast<float>(m.pixel / pic.width) + 0.5f, 0.5f);
        const Point2 stroke = minus(m.head, m.tail);
        if (len2(stroke) < 3) {
          continue;  // seen nearly end on
        }
        const Point2 t = screen_direction(pic, m, pic.seen[1][m.pixel]);
        EXPECT_NEAR(cross2(stroke, t) / len2(stroke), 0, 0.05f) << "along D[1]";
        EXPECT_GT(dot2(stroke, t), 0) << "head towards +D[1]";
        const Point2 across = minus(m.across, m.at);
        if (len2(across) > 3) {
          const Point2 b = screen_direction(pic, m, pic.seen[0][m.pixel]);
          EXPECT_NEAR(cross2(across, b) / len2(across), 0, 0.05f) << "along D[0]";
          EXPECT_GT(dot2(across, b), 0);
        }
      }
    }
  }
}

TEST_F(Overlay, RadialStrokesOnTheDiscPointAtItsCentre) {
  const Picture pic = draw(2);
  Point2 centre;
  ASSERT_TRUE(project(default_scene(), pic.width, pic.height, Vector{0, 0, 0}, &centre.x,
                      &centre.y));
  int checked = 0;
  for (const FrameMark& m : frame_marks(pic, default_scene())) {
    const Point2 to_centre = minus(centre, m.at);
    if (pic.object[m.pixel] != kDisc || len2(to_centre) < 15) {
      continue;
    }
    const Point2 stroke = minus(m.head, m.tail);
    // The stroke, extended, passes through the centre's pixel.
    EXPECT_LT(std::fabs(cross2(stroke, to_centre)) / len2(stroke), 1.5f);
    EXPECT_GT(dot2(stroke, to_centre), 0);
    ++checked;
  }
  EXPECT_GT(checked, 30);
}

TEST_F(Overlay, AQuarterTurnPointsTheOtherWayFromTheHostsFrame) {
  // On the disc the host's D[1] is +z, towards the camera (down the picture);
  // x turned a quarter turn about +y is -z (up the picture).
  const auto heads_down = [](const Picture& pic) {
    int down = 0;
    int disc = 0;
    for (const FrameMark& m : frame_marks(pic, default_scene())) {
      if (pic.object[m.pixel] == kDisc) {
        ++disc;
        down += m.head.y > m.tail.y ? 1 : 0;
      }
    }
    return std::make_pair(down, disc);
  };
  const auto [host_down, host_disc] = heads_down(draw(0));
  EXPECT_EQ(host_down, host_disc);
  EXPECT_GT(host_disc, 30);
  const auto [turned_down, turned_disc] = heads_down(draw(1, 0.25f));
  EXPECT_EQ(turned_down, 0);
  EXPECT_GT(turned_disc, 30);
}

TEST_F(Overlay, ADirectionAlongTheNormalGetsTheZeroMark) {
  const Picture pic = draw(1, 0.0f, Vector{0, 1, 0});
  int zero_on_disc = 0;
  int sphere = 0;
  for (const FrameMark& m : frame_marks(pic, default_scene())) {
    if (pic.object[m.pixel] == kDisc) {
      EXPECT_EQ(m.kind, FrameMark::kZero);
      zero_on_disc += m.kind == FrameMark::kZero ? 1 : 0;
    } else {
      // Off the pole the sphere's normal leans, so the direction keeps a part
      // in its tangent plane.
      ++sphere;
    }
  }
  EXPECT_GT(zero_on_disc, 30);
  EXPECT_GT(sphere, 5);
}

TEST_F(Overlay, TheMarksAreDrawnWhereTheySay) {
  const Picture pic = draw(2, 0.125f);
  const std::vector<FrameMark> marks = frame_marks(pic, default_scene(), 30);
  const Surface surface = new_surface(pic.width, pic.height, 0);
  draw_frame(draw_on(surface.get()).get(), marks);
  const auto at = [&surface](Point2 a, Point2 b, float f) {
    return pixel(surface.get(), static_cast<int>(a.x + f * (b.x - a.x)),
                 static_cast<int>(a.y + f * (b.y - a.y)));
  };
  int checked = 0;
  for (const FrameMark& m : marks) {
    const Point2 t = minus(m.head, m.at);
    const Point2 b = minus(m.across, m.at);
    if (len2(t) < 6 || len2(b) < 6 ||
        std::fabs(cross2(t, b)) < 0.5f * len2(t) * len2(b)) {
      continue;  // too short, or the two strokes too close to tell apart
    }
    const auto tangent = at(m.at, m.head, 0.5f);  // warm
    EXPECT_GT(tangent[0], 150);
    EXPECT_GT(tangent[0], tangent[2] + 60);
    const auto across = at(m.at, m.across, 0.7f);  // cool
    EXPECT_GT(across[2], 100);
    EXPECT_GT(across[2], across[0] + 40);
    ++checked;
  }
  EXPECT_GT(checked, 10);

  const Picture flat = draw(1, 0.0f, Vector{0, 1, 0});
  const Surface zero_surface = new_surface(flat.width, flat.height, 0);
  const std::vector<FrameMark> zero_marks = frame_marks(flat, default_scene());
  draw_frame(draw_on(zero_surface.get()).get(), zero_marks);
  int crosses = 0;
  for (const FrameMark& m : zero_marks) {
    if (m.kind == FrameMark::kZero) {
      const auto ring = pixel(zero_surface.get(), static_cast<int>(m.at.x),
                              static_cast<int>(m.at.y));  // the cross at its centre
      EXPECT_GT(ring[0], 120);
      EXPECT_LT(ring[1], 120);
      ++crosses;
    }
  }
  EXPECT_GT(crosses, 30);
}

}  // namespace
}  // namespace preview
