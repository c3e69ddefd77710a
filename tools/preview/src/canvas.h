// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Cairo surfaces and contexts that free themselves, and the text face the
// pictures are labelled in.
#ifndef PELLASTO_PREVIEW_CANVAS_H
#define PELLASTO_PREVIEW_CANVAS_H

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace preview {

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextFree {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;
using Context = std::unique_ptr<cairo_t, ContextFree>;

// An opaque RGB surface filled with the grey level `grey`.
Surface new_surface(int width, int height, std::uint8_t grey);

// An opaque surface holding 8-bit RGB pixels, row by row.
Surface surface_from_rgb(int width, int height, const std::vector<std::uint8_t>& rgb);

// A context drawing on `surface`.
Context draw_on(cairo_surface_t* surface);

// Selects the DejaVu Sans face at `size` pixels, bold or not.
void use_font(cairo_t* cr, double size, bool bold);

// Draws UTF-8 `text` with its baseline starting at (x, y); returns its advance.
double show_text(cairo_t* cr, double x, double y, const std::string& text);

// Frees what Cairo and fontconfig keep for drawing text, so that a leak check
// at exit finds nothing; call it once, when no more text is drawn.
void release_font_caches();

}  // namespace preview

#endif  // PELLASTO_PREVIEW_CANVAS_H
