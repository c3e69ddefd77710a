#include "tools/preview/src/sheet.h"

#include <algorithm>
#include <cstdio>

namespace preview {

namespace {

constexpr int kScale = 2;
constexpr int kBar = 2 * (kGlyphHeight * kScale) + 16;  // two lines of text
constexpr int kGap = 6;
constexpr std::uint8_t kBackground = 18;
constexpr std::uint8_t kTitleColour[3] = {235, 235, 225};
constexpr std::uint8_t kDetailColour[3] = {150, 170, 190};

std::string number(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
  return text;
}

std::string vec(const Vector& v) {
  return "(" + number(v.x) + "," + number(v.y) + "," + number(v.z) + ")";
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

Image labelled(const Image& panel, const std::string& title, const std::string& detail) {
  Image cell(panel.width, panel.height + kBar, kBackground);
  cell.blit(panel, 0, 0);
  draw_text(&cell, title, 6, panel.height + 6, kScale, kTitleColour);
  draw_text(&cell, detail, 6, panel.height + 10 + kGlyphHeight * kScale, kScale,
            kDetailColour);
  return cell;
}

Image compose(const std::vector<Image>& cells, const std::vector<std::string>& legend) {
  if (cells.empty()) {
    return Image();
  }
  const int columns = std::min<int>(3, static_cast<int>(cells.size()) + 1);
  const int count = static_cast<int>(cells.size()) + (legend.empty() ? 0 : 1);
  const int rows = (count + columns - 1) / columns;
  const int w = cells[0].width;
  const int h = cells[0].height;
  Image sheet(columns * w + (columns + 1) * kGap, rows * h + (rows + 1) * kGap,
              kBackground);
  for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
    sheet.blit(cells[i], kGap + (i % columns) * (w + kGap),
               kGap + (i / columns) * (h + kGap));
  }
  if (!legend.empty()) {
    const int i = static_cast<int>(cells.size());
    const int x = kGap + (i % columns) * (w + kGap) + 10;
    int y = kGap + (i / columns) * (h + kGap) + 10;
    for (std::size_t line = 0; line < legend.size(); ++line) {
      draw_text(&sheet, legend[line], x, y, kScale,
                line == 0 ? kTitleColour : kDetailColour);
      y += kGlyphHeight * kScale + 8;
    }
  }
  return sheet;
}

}  // namespace preview
