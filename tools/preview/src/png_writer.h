// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Writing the picture: the PNG goes to a temporary file beside the output and
// is renamed over it only when complete, so the output path never holds a
// half-written file.
#ifndef PELLASTO_PREVIEW_PNG_WRITER_H
#define PELLASTO_PREVIEW_PNG_WRITER_H

#include <string>

#include "tools/preview/src/canvas.h"

namespace preview {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // removes the temporary file unless committed

  // Creates the temporary file beside `path`; false with `error` set if it
  // cannot (so an unwritable output is found before any rendering).
  bool open(const std::string& path, std::string* error);

  // Writes `image` as PNG and renames it to the output path.
  bool commit(cairo_surface_t* image, std::string* error);

 private:
  void discard();
  std::string path_;
  std::string temp_;
  int fd_ = -1;
};

}  // namespace preview

#endif  // PELLASTO_PREVIEW_PNG_WRITER_H
