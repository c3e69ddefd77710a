// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/overlay.h"

#include <algorithm>
#include <cmath>

#include "hostside/vec.h"

namespace preview {

using hostside::dot;
using hostside::length;
using hostside::normalized;

namespace {

constexpr double kTangentColour[3] = {1.0, 0.84, 0.24};
constexpr double kAcrossColour[3] = {0.35, 0.8, 1.0};
constexpr double kZeroColour[3] = {1.0, 0.3, 0.45};
constexpr double kTangentWidth = 1.7;
constexpr double kAcrossWidth = 1.3;
constexpr double kHalo = 1.6;  // extra width of the dark line under each stroke

// The part of `v` in the plane of the unit normal `n`.
Vector in_plane(Vector v, Vector n) { return v - dot(v, n) * n; }

void line(cairo_t* cr, Point2 a, Point2 b) {
  cairo_move_to(cr, a.x, a.y);
  cairo_line_to(cr, b.x, b.y);
}

// A stroke with a dark halo under it, so that it reads on highlights too.
void haloed(cairo_t* cr, const double colour[3], double width) {
  cairo_set_line_width(cr, width + kHalo);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.65);
  cairo_stroke_preserve(cr);
  cairo_set_line_width(cr, width);
  cairo_set_source_rgb(cr, colour[0], colour[1], colour[2]);
  cairo_stroke(cr);
}

void arrow_head(cairo_t* cr, Point2 tail, Point2 head) {
  const double dx = head.x - tail.x;
  const double dy = head.y - tail.y;
  const double len = std::hypot(dx, dy);
  if (len < 4) {
    return;  // seen end on: no room for a head
  }
  const double size = std::min(4.5, 0.4 * len);
  const double ux = dx / len;
  const double uy = dy / len;
  const double bx = head.x - size * ux;
  const double by = head.y - size * uy;
  cairo_move_to(cr, head.x + 0.5 * ux, head.y + 0.5 * uy);
  cairo_line_to(cr, bx - 0.6 * size * uy, by + 0.6 * size * ux);
  cairo_line_to(cr, bx + 0.6 * size * uy, by - 0.6 * size * ux);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, kTangentColour[0], kTangentColour[1], kTangentColour[2]);
  cairo_fill(cr);
}

void tangent(cairo_t* cr, const FrameMark& m) {
  line(cr, m.at, m.across);
  haloed(cr, kAcrossColour, kAcrossWidth);
  line(cr, m.tail, m.head);
  haloed(cr, kTangentColour, kTangentWidth);
  arrow_head(cr, m.tail, m.head);
}

void zero(cairo_t* cr, Point2 at) {
  const double r = 3.5;
  cairo_new_sub_path(cr);
  cairo_arc(cr, at.x, at.y, r, 0, 2 * M_PI);
  line(cr, Point2{at.x - 2.0f, at.y - 2.0f}, Point2{at.x + 2.0f, at.y + 2.0f});
  line(cr, Point2{at.x - 2.0f, at.y + 2.0f}, Point2{at.x + 2.0f, at.y - 2.0f});
  haloed(cr, kZeroColour, 1.3);
}

}  // namespace

std::vector<FrameMark> frame_marks(const Picture& picture, const Scene& scene,
                                   int spacing) {
  if (spacing <= 0) {
    spacing = std::max(8, static_cast<int>(std::lround(picture.height / 12.0)));
  }
  // Half a stroke, in pixels, for a vector across the line of sight; then in
  // world units per unit of distance from the eye.
  const float half_pixels = 0.36f * static_cast<float>(spacing);
  const float half_height = std::tan(scene.field_of_view * 0.5f * 3.14159265f / 180.0f);
  const float per_distance =
      half_pixels * 2 * half_height / static_cast<float>(picture.height);

  std::vector<FrameMark> marks;
  const auto place = [&](Vector world, Point2* out) {
    return project(scene, picture.width, picture.height, world, &out->x, &out->y);
  };
  for (int row = spacing / 2; row < picture.height; row += spacing) {
    for (int col = spacing / 2; col < picture.width; col += spacing) {
      FrameMark m;
      m.pixel = static_cast<std::size_t>(row) * picture.width + col;
      const int object = picture.object[m.pixel];
      if (object == kNothing) {
        continue;
      }
      const Vector p = picture.point[m.pixel];
      const Vector n =
          object == kDisc ? Vector{0, 1, 0} : normalized(p - scene.sphere_centre);
      if (!place(p, &m.at)) {
        continue;
      }
      // No tangent on the surface: the highlight shader falls back to a round
      // lobe there, and the mark says so.
      const Vector t = in_plane(picture.seen[1][m.pixel], n);
      if (length(t) <= 1e-6f) {
        m.kind = FrameMark::kZero;
        marks.push_back(m);
        continue;
      }
      const float half = per_distance * length(p - scene.eye);
      const Vector along = (half / length(t)) * t;
      const Vector b = in_plane(picture.seen[0][m.pixel], n);
      const Vector across =
          length(b) > 1e-6f ? (0.85f * half / length(b)) * b : Vector{0, 0, 0};
      if (place(p - along, &m.tail) && place(p + along, &m.head) &&
          place(p + across, &m.across)) {
        marks.push_back(m);
      }
    }
  }
  return marks;
}

void draw_frame(cairo_t* cr, const std::vector<FrameMark>& marks) {
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (const FrameMark& m : marks) {
    if (m.kind == FrameMark::kZero) {
      zero(cr, m.at);
    } else {
      tangent(cr, m);
    }
  }
  cairo_restore(cr);
}

void draw_tangent_key(cairo_t* cr, double x, double y, double size) {
  FrameMark m;
  m.at = Point2{static_cast<float>(x), static_cast<float>(y)};
  m.tail = Point2{static_cast<float>(x - size / 2), m.at.y};
  m.head = Point2{static_cast<float>(x + size / 2), m.at.y};
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  line(cr, m.tail, m.head);
  haloed(cr, kTangentColour, kTangentWidth);
  arrow_head(cr, m.tail, m.head);
  cairo_restore(cr);
}

void draw_across_key(cairo_t* cr, double x, double y, double size) {
  cairo_save(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  line(cr, Point2{static_cast<float>(x - size / 2), static_cast<float>(y)},
       Point2{static_cast<float>(x + size / 2), static_cast<float>(y)});
  haloed(cr, kAcrossColour, kAcrossWidth);
  cairo_restore(cr);
}

void draw_zero_key(cairo_t* cr, double x, double y) {
  cairo_save(cr);
  zero(cr, Point2{static_cast<float>(x), static_cast<float>(y)});
  cairo_restore(cr);
}

}  // namespace preview
