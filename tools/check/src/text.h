// Text as pellasto-check passes it on: details on one line between a worker
// and the supervisor, valid UTF-8 for JSON and XML, and the patterns that
// select checks.
#ifndef PELLASTO_CHECK_TEXT_H
#define PELLASTO_CHECK_TEXT_H

#include <string>

namespace check {

// A detail on one line and back: backslash, line ends and control bytes
// escaped.
std::string escape_detail(const std::string& text);
std::string unescape_detail(const std::string& text);

// `text` with each byte that does not start a valid UTF-8 sequence replaced
// by U+FFFD and, for XML, the control characters XML 1.0 cannot hold as well.
std::string valid_utf8(const std::string& text, bool for_xml);

// Whether `pattern` selects the check "group/name" `id`: a pattern with * or
// ? is a glob (* any text, ? any one character) over the whole of it, one
// without either matches where `id` holds it.
bool selects(const std::string& pattern, const std::string& id);

}  // namespace check

#endif  // PELLASTO_CHECK_TEXT_H
