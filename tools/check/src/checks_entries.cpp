// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's entries as a host binds and calls them: the exports, the
// lifecycle, the host functions' lookups and the messages when one is missing.
#include <regex>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

using hostside::Sample;

// Shades a connected, turned sample, which calls every host function.
void shade_calling_every_function(const hostside::PellastoModule& m, Sample* s) {
  s->params.input = {9, 8, 7, 6};
  s->params.mode = kPellastoModeDirection;
  s->params.direction = {1, 2, 0};
  s->params.rotation = 0.25f;
  s->connect(&s->params.input);
  s->shade(m.shade);
}

// How often each host function was looked up since `before`, where that is
// not `times`; empty when each was looked up `times` times.
std::string lookups_other_than(const int before[3], int times) {
  std::string found;
  for (int i = 0; i < 3; ++i) {
    const char* name = hostside::kHostFunctions[i];
    const int n = lookups(name) - before[i];
    if (n != times) {
      found += std::string(found.empty() ? "" : "; ") + name + " looked up " +
               std::to_string(n) + " times";
    }
  }
  return found;
}

// Gives the module `handle`, then shades 200 samples calling every host
// function: each must be looked up once.
Result looked_up_once(const hostside::PellastoModule& m) {
  static const bool counting = count_lookups(m.handle);  // patches the module once
  if (!counting) {
    return Result::skip("lookups cannot be counted here");
  }
  for (int round = 0; round < 2; ++round) {
    int before[3];
    for (int i = 0; i < 3; ++i) {
      before[i] = lookups(hostside::kHostFunctions[i]);
    }
    m.set_module_handle(hostside::program_module());
    for (int i = 0; i < 200; ++i) {
      Sample s;
      shade_calling_every_function(m, &s);
    }
    const std::string wrong = lookups_other_than(before, 1);
    if (!wrong.empty()) {
      return Result::fail((round == 0 ? "" : "after a new handle: ") + wrong +
                          " in 200 samples");
    }
  }
  return Result::pass();
}

// What the module printed on each stream while shading two samples that call
// every host function under `handle`; the program's own handle is given back
// afterwards.
struct Printed {
  bool captured;
  std::string out, err;
  Color result;
};

Printed shade_printing(const hostside::PellastoModule& m, Context& context,
                       void* handle) {
  Printed p{};
  if (context.output == nullptr) {
    return p;
  }
  context.output->take();  // nothing of the module's so far is this check's
  m.set_module_handle(handle);
  Sample s;
  for (int i = 0; i < 2; ++i) {
    shade_calling_every_function(m, &s);
  }
  m.set_module_handle(hostside::program_module());
  const CapturedOutput taken = context.output->take();
  p.captured = taken.complete;
  p.out = taken.out;
  p.err = taken.err;
  p.result = s.result;
  return p;
}

std::string streams(const Printed& p) {
  return p.captured ? "standard error: \"" + one_line(p.err) + "\", standard output: \"" +
                          one_line(p.out) + "\""
                    : "the standard streams could not be captured";
}

}  // namespace

void add_export_checks(std::vector<Check>* checks) {
  struct Entry {
    const char* name;
    bool (*present)(const hostside::PellastoModule& m);
  };
  static const Entry entries[] = {
      {"Pellasto", [](const hostside::PellastoModule& m) { return m.shade != nullptr; }},
      {"Pellasto_version",
       [](const hostside::PellastoModule& m) { return m.version != nullptr; }},
      {"Pellasto_init",
       [](const hostside::PellastoModule& m) { return m.init != nullptr; }},
      {"Pellasto_exit",
       [](const hostside::PellastoModule& m) { return m.exit != nullptr; }},
      {"miSetModuleHandle",
       [](const hostside::PellastoModule& m) { return m.set_module_handle != nullptr; }},
  };
  for (const Entry& e : entries) {
    checks->push_back({"exports", std::string(e.name) + " exported under its plain name",
                       [&e](Context& context) {
                         return Result::holds(e.present(*context.module),
                                              std::string(e.name) + " is not exported");
                       }});
  }
}

