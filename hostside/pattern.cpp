// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Kept apart from module.cpp, which the faulty modules compile too: <regex>
// is the dearest header to compile, and is compiled here once.
#include <regex>

#include "hostside/module.h"

namespace hostside {

bool matches_whole(const std::string& text, const std::string& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

}  // namespace hostside
