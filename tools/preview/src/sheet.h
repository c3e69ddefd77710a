// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The contact sheet: the panels it compares, their labels, and laying the
// rendered panels out on one labelled image.
#ifndef PELLASTO_PREVIEW_SHEET_H
#define PELLASTO_PREVIEW_SHEET_H

#include <string>
#include <vector>

#include "shader/pellasto.h"
#include "tools/preview/src/canvas.h"
#include "tools/preview/src/overlay.h"

namespace preview {

struct Panel {
  std::string title;   // what the panel shows
  FrameParams params;  // the block it is rendered with
};

// The default comparison, starting from the declared defaults: the host's own
// frame, a fixed direction, radial about the disc's centre, and the fixed
// direction turned by an eighth and a quarter of a turn.
std::vector<Panel> contact_sheet_panels(const FrameParams& defaults);

// "mode 1  dir (1,0,0)  rot 0.25": the parameters that matter for the mode.
std::string describe(const FrameParams& params);

// Height of the bar under each panel that holds its title and parameters.
constexpr int kLabelBar = 44;

// A rendered panel (tone-mapped 8-bit RGB), the frame drawn over it when
// `marks` is given, and its title and parameters in a bar below it.
Surface labelled(int width, int height, const std::vector<std::uint8_t>& rgb,
                 const std::vector<FrameMark>* marks, const std::string& title,
                 const std::string& detail);

// Lays labelled cells out three to a row, with the legend in a spare cell;
// `frame_key` adds the key to the frame's marks.
Surface compose(const std::vector<Surface>& cells, bool frame_key);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_SHEET_H
