// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The messages when a host function is missing or no handle was given.
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

void add_checks(std::vector<Check>* checks) {
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
                                 hostside::matches_whole(p.err, missing + missing) &&
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
            p.captured && hostside::matches_whole(p.err, no_handle) && p.out.empty(),
            streams(p));
      },
      true));
}

const GroupRegistration kRegistration(1000, "messages", add_checks);

}  // namespace

}  // namespace check
