// The contact sheet: the panels it compares, their labels, and laying the
// rendered panels out on one labelled image.
#ifndef PELLASTO_PREVIEW_SHEET_H
#define PELLASTO_PREVIEW_SHEET_H

#include <string>
#include <vector>

#include "shader/pellasto.h"
#include "tools/preview/src/font.h"

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

// A rendered panel with its title and parameters written in a bar below it.
Image labelled(const Image& panel, const std::string& title, const std::string& detail);

// Lays labelled panels out three to a row, with a legend in a spare cell.
Image compose(const std::vector<Image>& cells, const std::vector<std::string>& legend);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_SHEET_H
