// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The shader's scene-side declaration: a node definition listing its inputs in
// parameter-block order with their types and defaults, and its output. The
// loader lays the block out from it and checks that layout against the
// module's 48-byte FrameParams before anything is rendered.
#ifndef PELLASTO_PREVIEW_DECLARATION_H
#define PELLASTO_PREVIEW_DECLARATION_H

#include <string>

#include "shader/pellasto.h"

namespace preview {

struct DeclarationResult {
  std::string error;       // empty when the declaration matches the module
  FrameParams defaults{};  // the block filled from the declared defaults
  bool ok() const { return error.empty(); }
};

// Reads the declaration file at `path`.
DeclarationResult load_declaration_file(const std::string& path);

// The same from the XML text itself; `source` names it in messages.
DeclarationResult load_declaration_text(const std::string& xml,
                                        const std::string& source);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_DECLARATION_H
