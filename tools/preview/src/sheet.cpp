// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/sheet.h"

#include <algorithm>
#include <cstdio>

namespace preview {

namespace {

constexpr int kGap = 6;
constexpr std::uint8_t kBackground = 18;
constexpr double kTitleColour[3] = {0.92, 0.92, 0.88};
constexpr double kDetailColour[3] = {0.62, 0.69, 0.76};
constexpr double kTitleSize = 15;
constexpr double kTextSize = 12.5;

std::string number(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
  return text;
}

std::string vec(const Vector& v) {
  return "(" + number(v.x) + "," + number(v.y) + "," + number(v.z) + ")";
}

void colour(cairo_t* cr, const double c[3]) {
  cairo_set_source_rgb(cr, c[0], c[1], c[2]);
}

// Writes `text` from (x, y) on, wrapped at spaces to `width`; returns the
// baseline after its last line.
double paragraph(cairo_t* cr, double x, double y, double width, const std::string& text,
                 double leading) {
  std::string line;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t space = text.find(' ', start);
    if (space == std::string::npos) {
      space = text.size();
    }
    const std::string word = text.substr(start, space - start);
    std::string longer = line;
    if (!longer.empty()) {
      longer += ' ';
    }
    longer += word;
    cairo_text_extents_t e;
    cairo_text_extents(cr, longer.c_str(), &e);
    if (e.x_advance > width && !line.empty()) {
      show_text(cr, x, y, line);
      y += leading;
      line = word;
    } else {
      line = longer;
    }
    start = space + 1;
  }
  show_text(cr, x, y, line);
  return y + leading;
}

void legend(cairo_t* cr, double x, double y, double width, bool frame_key) {
  use_font(cr, kTitleSize, true);
  colour(cr, kTitleColour);
  show_text(cr, x, y + kTitleSize, "Pellasto frame override");
  y += kTitleSize + 14;
  use_font(cr, kTextSize, false);
  const double leading = kTextSize + 4;
  const double text_x = x + 34;
  const double text_width = width - 34;
  struct Entry {
    void (*key)(cairo_t*, double, double, double);
    const char* text;
  };
  const Entry entries[] = {
      {draw_tangent_key,
       "D\u2081 = t, the tangent the shader installs: the highlight stretches "
       "along it; the arrow points to +t."},
      {draw_across_key,
       "D\u2080 = N \u00d7 t: the way the implied grooves run (the brushing "
       "direction), across the highlight."},
      {[](cairo_t* c, double kx, double ky, double) { draw_zero_key(c, kx, ky); },
       "zero frame: the direction lies along the normal, so there is no tangent "
       "and the highlight turns round."},
  };
  for (const Entry& entry : entries) {
    if (frame_key) {
      entry.key(cr, x + 14, y - 4, 22);
    }
    colour(cr, kDetailColour);
    y = paragraph(cr, frame_key ? text_x : x, y, frame_key ? text_width : width,
                  entry.text, leading) +
        5;
  }
  colour(cr, kDetailColour);
  y = paragraph(cr, x, y + 3, width,
                "rotation 0.25 turns t a quarter turn about N, right-handed: on "
                "the disc (N = +y) t = +x becomes \u2212z, pointing away.",
                leading) +
      5;
  paragraph(cr, x, y, width,
            "The strokes are the vectors the highlight shader saw while input was "
            "evaluated. Scene: y up, disc centre (0,0,0).",
            leading);
}

}  // namespace

std::vector<Panel> contact_sheet_panels(const FrameParams& defaults) {
  FrameParams base = defaults;
  base.rotation = 0.0f;
  std::vector<Panel> panels;
  FrameParams p = base;
  p.mode = kPellastoModeNone;
  panels.push_back({"host's own frame", p});
  p = base;
  p.mode = kPellastoModeDirection;
  panels.push_back({"fixed direction", p});
  p = base;
  p.mode = kPellastoModePosition;
  p.position = Vector{0, 0, 0};
  panels.push_back({"radial, disc centre", p});
  p = base;
  p.mode = kPellastoModeDirection;
  p.rotation = 0.125f;
  panels.push_back({"direction, 1/8 turn", p});
  p.rotation = 0.25f;
  panels.push_back({"direction, 1/4 turn", p});
  return panels;
}

std::string describe(const FrameParams& params) {
  std::string text = "mode " + std::to_string(params.mode);
  if (params.mode == kPellastoModeDirection) {
    text += " dir " + vec(params.direction);
  } else if (params.mode == kPellastoModePosition) {
    text += " pos " + vec(params.position);
  }
  if (params.mode == kPellastoModeDirection || params.mode == kPellastoModePosition) {
    text += " rot " + number(params.rotation);
  }
  return text;
}

Surface labelled(int width, int height, const std::vector<std::uint8_t>& rgb,
                 const std::vector<FrameMark>* marks, const std::string& title,
                 const std::string& detail) {
  Surface cell = new_surface(width, height + kLabelBar, kBackground);
  const Context cr = draw_on(cell.get());
  const Surface picture = surface_from_rgb(width, height, rgb);
  cairo_set_source_surface(cr.get(), picture.get(), 0, 0);
  cairo_paint(cr.get());
  if (marks != nullptr) {
    cairo_rectangle(cr.get(), 0, 0, width, height);
    cairo_clip(cr.get());
    draw_frame(cr.get(), *marks);
    cairo_reset_clip(cr.get());
  }
  use_font(cr.get(), kTitleSize, true);
  colour(cr.get(), kTitleColour);
  show_text(cr.get(), 7, height + 18, title);
  use_font(cr.get(), kTextSize, false);
  colour(cr.get(), kDetailColour);
  show_text(cr.get(), 7, height + 36, detail);
  return cell;
}

Surface compose(const std::vector<Surface>& cells, bool frame_key) {
  if (cells.empty()) {
    return new_surface(1, 1, kBackground);
  }
  const int columns = std::min<int>(3, static_cast<int>(cells.size()) + 1);
  const int count = static_cast<int>(cells.size()) + 1;
  const int rows = (count + columns - 1) / columns;
  const int w = cairo_image_surface_get_width(cells[0].get());
  const int h = cairo_image_surface_get_height(cells[0].get());
  Surface sheet = new_surface(columns * w + (columns + 1) * kGap,
                              rows * h + (rows + 1) * kGap, kBackground);
  const Context cr = draw_on(sheet.get());
  for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
    const int row = i / columns;
    cairo_set_source_surface(cr.get(), cells[i].get(), kGap + (i % columns) * (w + kGap),
                             kGap + row * (h + kGap));
    cairo_paint(cr.get());
  }
  const int i = static_cast<int>(cells.size());
  const int row = i / columns;
  legend(cr.get(), kGap + (i % columns) * (w + kGap) + 12, kGap + row * (h + kGap) + 8,
         w - 24, frame_key);
  return sheet;
}

}  // namespace preview
