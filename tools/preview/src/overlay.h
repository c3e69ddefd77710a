// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame drawn over a rendered panel: at a grid of visible surface points,
// a stroke along D[1] (the tangent, arrow-headed at its +t end) and a thinner
// one from the point along D[0], both as the connected highlight shader saw
// them in that render; points where it saw no tangent get a ring of their own.
#ifndef PELLASTO_PREVIEW_OVERLAY_H
#define PELLASTO_PREVIEW_OVERLAY_H

#include <cairo.h>

#include <cstddef>
#include <vector>

#include "tools/preview/src/render.h"
#include "tools/preview/src/scene.h"

namespace preview {

struct Point2 {
  float x = 0;
  float y = 0;
};

struct FrameMark {
  enum Kind { kTangent, kZero } kind = kTangent;
  std::size_t pixel = 0;  // the pixel whose sample it shows
  Point2 at;              // the sample's surface point, projected
  Point2 tail, head;      // the D[1] stroke, centred on `at`, head towards +D[1]
  Point2 across;          // the end of the D[0] stroke, which starts at `at`
};

// One mark per grid cell whose centre pixel shows a surface, `spacing` pixels
// apart (0: chosen from the panel's height). Strokes have a fixed length on the
// surface, scaled with the distance from the eye, so they shorten where the
// vector points towards the camera.
std::vector<FrameMark> frame_marks(const Picture& picture, const Scene& scene,
                                   int spacing = 0);

// Draws `marks` with the panel's top-left corner at the context's origin.
void draw_frame(cairo_t* cr, const std::vector<FrameMark>& marks);

// The legend's samples: a D[1] stroke, a D[0] stroke and a zero-frame ring,
// each centred on (x, y) with a stroke about `size` pixels long.
void draw_tangent_key(cairo_t* cr, double x, double y, double size);
void draw_across_key(cairo_t* cr, double x, double y, double size);
void draw_zero_key(cairo_t* cr, double x, double y);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_OVERLAY_H
