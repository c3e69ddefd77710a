// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The floating-point control state of the renderer's threads: loading the
// module and every call of every entry leave the rounding mode, the MXCSR
// control bits and the x87 control word as they found them. Status flags
// raised by the module's arithmetic are not a fault.
#include <cfenv>
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/sample.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/fp_state.h"

namespace check {

namespace {

Result load_leaves_fp_state(Context& context) {
  const std::string changed = fp_control_change(context.before_load, fp_control_now());
  return Result::holds(changed.empty(), "after the module was loaded: " + changed);
}

// A state other than the usual one, so that a module that puts back a fixed
// state rather than the one it found shows: rounding downward and, on x86,
// flush-to-zero and denormals-are-zero set (on aarch64 flush-to-zero), and the x87
// precision at 53 bits where it is 64 (and the reverse).
FpControl unusual(const FpControl& usual) {
  FpControl c = usual;
  c.rounding = FE_DOWNWARD;
#if defined(__i386__) || defined(__x86_64__)
  c.mxcsr = (usual.mxcsr & ~0x6000u) | 0x2000u | 0x8040u;  // RC down, FTZ, DAZ
  c.x87 =
      static_cast<std::uint16_t>((usual.x87 & ~0x0f00u) | 0x0400u |
                                 ((usual.x87 & 0x0300u) == 0x0300u ? 0x0200u : 0x0300u));
#endif
#if defined(__aarch64__)
  c.fpcr = usual.fpcr | (std::uint64_t{1} << 24);  // FZ
#endif
  return c;
}

// Calls `call` with the thread's state at `start`; what it changed, or empty.
template <typename Call>
std::string changed_by(const FpControl& start, Call call) {
  set_fp_control(start);
  call();
  const FpControl after = fp_control_now();
  set_fp_control(start);
  return fp_control_change(start, after);
}

Result calls_leave_fp_state(const hostside::PellastoModule& m, Context&) {
  const FpControl found = fp_control_now();
  std::string wrong;
  for (const FpControl& start : {found, unusual(found)}) {
    const std::string in =
        start.rounding == found.rounding ? "" : " (rounding downward, FTZ and DAZ set)";
    const auto note = [&](const std::string& what, const std::string& changed) {
      if (wrong.empty() && !changed.empty()) {
        wrong = what;
        wrong += in;
        wrong += ": ";
        wrong += changed;
      }
    };
    if (m.version != nullptr) {
      note("Pellasto_version", changed_by(start, [&] { m.version(); }));
    }
    if (m.init != nullptr) {
      hostside::Sample s;
      Boolean wanted = 1;
      note("Pellasto_init",
           changed_by(start, [&] { m.init(&s.state, nullptr, &wanted); }));
      note("Pellasto_init with parameters",
           changed_by(start, [&] { m.init(&s.state, &s.params, &wanted); }));
    }
    note("miSetModuleHandle",
         changed_by(start, [&] { m.set_module_handle(hostside::program_module()); }));
    install_plain_host();
    for (std::int32_t mode : {0, 1, 2, 5}) {
      for (float turns : {0.0f, 0.25f, -1.5f}) {
        hostside::Sample s;
        s.state.surface_normal = {0.6f, 0.0f, 0.8f};
        s.params.mode = mode;
        s.params.direction = {1e-30f, 2e-38f, 3};  // tiny components: denormal work
        s.params.position = {-1, 2, 4};
        s.params.rotation = turns;
        s.connect_all();
        note("Pellasto, mode " + std::to_string(mode) + ", rotation " + show(turns),
             changed_by(start, [&] { s.shade(m.shade); }));
      }
    }
    if (m.exit != nullptr) {
      note("Pellasto_exit", changed_by(start, [&] { m.exit(nullptr, nullptr); }));
    }
  }
  set_fp_control(found);
  return Result::holds(wrong.empty(), wrong);
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back({"floating-point",
                     "loading the module leaves rounding, MXCSR and x87 control alone",
                     load_leaves_fp_state});
  checks->push_back(shading_check(
      "floating-point",
      "every entry in every mode leaves rounding, MXCSR and x87 control alone",
      calls_leave_fp_state));
}

const GroupRegistration kRegistration(1200, "floating-point", add_checks);

}  // namespace

}  // namespace check
