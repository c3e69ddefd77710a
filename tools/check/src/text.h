// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Text as pellasto-check passes it on: valid UTF-8 for JSON and XML, shown
// on a terminal, and the patterns that select checks.
#ifndef PELLASTO_CHECK_TEXT_H
#define PELLASTO_CHECK_TEXT_H

#include <string>

namespace check {

// `text` with each byte that does not start a valid UTF-8 sequence replaced
// by U+FFFD and, for XML, every character XML 1.0 cannot hold as well (the
// controls but tab, line feed and carriage return; U+FFFE and U+FFFF).
std::string valid_utf8(const std::string& text, bool for_xml);

// `text` as a terminal may show it, on one line: line ends, carriage
// returns, escapes and every other control character (C0, DEL, C1) written
// out (\n, \r, \0, \x1b, \u009b), and each byte that is not UTF-8 as
// \xNN, so that nothing the module wrote can move the cursor or rewrite a
// line already shown.
std::string shown(const std::string& text);

// Whether `pattern` selects the check "group/name" `id`: a pattern with * or
// ? is a glob (* any text, ? any one character) over the whole of it, one
// without either matches where `id` holds it.
bool selects(const std::string& pattern, const std::string& id);

// A signal's name as reports give it: "SIGSEGV", "SIGRTMIN+3", or "signal
// <number>" for one without a name here (and on Windows).
std::string signal_name(int signal);

}  // namespace check

#endif  // PELLASTO_CHECK_TEXT_H
