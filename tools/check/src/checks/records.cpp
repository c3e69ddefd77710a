// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host's records after every call: every byte of the render state, the
// shader record, the parameter block with its connection words and the
// derivative array past D[1] as the host handed it over, D[0] and D[1] the
// host's own bits again, and nothing written past the end of any record.
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/guarded_sample.h"
#include "hostside/reference_model.h"
#include "hostside/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

struct RecordCase {
  std::int32_t mode;
  float turns;
  int connections;  // 0 none, 1 all, 2 words set but the record's offset 0
  std::string name() const {
    static const char* const how[] = {"nothing connected", "all connected",
                                      "connection offset 0"};
    return "mode " + std::to_string(mode) + ", rotation " + show(turns) + ", " +
           how[connections];
  }
};

std::vector<RecordCase> record_cases() {
  std::vector<RecordCase> cases;
  for (std::int32_t mode : {0, 1, 2, -1, 3}) {
    for (float turns : {0.0f, 0.25f, 2.0f}) {
      for (int connections : {0, 1, 2}) {
        cases.push_back({mode, turns, connections});
      }
    }
  }
  return cases;
}

// A sample of `c`, its bytes drawn from `seed`: a leaning normal, a point off
// the origin, a direction and a position that give a frame.
void prepare(hostside::GuardedSample* s, const RecordCase& c) {
  RenderState& state = *s->state();
  state.surface_normal = {0.267261237f, 0.534522474f, 0.801783681f};
  state.surface_point = {1, -2, 0.5f};
  FrameParams& p = *s->params();
  p.mode = c.mode;
  p.direction = {3, 1, 2};
  p.position = {-1, 2, 4};
  p.rotation = c.turns;
  if (c.connections != 0) {
    s->connect_all();
  }
  if (c.connections == 2) {
    s->shader()->connection_offset = 0;
  }
}

// Shades every case on a guarded sample; the first case that `wrong` finds
// fault with (given the sample after the call and the reference model's
// prediction), and what it found.
template <typename Judge>
Result shade_guarded(Context& context, Judge wrong) {
  const std::vector<RecordCase> cases = record_cases();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    hostside::GuardedSample s(static_cast<std::uint32_t>(context.seed) +
                              static_cast<std::uint32_t>(i));
    prepare(&s, cases[i]);
    // The records as the host hands them over, before the call: what the
    // reference model predicts from.
    const hostside::Prediction want =
        hostside::predict(model_of(*s.state(), *s.params()));
    const HostHooks hooks = s.hooks();
    install_hooks(&hooks);
    s.shade(context.module->shade);
    install_plain_host();
    const std::string found = wrong(s, want);
    if (!found.empty()) {
      return Result::fail(cases[i].name() + ": " + found + " (seed " +
                          std::to_string(context.seed) + ")");
    }
  }
  return Result::pass();
}

Result records_after_the_call(const hostside::PellastoModule&, Context& context) {
  return shade_guarded(context,
                       [](hostside::GuardedSample& s, const hostside::Prediction& want) {
                         if (!s.changed_after().empty()) {
                           return "after the call " + s.changed_after();
                         }
                         const Vector after[2] = {s.derivatives()[0], s.derivatives()[1]};
                         if (!hostside::same_bits(after, want.after)) {
                           return "after the call D[0], D[1] " + show_pair(after) +
                                  ", the reference model says " + show_pair(want.after);
                         }
                         return std::string();
                       });
}

Result records_while_input_is_read(const hostside::PellastoModule&, Context& context) {
  return shade_guarded(
      context, [](hostside::GuardedSample& s, const hostside::Prediction&) {
        if (s.input_evaluations == 0 || s.changed_during_input().empty()) {
          return std::string();
        }
        return "while the input was read " + s.changed_during_input();
      });
}

Result result_written_whole(const hostside::PellastoModule&, Context& context) {
  return shade_guarded(
      context, [](hostside::GuardedSample& s, const hostside::Prediction& want) {
        return hostside::same_bits(*s.result(), want.result)
                   ? std::string()
                   : std::string("the result is not the reference model's, bit for bit");
      });
}

// Pellasto_init and Pellasto_exit touch no record (init writes only its flag).
Result lifecycle_leaves_records(Context& context) {
  const hostside::PellastoModule& m = *context.module;
  if (m.init == nullptr || m.exit == nullptr) {
    return Result::skip("Pellasto_init or Pellasto_exit is not exported");
  }
  hostside::GuardedSample s(static_cast<std::uint32_t>(context.seed));
  s.connect_all();
  s.hand_over();
  Boolean wanted = 1;
  m.init(s.state(), s.params(), &wanted);
  std::string found = s.changes();
  if (!found.empty()) {
    return Result::fail("Pellasto_init with parameters: " + found);
  }
  m.init(s.state(), nullptr, &wanted);
  found = s.changes();
  if (!found.empty()) {
    return Result::fail("Pellasto_init without parameters: " + found);
  }
  m.exit(s.state(), s.params());
  found = s.changes();
  return Result::holds(found.empty(), "Pellasto_exit: " + found);
}

void add_checks(std::vector<Check>* checks) {
  const std::string n = std::to_string(record_cases().size());
  checks->push_back(shading_check(
      "records",
      "every byte as handed over after the call, D[0] and D[1] the host's own (" + n +
          " samples in guard bytes)",
      records_after_the_call));
  checks->push_back(shading_check(
      "records", "nothing but D[0] and D[1] changed while the input is read",
      records_while_input_is_read));
  checks->push_back(shading_check(
      "records", "the result is the input's value, bit for bit", result_written_whole));
  checks->push_back({"records", "Pellasto_init and Pellasto_exit write no record",
                     lifecycle_leaves_records});
}

const GroupRegistration kRegistration(800, "records", add_checks);

}  // namespace

}  // namespace check
