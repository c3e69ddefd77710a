// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/checks_common.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include "hostside/rotation.h"
#include "hostside/vec.h"
#include "tools/check/src/program_exports.h"

namespace check {

std::string show(Vector v) { return hostside::shown(v); }

std::string show(float turns) { return hostside::shown(turns); }

std::string one_line(const std::string& text) {
  std::string s;
  for (char c : text) {
    s += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return s;
}

std::string mode_name(std::int32_t mode, bool turned) {
  return "mode " + std::to_string(mode) + (turned ? ", turned" : ", unturned");
}

std::string listed(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) {
    s += (s.empty() ? "" : ", ") + n;
  }
  return "[" + s + "]";
}

std::string show_pair(const Vector v[2]) { return show(v[0]) + ", " + show(v[1]); }

void shade_calling_every_function(const hostside::PellastoModule& m,
                                  hostside::Sample* s) {
  s->params.input = {9, 8, 7, 6};
  s->params.mode = kPellastoModeDirection;
  s->params.direction = {1, 2, 0};
  s->params.rotation = 0.25f;
  s->connect(&s->params.input);
  s->shade(m.shade);
}

Vector bits(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  const std::uint32_t words[3] = {x, y, z};
  Vector v;
  std::memcpy(&v, words, sizeof v);
  return v;
}

std::vector<Case> frame_cases(std::int32_t mode, bool turned) {
  const Vector leanings[] = {{0, 0, 1},    {1, 0, 0},        {0, -1, 0},
                             {1, 2, 3},    {-2, 0.5, 1},     {0.3f, -0.8f, 0.2f},
                             {-1, -1, -1}, {0.2f, 0.4f, -1}, {0, 0, -1}};
  const Vector directions[] = {{3, 1, 2},        {-1, 4, 0.5f},          {0, 0, 5},
                               {2, -3, -1},      {0.01f, 0.02f, -0.03f}, {-250, 75, 10},
                               {1200, -300, 50}, {-2e30f, 1e30f, 3e29f}};
  const Vector points[] = {{1, -2, 0.5f}, {0, 0, 0}, {-3, 4, 10}, {2e5f, -1e5f, 3e4f}};
  const float unturned[] = {0.0f, 1.0f, -2.0f};
  const float turns[] = {0.25f, 0.125f, -0.3f, 1.25f, 1000.75f, -37.375f};
  std::vector<Case> cases;
  int i = 0;
  for (const Vector& lean : leanings) {
    const Vector n = hostside::normalized(lean);
    for (const Vector& d : directions) {
      const int count = turned ? 6 : 3;
      for (int k = 0; k < count; ++k, ++i) {
        Case c{};
        c.mode = mode;
        c.normal = n;
        c.point = points[i % 4];
        c.turns = turned ? turns[k] : unturned[k];
        Vector along = d;
        if (mode == kPellastoModeDirection) {
          c.direction = d;
        } else {
          c.position = c.point + d;
          along = c.position - c.point;
        }
        // A direction along the normal is the zero-frame check's; skip it.
        c.tangent = hostside::expected_tangent(n, along, c.turns);
        if (hostside::same_bits(hostside::expected_tangent(n, along, 0),
                                Vector{0, 0, 0})) {
          continue;
        }
        c.cross = hostside::cross(n, c.tangent);
        c.name = "normal " + show(n) +
                 (mode == kPellastoModeDirection
                      ? ", direction " + show(d)
                      : ", position " + show(c.position) + " at " + show(c.point)) +
                 ", rotation " + show(c.turns);
        cases.push_back(c);
      }
    }
  }
  return cases;
}

hostside::ModelSample model_sample(const Case& c) {
  hostside::ModelSample s;
  s.normal = c.normal;
  s.point = c.point;
  s.derivatives[0] = {0.5f, 0.25f, -1.0f};
  s.derivatives[1] = {-3.0f, 7.0f, 0.125f};
  s.stored.input = {0.25f, 0.5f, 0.75f, 1.0f};
  s.evaluated.input = {9.0f, -8.0f, 7.0f, 6.0f};
  s.stored.mode = c.mode;
  s.stored.direction = c.direction;
  s.stored.position = c.position;
  s.stored.rotation = c.turns;
  s.connected[static_cast<int>(hostside::Param::kInput)] = true;
  return s;
}

hostside::ModelSample model_of(const RenderState& state, const FrameParams& params) {
  hostside::ModelSample s;
  s.normal = state.surface_normal;
  s.point = state.surface_point;
  s.has_derivatives = state.surface_derivatives != nullptr;
  if (s.has_derivatives) {
    s.derivatives[0] = state.surface_derivatives[0];
    s.derivatives[1] = state.surface_derivatives[1];
  }
  s.has_shader = state.current_shader != nullptr;
  const std::int32_t offset = s.has_shader ? state.current_shader->connection_offset : 0;
  s.has_words = offset != 0;
  const std::size_t at[hostside::kParams] = {
      offsetof(FrameParams, input), offsetof(FrameParams, mode),
      offsetof(FrameParams, direction), offsetof(FrameParams, position),
      offsetof(FrameParams, rotation)};
  for (int p = 0; p < hostside::kParams && s.has_words; ++p) {
    std::int32_t word = 0;
    const std::size_t byte = static_cast<std::size_t>(offset) + at[p] / 4 * 4;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(&params) + byte,
                sizeof word);
    s.connected[p] = word != 0;
  }
  s.stored = params;
  s.evaluated = params;
  return s;
}