void add_lifecycle_checks(std::vector<Check>* checks) {
  const auto with_entries = [](std::string name,
                               Result (*run)(const hostside::PellastoModule&)) {
    return Check{"lifecycle", std::move(name), [run](Context& context) {
                   const hostside::PellastoModule& m = *context.module;
                   if (m.version == nullptr || m.init == nullptr) {
                     return Result::skip(
                         "not run: Pellasto_version or Pellasto_init is not exported");
                   }
                   return run(m);
                 }};
  };
  checks->push_back(
      with_entries("Pellasto_version answers 1", [](const hostside::PellastoModule& m) {
        const int v = m.version();
        return Result::holds(v == 1, "it answers " + std::to_string(v));
      }));
  checks->push_back(with_entries(
      "Pellasto_init with no parameters declines per-instance init",
      [](const hostside::PellastoModule& m) {
        Boolean wanted = 1;
        m.init(nullptr, nullptr, &wanted);
        return Result::holds(wanted == 0, "the flag holds " + std::to_string(wanted));
      }));
  checks->push_back(with_entries(
      "Pellasto_init with parameters leaves the flag alone",
      [](const hostside::PellastoModule& m) {
        Sample s;
        Boolean wanted = 1;
        m.init(&s.state, &s.params, &wanted);
        return Result::holds(wanted == 1, "the flag holds " + std::to_string(wanted));
      }));
  checks->push_back(with_entries("Pellasto_version still answers 1 after init",
                                 [](const hostside::PellastoModule& m) {
                                   Boolean wanted = 1;
                                   m.init(nullptr, nullptr, &wanted);
                                   const int v = m.version();
                                   return Result::holds(
                                       v == 1, "it answers " + std::to_string(v));
                                 }));
  // Last of the group: a host calls Pellasto_exit when it is done.
  checks->push_back(shading_check(
      "lifecycle", "shading after Pellasto_exit works the same",
      [](const hostside::PellastoModule& m, Context&) {
        if (m.exit == nullptr) {
          return Result::skip("not run: Pellasto_exit is not exported");
        }
        m.exit(nullptr, nullptr);
        const Case c = frame_cases(kPellastoModeDirection, true).front();
        const Shaded r = shade(m, c);
        return Result::holds(
            r.returned == 1 && hostside::near(r.seen[1], c.tangent, kTolerance),
            c.name + ": the input saw D[1] " + show(r.seen[1]) + ", expected " +
                show(c.tangent));
      }));
}

void add_binding_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check(
      "binding", "miSetModuleHandle answers 0",
      [](const hostside::PellastoModule& m, Context&) {
        const int answer = m.set_module_handle(hostside::program_module());
        return Result::holds(answer == 0, "it answers " + std::to_string(answer));
      }));
  checks->push_back(shading_check(
      "binding",
      "each host function looked up once per handle, and again after a new one",
      [](const hostside::PellastoModule& m, Context&) { return looked_up_once(m); }));
}

void add_message_checks(std::vector<Check>* checks) {
  // A handle of a module that exports no host function: the module itself.
  checks->push_back(shading_check(
      "messages",
      "a host function that is missing: \"dlsym failed on ...\" on every call",
      [](const hostside::PellastoModule& m, Context& context) {
        const std::string missing =
            hostside::failed_lookup_pattern("mi_matrix_rotate_axis", m.handle) +
            hostside::failed_lookup_pattern("mi_vector_transform", m.handle) +
            hostside::failed_lookup_pattern("mi_phen_eval", m.handle);
        const Printed p = shade_printing(m, context, m.handle);
        const Color stored{9, 8, 7, 6};
        return Result::holds(p.captured &&
                                 std::regex_match(p.err, std::regex(missing + missing)) &&
                                 p.out.empty() && hostside::same_bits(p.result, stored),
                             streams(p));
      },
      true));
  // No handle at all. Windows looks a null handle up in the program, which
  // exports the functions: each is looked up once, found, and kept.
  checks->push_back(shading_check(
      "messages", "no handle: \"DYNLOAD: dl_handle null\" before the lookup",
      [](const hostside::PellastoModule& m, Context& context) {
#if defined(_WIN32)
        const std::string no_handle =
            "DYNLOAD: dl_handle null\nDYNLOAD: dl_handle null\nDYNLOAD: dl_handle null\n";
#else
        const std::string once =
            "DYNLOAD: dl_handle null\n" +
            hostside::failed_lookup_pattern("mi_matrix_rotate_axis", nullptr) +
            "DYNLOAD: dl_handle null\n" +
            hostside::failed_lookup_pattern("mi_vector_transform", nullptr) +
            "DYNLOAD: dl_handle null\n" +
            hostside::failed_lookup_pattern("mi_phen_eval", nullptr);
        const std::string no_handle = once + once;
#endif
        const Printed p = shade_printing(m, context, nullptr);
        return Result::holds(
            p.captured && std::regex_match(p.err, std::regex(no_handle)) && p.out.empty(),
            streams(p));
      },
      true));
}

}  // namespace check
