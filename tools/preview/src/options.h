// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The command line of pellasto-preview.
#ifndef PELLASTO_PREVIEW_OPTIONS_H
#define PELLASTO_PREVIEW_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/host_interface.h"

namespace preview {

struct Options {
  bool help = false;
  // Shader parameters given on the command line; any of them selects a single
  // panel, the rest coming from the declared defaults. A --direction without
  // --mode sets mode 1, a --position without --mode mode 2.
  std::optional<std::int32_t> mode;
  std::optional<Vector> direction;
  std::optional<Vector> position;
  std::optional<float> rotation;
  bool frame = true;  // draw the frame over the pictures
  int width = 400;    // of one panel
  int height = 300;
  int threads = 0;          // 0: one per core
  std::string out;          // empty: contact-sheet.png or pellasto-preview.png
  std::string module;       // empty: the module built beside the program
  std::string declaration;  // empty: the declaration installed beside the program

  bool single_panel() const { return mode || direction || position || rotation; }
};

struct ParseResult {
  Options options;
  std::string error;  // one line; empty on success
  bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name. Every flag is accepted once,
// as "--flag value", "--flag=value", "-f value" or "-fvalue".
ParseResult parse_options(const std::vector<std::string>& args);

// The --help text.
std::string usage_text();

}  // namespace preview

#endif  // PELLASTO_PREVIEW_OPTIONS_H
