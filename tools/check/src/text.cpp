// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/text.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace check {

namespace {

// The length of the UTF-8 sequence at `at`, or 0 if there is none.
std::size_t utf8_sequence(const std::string& s, std::size_t at) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(at);
  std::size_t n = 0;
  std::uint32_t min = 0;
  if (c < 0x80) {
    return 1;
  } else if ((c & 0xe0) == 0xc0) {
    n = 2, min = 0x80;
  } else if ((c & 0xf0) == 0xe0) {
    n = 3, min = 0x800;
  } else if ((c & 0xf8) == 0xf0) {
    n = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (at + n > s.size()) {
    return 0;
  }
  std::uint32_t code = c & (0x7f >> n);
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(at + i) & 0xc0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (b(at + i) & 0x3f);
  }
  if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
    return 0;
  }
  return n;
}

}  // namespace

std::string valid_utf8(const std::string& text, bool for_xml) {
  std::string s;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8_sequence(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    // U+FFFE and U+FFFF: EF BF BE and EF BF BF.
    const bool nonchar = n == 3 && c == 0xef &&
                         static_cast<unsigned char>(text[i + 1]) == 0xbf &&
                         static_cast<unsigned char>(text[i + 2]) >= 0xbe;
    if (n == 0 ||
        (for_xml &&
         ((n == 1 && c < 0x20 && c != '\t' && c != '\n' && c != '\r') || nonchar))) {
      s += "\xef\xbf\xbd";
      i += n == 0 ? 1 : n;
    } else {
      s.append(text, i, n);
      i += n;
    }
  }
  return s;
}

std::string shown(const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = utf8_sequence(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    if (n == 0) {  // not UTF-8: the byte itself
      s += "\\x";
      s += hex[c >> 4];
      s += hex[c & 15];
      i += 1;
      continue;
    }
    if (n == 1 && (c < 0x20 || c == 0x7f) && c != '\t') {
      switch (c) {
        case '\n':
          s += "\\n";
          break;
        case '\r':
          s += "\\r";
          break;
        case '\0':
          s += "\\0";
          break;
        default:
          s += "\\x";
          s += hex[c >> 4];
          s += hex[c & 15];
      }
    } else if (n == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
      // U+0080 to U+009F: the C1 controls, CSI among them.
      const auto code = static_cast<unsigned char>(text[i + 1]);
      s += "\\u00";
      s += hex[code >> 4];
      s += hex[code & 15];
    } else {
      s.append(text, i, n);
    }
    i += n;
  }
  return s;
}

// Glob matching: * any text, ? any one character.
static bool glob(const char* pattern, const char* text) {
  if (*pattern == '\0') {
    return *text == '\0';
  }
  if (*pattern == '*') {
    return glob(pattern + 1, text) || (*text != '\0' && glob(pattern, text + 1));
  }
  return *text != '\0' && (*pattern == '?' || *pattern == *text) &&
         glob(pattern + 1, text + 1);
}

// A pattern with * or ? is a glob over the whole of "group/name"; one
// without either matches every check whose "group/name" holds it.
bool selects(const std::string& pattern, const std::string& id) {
  if (pattern.find_first_of("*?") == std::string::npos) {
    return id.find(pattern) != std::string::npos;
  }
  return glob(pattern.c_str(), id.c_str());
}

std::string signal_name(int signal) {
#if !defined(_WIN32)
  static const std::pair<int, const char*> names[] = {
      {SIGHUP, "SIGHUP"},       {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"},
      {SIGILL, "SIGILL"},       {SIGTRAP, "SIGTRAP"}, {SIGABRT, "SIGABRT"},
      {SIGBUS, "SIGBUS"},       {SIGFPE, "SIGFPE"},   {SIGKILL, "SIGKILL"},
      {SIGUSR1, "SIGUSR1"},     {SIGSEGV, "SIGSEGV"}, {SIGUSR2, "SIGUSR2"},
      {SIGPIPE, "SIGPIPE"},     {SIGALRM, "SIGALRM"}, {SIGTERM, "SIGTERM"},
      {SIGCHLD, "SIGCHLD"},     {SIGCONT, "SIGCONT"}, {SIGSTOP, "SIGSTOP"},
      {SIGTSTP, "SIGTSTP"},     {SIGTTIN, "SIGTTIN"}, {SIGTTOU, "SIGTTOU"},
      {SIGURG, "SIGURG"},       {SIGXCPU, "SIGXCPU"}, {SIGXFSZ, "SIGXFSZ"},
      {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGWINCH, "SIGWINCH"},
      {SIGIO, "SIGIO"},         {SIGPWR, "SIGPWR"},   {SIGSYS, "SIGSYS"},
  };
  for (const auto& [number, name] : names) {
    if (number == signal) {
      return name;
    }
  }
  if (signal >= SIGRTMIN && signal <= SIGRTMAX) {
    return signal == SIGRTMIN ? "SIGRTMIN"
                              : "SIGRTMIN+" + std::to_string(signal - SIGRTMIN);
  }
#endif
  return "signal " + std::to_string(signal);
}

}  // namespace check
