// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the checks of several groups share: printing what was found, the
// shading cases with the frame a host expects, and shading one of them.
#ifndef PELLASTO_CHECK_CHECKS_COMMON_H
#define PELLASTO_CHECK_CHECKS_COMMON_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/reference_model.h"
#include "hostside/sample.h"
#include "tools/check/src/catalogue.h"

namespace check {

std::string show(Vector v);
std::string show(float turns);
// Captured text on one line: line ends written as \n.
std::string one_line(const std::string& text);
Vector bits(std::uint32_t x, std::uint32_t y, std::uint32_t z);

// One shading case: a point with its normal, the parameters, and the frame a
// host expects while `input` is read.
struct Case {
  std::int32_t mode;
  Vector normal, point, direction, position;
  float turns;
  Vector tangent, cross;  // expected D[1], D[0]
  std::string name;
};

// Unit normals leaning every way, down included, directions of lengths other
// than one (so that a frame left unnormalised shows) from tiny to longer than
// 1000, and points off the origin, some far.
std::vector<Case> frame_cases(std::int32_t mode, bool turned);

// A case as the reference model takes it: its parameters stored, `input`
// connected so that the frame it sees is observed.
hostside::ModelSample model_sample(const Case& c);

// A sample laid out as a host owns it, as the reference model takes it: read
// before the call, the connection words where the shader record says, every
// connected parameter evaluating to its stored value (the plain host's way).
hostside::ModelSample model_of(const RenderState& state, const FrameParams& params);

// The parameters the model predicts the host is asked to evaluate, in order.
std::vector<std::string> predicted_evaluations(const hostside::Prediction& want);
// How many rotations and transforms the model predicts.
int predicted_turns(const hostside::Prediction& want);

// Shades every sample with the recording host (hostside/reference_model.h)
// and compares each call with the reference model: passed, or failed with
// the first sample that differs and how, and how many of them differ.
Result agrees_with_model(const hostside::PellastoModule& m,
                         const std::vector<hostside::ModelSample>& samples);

struct Shaded {
  Boolean returned;
  Color result;
  Vector seen[2];
  int evaluations;
  Vector after[2];
};

Shaded shade(const hostside::PellastoModule& m, const Case& c);

// "mode 1, turned" and the like, as the checks' names say it.
std::string mode_name(std::int32_t mode, bool turned);
// Names as a list: "[mode, input]".
std::string listed(const std::vector<std::string>& names);
// D[0] and D[1] as the reports show them.
std::string show_pair(const Vector v[2]);

// Shades a connected, turned sample, which calls every host function.
void shade_calling_every_function(const hostside::PellastoModule& m, hostside::Sample* s);

inline constexpr float kTolerance = 1e-5f;

// The catalogue's group of the fuzz check, run only with --fuzz.
inline constexpr const char* kFuzzGroup = "fuzz";

// The host the checks shade with unless they need another: parameters
// evaluated in place, rotations as a renderer computes them.
void install_plain_host();

// A check that needs the shading entries (Pellasto and miSetModuleHandle):
// skipped, with the reason, when the module lacks one (the export check has
// failed already), else `run`.
using ShadingRun = std::function<Result(const hostside::PellastoModule& m, Context&)>;
Check shading_check(std::string group, std::string name, ShadingRun run,
                    bool reads_stderr = false);

}  // namespace check

#endif  // PELLASTO_CHECK_CHECKS_COMMON_H
