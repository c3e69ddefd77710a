// A 5 x 7 bitmap font for labelling pictures: capital letters, digits and a
// little punctuation (lower case is drawn as upper case).
#ifndef PELLASTO_PREVIEW_FONT_H
#define PELLASTO_PREVIEW_FONT_H

#include <cstdint>
#include <string>
#include <vector>

namespace preview {

// An 8-bit RGB image.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  Image() = default;
  Image(int w, int h, std::uint8_t grey) : width(w), height(h), rgb(3u * w * h, grey) {}
  void put(int x, int y, const std::uint8_t colour[3]);
  void blit(const Image& source, int x, int y);
};

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Width in pixels of `text` drawn at `scale` (one blank column between glyphs).
int text_width(const std::string& text, int scale);

// Draws `text` with its top-left corner at (x, y), clipped to the image.
void draw_text(Image* image, const std::string& text, int x, int y, int scale,
               const std::uint8_t colour[3]);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_FONT_H
