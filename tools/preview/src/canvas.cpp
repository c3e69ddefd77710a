// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/canvas.h"

#include <fontconfig/fontconfig.h>

namespace preview {

Surface new_surface(int width, int height, std::uint8_t grey) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  const Context cr = draw_on(s.get());
  const double level = grey / 255.0;
  cairo_set_source_rgb(cr.get(), level, level, level);
  cairo_paint(cr.get());
  return s;
}

Surface surface_from_rgb(int width, int height, const std::vector<std::uint8_t>& rgb) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
  cairo_surface_flush(s.get());
  unsigned char* data = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  for (int y = 0; y < height; ++y) {
    auto* row =
        reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
      row[x] = 0xff000000u | (static_cast<std::uint32_t>(rgb[i]) << 16) |
               (static_cast<std::uint32_t>(rgb[i + 1]) << 8) | rgb[i + 2];
    }
  }
  cairo_surface_mark_dirty(s.get());
  return s;
}

Context draw_on(cairo_surface_t* surface) { return Context(cairo_create(surface)); }

void use_font(cairo_t* cr, double size, bool bold) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

double show_text(cairo_t* cr, double x, double y, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, text.c_str());
  return extents.x_advance;
}

void release_font_caches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace preview
