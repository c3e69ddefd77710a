// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/output.h"

#include <nlohmann/json.hpp>

#include "pellasto_version.h"
#include "tools/check/src/text.h"

namespace check {

namespace {

using Status = Result::Status;

const char* status_name(Status s) {
  switch (s) {
    case Status::kPassed:
      return "passed";
    case Status::kFailed:
      return "failed";
    case Status::kSkipped:
      return "skipped";
  }
  return "failed";
}

std::string xml_escaped(const std::string& raw) {
  std::string s;
  for (char c : valid_utf8(raw, true)) {
    switch (c) {
      case '&':
        s += "&amp;";
        break;
      case '<':
        s += "&lt;";
        break;
      case '>':
        s += "&gt;";
        break;
      case '"':
        s += "&quot;";
        break;
      case '\'':
        s += "&apos;";
        break;
      case '\n':
        s += "&#10;";
        break;
      case '\r':
        s += "&#13;";
        break;
      case '\t':
        s += "&#9;";
        break;
      default:
        s += c;
    }
  }
  return s;
}

}  // namespace

void print_headers(std::FILE* out, const Outcome& o, std::uint64_t seed) {
  // What the file, its name and the module say is shown escaped: none of it
  // is this program's to put on a terminal as it is.
  std::fprintf(out, "module: %s\n", shown(o.module).c_str());
  if (!o.info.description.empty()) {
    std::fprintf(out, "file: %s, version %s\n", shown(o.info.description).c_str(),
                 o.version.empty() ? "unknown" : shown(o.version).c_str());
  }
  if (!o.info.signature.empty()) {  // informational: no check rests on it
    std::fprintf(out, "signature: %s\n", o.info.signature.c_str());
  }
  if (o.error.empty()) {
    std::fprintf(out, "seed: %llu\n", static_cast<unsigned long long>(seed));
  }
  std::fflush(out);
}

void print_group(std::FILE* out, const Outcome& o, const std::string& group) {
  const int skipped = o.report.count(Status::kSkipped, group);
  const std::string more = skipped > 0 ? ", " + std::to_string(skipped) + " skipped" : "";
  std::fprintf(out, "%-15s %d passed, %d failed%s\n", (group + ":").c_str(),
               o.report.count(Status::kPassed, group),
               o.report.count(Status::kFailed, group), more.c_str());
  for (const CheckResult& c : o.report.checks()) {
    if (c.group == group && !c.passed()) {
      std::fprintf(
          out, "  %s %s: %s\n", c.failed() ? "FAILED" : "skipped", c.name.c_str(),
          c.result.detail.empty() ? "does not hold" : shown(c.result.detail).c_str());
    }
  }
  std::fflush(out);
}

void print_error(std::FILE* err, const Outcome& o) {
  if (o.error.empty()) {
    return;
  }
  if (o.error.rfind("cannot load ", 0) == 0) {
    std::fprintf(err, "pellasto-check: %s\n", shown(o.error).c_str());
  } else {
    std::fprintf(err, "pellasto-check: cannot check %s: %s\n", shown(o.module).c_str(),
                 shown(o.error).c_str());
  }
  std::fflush(err);
}

void print_totals(std::FILE* out, const char* label,
                  const std::vector<Outcome>& outcomes) {
  int passed = 0, failed = 0;
  for (const Outcome& o : outcomes) {
    passed += o.report.passed();
    failed += o.report.failed();
  }
  std::fprintf(out, "%s %d passed, %d failed\n", label, passed, failed);
  std::fflush(out);
}

std::string json_report(const std::vector<Outcome>& outcomes, std::uint64_t seed) {
  using json = nlohmann::ordered_json;
  json all = json::array();
  for (const Outcome& o : outcomes) {
    json j;
    j["program"] = "pellasto-check";
    j["program_version"] = PELLASTO_VERSION;
    j["platform"] = PELLASTO_PLATFORM;
    j["module"] = o.module;
    // null where the file is not a module, or carries no version
    j["file"] = o.info.description.empty() ? json() : json(o.info.description);
    j["file_version"] = o.version.empty() ? json() : json(o.version);
    if (!o.info.signature.empty()) {  // PE files only
      j["signature"] = o.info.signature;
    }
    j["status"] = o.status;
    if (!o.error.empty()) {
      j["error"] = o.error;
    }
    json checks = json::array();
    for (const CheckResult& c : o.report.checks()) {
      json entry = {{"group", c.group},
                    {"name", c.name},
                    {"passed", c.passed()},
                    {"status", status_name(c.result.status)}};
      if (!c.passed()) {
        entry["detail"] = c.result.detail;
      }
      checks.push_back(entry);
    }
    j["checks"] = checks;
    j["passed"] = o.report.passed();
    j["failed"] = o.report.failed();
    j["skipped"] = o.report.skipped();
    j["seed"] = seed;
    all.push_back(j);
  }
  const json& shown = all.size() == 1 ? all[0] : all;
  return shown.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string json_list(const std::vector<int>& selected) {
  using json = nlohmann::ordered_json;
  json list = json::array();
  for (int i : selected) {
    const Check& c = catalogue()[static_cast<std::size_t>(i)];
    list.push_back(
        {{"group", c.group}, {"name", c.name}, {"id", c.group + "/" + c.name}});
  }
  return list.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string junit_report(const std::vector<Outcome>& outcomes, std::uint64_t seed) {
  int tests = 0, failures = 0, skipped = 0;
  std::string suites;
  for (const Outcome& o : outcomes) {
    const std::string properties =
        "    <properties>\n      <property name=\"module\" value=\"" +
        xml_escaped(o.module) + "\"/>\n      <property name=\"seed\" value=\"" +
        std::to_string(seed) + "\"/>\n" +
        (o.info.signature.empty() ? ""
                                  : "      <property name=\"signature\" value=\"" +
                                        xml_escaped(o.info.signature) + "\"/>\n") +
        "    </properties>\n";
    if (!o.error.empty()) {
      // The module could not be checked: one failed case says why.
      ++tests;
      ++failures;
      suites +=
          "  <testsuite name=\"load\" tests=\"1\" failures=\"1\" errors=\"0\" "
          "skipped=\"0\">\n" +
          properties +
          "    <testcase classname=\"load\" name=\"the module can be checked\">\n"
          "      <failure message=\"" +
          xml_escaped(o.error) + "\">" + xml_escaped(o.error) +
          "</failure>\n    </testcase>\n  </testsuite>\n";
      continue;
    }
    for (const std::string& group : o.report.groups()) {
      const int f = o.report.count(Status::kFailed, group);
      const int s = o.report.count(Status::kSkipped, group);
      int n = 0;
      std::string cases;
      for (const CheckResult& c : o.report.checks()) {
        if (c.group != group) {
          continue;
        }
        ++n;
        cases += "    <testcase classname=\"" + xml_escaped(group) + "\" name=\"" +
                 xml_escaped(c.name) + "\"";
        if (c.passed()) {
          cases += "/>\n";
        } else if (c.failed()) {
          cases += ">\n      <failure message=\"" + xml_escaped(c.result.detail) + "\">" +
                   xml_escaped(c.result.detail) + "</failure>\n    </testcase>\n";
        } else {
          cases += ">\n      <skipped message=\"" + xml_escaped(c.result.detail) +
                   "\"/>\n    </testcase>\n";
        }
      }
      tests += n;
      failures += f;
      skipped += s;
      suites += "  <testsuite name=\"" + xml_escaped(group) + "\" tests=\"" +
                std::to_string(n) + "\" failures=\"" + std::to_string(f) +
                "\" errors=\"0\" skipped=\"" + std::to_string(s) + "\">\n";
      suites += properties;
      suites += cases;
      suites += "  </testsuite>\n";
    }
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites "
         "name=\"pellasto-check\" "
         "tests=\"" +
         std::to_string(tests) + "\" failures=\"" + std::to_string(failures) +
         "\" errors=\"0\" skipped=\"" + std::to_string(skipped) + "\">\n" + suites +
         "</testsuites>\n";
}

}  // namespace check
