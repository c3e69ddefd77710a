// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/protocol.h"

#include <cstdlib>
#include <utility>

namespace check {

namespace {

const char* status_word(Result::Status s) {
  switch (s) {
    case Result::Status::kPassed:
      return "pass";
    case Result::Status::kFailed:
      return "fail";
    case Result::Status::kSkipped:
      return "skip";
  }
  return "fail";
}

// Anything but "pass" and "skip" is a failure: a line garbled on its way
// never passes a check.
Result::Status status_of(const std::string& word) {
  if (word == "pass") {
    return Result::Status::kPassed;
  }
  if (word == "skip") {
    return Result::Status::kSkipped;
  }
  return Result::Status::kFailed;
}

// The text before the first space of `line` from `at`, and where the rest
// starts (npos: nothing follows).
std::string word_at(const std::string& line, std::size_t* at) {
  if (*at == std::string::npos || *at > line.size()) {
    *at = std::string::npos;
    return "";
  }
  const std::size_t space = line.find(' ', *at);
  std::string word = line.substr(*at, space == std::string::npos ? space : space - *at);
  *at = space == std::string::npos ? space : space + 1;
  return word;
}

}  // namespace

std::vector<std::string> worker_arguments(const WorkerRequest& r) {
  std::string list;
  for (int i : r.checks) {
    list += (list.empty() ? "" : ",") + std::to_string(i);
  }
  return {kWorkerFlag,
          r.module,
          list.empty() ? "-" : list,
          std::to_string(r.threads),
          std::to_string(r.seed),
          std::to_string(r.repeat),
          std::to_string(r.fuzz_seconds)};
}

bool parse_worker_arguments(int argc, char** argv, WorkerRequest* r) {
  if (argc != 8 || std::string(argv[1]) != kWorkerFlag) {
    return false;
  }
  r->module = argv[2];
  const std::string list = argv[3];
  if (list != "-") {
    std::size_t at = 0;
    while (at <= list.size()) {
      const std::size_t comma = list.find(',', at);
      const std::string item =
          list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
      r->checks.push_back(std::atoi(item.c_str()));
      if (comma == std::string::npos) {
        break;
      }
      at = comma + 1;
    }
  }
  r->threads = std::atoi(argv[4]);
  r->seed = std::strtoull(argv[5], nullptr, 10);
  r->repeat = std::atoi(argv[6]);
  r->fuzz_seconds = std::strtod(argv[7], nullptr);
  return true;
}

Event Event::unloadable(std::string why) {
  Event e = of(Kind::kUnloadable);
  e.reason = std::move(why);
  return e;
}

Event Event::begin(int index) {
  Event e = of(Kind::kBegin);
  e.index = index;
  return e;
}

Event Event::finished(int index, Result result) {
  Event e = of(Kind::kResult);
  e.index = index;
  e.result = std::move(result);
  return e;
}

std::string encode(const Event& e) {
  switch (e.kind) {
    case Event::Kind::kLoaded:
      return "loaded";
    case Event::Kind::kNoShader:
      return "no-shader";
    case Event::Kind::kUnloadable:
      return "unloadable " + escape_detail(e.reason);
    case Event::Kind::kBegin:
      return "begin " + std::to_string(e.index);
    case Event::Kind::kUnloading:
      return "unloading";
    case Event::Kind::kResult:
      return "result " + std::to_string(e.index) + " " + status_word(e.result.status) +
             " " + escape_detail(e.result.detail);
    case Event::Kind::kDone:
      return "done";
    case Event::Kind::kOther:
      break;
  }
  return "";
}

Event decode(const std::string& line) {
  std::size_t at = 0;
  const std::string word = word_at(line, &at);
  const std::string rest = at == std::string::npos ? "" : line.substr(at);
  if (word == "loaded") {
    return Event::loaded();
  }
  if (word == "no-shader") {
    return Event::no_shader();
  }
  if (word == "unloadable") {
    return Event::unloadable(unescape_detail(rest));
  }
  if (word == "begin") {
    return Event::begin(std::atoi(rest.c_str()));
  }
  if (word == "unloading") {
    return Event::unloading();
  }
  if (word == "result") {
    const int index = std::atoi(word_at(line, &at).c_str());
    Result r;
    r.status = status_of(word_at(line, &at));
    r.detail = at == std::string::npos ? "" : unescape_detail(line.substr(at));
    return Event::finished(index, r);
  }
  if (word == "done") {
    return Event::done();
  }
  return {};
}

std::string escape_detail(const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  std::string s;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      s += "\\\\";
    } else if (c == '\n') {
      s += "\\n";
    } else if (u < 0x20 || u == 0x7f) {
      s += "\\x";
      s += hex[u >> 4];
      s += hex[u & 15];
    } else {
      s += c;
    }
  }
  return s;
}

std::string unescape_detail(const std::string& text) {
  std::string s;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      s += text[i];
    } else if (text[i + 1] == 'n') {
      s += '\n';
      ++i;
    } else if (text[i + 1] == 'x' && i + 3 < text.size()) {
      s += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
      i += 3;
    } else {
      s += text[i + 1];
      ++i;
    }
  }
  return s;
}

}  // namespace check