std::vector<std::string> predicted_evaluations(const hostside::Prediction& want) {
  std::vector<std::string> names;
  for (const hostside::PredictedCall& call : want.calls) {
    if (call.function == hostside::HostFunction::kPhenEval) {
      names.emplace_back(hostside::param_name(call.parameter));
    }
  }
  return names;
}

int predicted_turns(const hostside::Prediction& want) {
  int turns = 0;
  for (const hostside::PredictedCall& call : want.calls) {
    turns += call.function != hostside::HostFunction::kPhenEval ? 1 : 0;
  }
  return turns;
}

Result agrees_with_model(const hostside::PellastoModule& m,
                         const std::vector<hostside::ModelSample>& samples) {
  static const HostHooks hooks = hostside::recording_hooks();
  install_hooks(&hooks);
  hostside::Recorder recorder;
  std::size_t wrong = 0;
  std::string first;
  for (const hostside::ModelSample& s : samples) {
    const std::string difference = hostside::check_against_model(m.shade, s, &recorder);
    if (!difference.empty() && wrong++ == 0) {
      first = difference;
    }
  }
  install_plain_host();
  return Result::holds(wrong == 0, first + " (" + std::to_string(wrong) + " of " +
                                       std::to_string(samples.size()) +
                                       " samples differ from the reference model)");
}

Shaded shade(const hostside::PellastoModule& m, const Case& c) {
  hostside::Sample s;
  s.aim({c.normal, c.point, c.mode, c.direction, c.position, c.turns});
  Shaded out{};
  out.returned = s.shade(m.shade);
  out.result = s.result;
  out.seen[0] = s.seen[0];
  out.seen[1] = s.seen[1];
  out.evaluations = s.input_evaluations;
  out.after[0] = s.derivatives[0];
  out.after[1] = s.derivatives[1];
  return out;
}

void install_plain_host() {
  static const HostHooks hooks =
      hostside::real_rotation_hooks(hostside::evaluate_in_place);
  install_hooks(&hooks);
}

Check shading_check(std::string group, std::string name, ShadingRun run,
                    bool reads_stderr) {
  Check c;
  c.group = std::move(group);
  c.name = std::move(name);
  c.reads_stderr = reads_stderr;
  c.run = [run = std::move(run)](Context& context) {
    const hostside::PellastoModule* m = context.module;
    if (m == nullptr || m->shade == nullptr || m->set_module_handle == nullptr) {
      return Result::skip("not run: Pellasto or miSetModuleHandle is not exported");
    }
    install_plain_host();
    Result r = run(*m, context);
    install_plain_host();
    return r;
  };
  return c;
}

}  // namespace check
