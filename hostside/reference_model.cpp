// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The checker's own reference model (see reference_model.h): independent of
// the module's sources by design.
#include "hostside/reference_model.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "hostside/forwarding_module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"

namespace hostside {

namespace {

int index_of(Param p) { return static_cast<int>(p); }

std::uint32_t bits_of(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

float float_of(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

}  // namespace

std::string shown(Vector v) {
  char text[128];
  std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", static_cast<double>(v.x),
                static_cast<double>(v.y), static_cast<double>(v.z));
  return text;
}

std::string shown(float f) {
  char text[48];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(f));
  return text;
}

namespace {

std::string shown_pair(const Vector v[2]) {
  return "D[0] " + shown(v[0]) + ", D[1] " + shown(v[1]);
}

// The value of a parameter as the connection rule gives it; notes the
// host's evaluation among the calls.
template <typename T>
T read(const ModelSample& s, Param p, const T& stored, const T& evaluated,
       Prediction* out) {
  if (!s.is_connected(p)) {
    return stored;
  }
  PredictedCall call{HostFunction::kPhenEval};
  call.parameter = p;
  out->calls.push_back(call);
  return s.evaluates_to_null[index_of(p)] ? stored : evaluated;
}

// The direction that ever longer directions along `d` turn towards, for a
// `d` with an infinite or NaN component: infinite components +-1, finite
// ones 0, NaN kept.
double limit(float c) {
  if (std::isinf(c)) {
    return c > 0 ? 1.0 : -1.0;
  }
  return std::isnan(c) ? static_cast<double>(c) : 0.0;
}

struct Unturned {
  Vector tangent;
  double along;  // |projection| / |direction|, NaN for a NaN direction
  Vector direction;
};

Unturned unturned_tangent(Vector n, Vector d) {
  const bool unbounded =
      !std::isfinite(d.x) || !std::isfinite(d.y) || !std::isfinite(d.z);
  const double dx = unbounded ? limit(d.x) : d.x;
  const double dy = unbounded ? limit(d.y) : d.y;
  const double dz = unbounded ? limit(d.z) : d.z;
  const double nx = n.x, ny = n.y, nz = n.z;
  const double squared = dx * dx + dy * dy + dz * dz;
  const double k = dx * nx + dy * ny + dz * nz;
  const double px = dx - k * nx;
  const double py = dy - k * ny;
  const double pz = dz - k * nz;
  const double projected = px * px + py * py + pz * pz;
  Unturned u{};
  u.direction = {static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)};
  u.along = std::sqrt(projected) / std::sqrt(squared);
  const double bound = 0x1p-40 * squared;  // (2^-20 |d|)^2
  if (std::islessequal(projected, bound)) {
    u.tangent = {0.0f, 0.0f, 0.0f};
    return u;
  }
  const double length = std::sqrt(projected);
  if (!std::isgreater(length, 0.0)) {  // NaN: stays NaN
    u.tangent = {static_cast<float>(px), static_cast<float>(py), static_cast<float>(pz)};
    return u;
  }
  const double reciprocal = 1.0 / length;
  u.tangent = {static_cast<float>(px * reciprocal), static_cast<float>(py * reciprocal),
               static_cast<float>(pz * reciprocal)};
  return u;
}

Vector cross_of(Vector a, Vector b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool has_nan(Vector v) { return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z); }

// Bit for bit, except that a NaN the model predicts matches any NaN: a NaN's
// payload is the processor's business.
bool same_or_nan(Vector want, Vector got) {
  const float w[3] = {want.x, want.y, want.z}, g[3] = {got.x, got.y, got.z};
  for (int i = 0; i < 3; ++i) {
    if (std::isnan(w[i]) ? !std::isnan(g[i]) : bits_of(w[i]) != bits_of(g[i])) {
      return false;
    }
  }
  return true;
}

thread_local Recorder* g_current = nullptr;

}  // namespace

const char* param_name(Param p) {
  static const char* const names[kParams] = {"input", "mode", "direction", "position",
                                             "rotation"};
  return names[index_of(p)];
}

const char* host_function_name(HostFunction f) {
  switch (f) {
    case HostFunction::kPhenEval:
      return "mi_phen_eval";
    case HostFunction::kMatrixRotateAxis:
      return "mi_matrix_rotate_axis";
    case HostFunction::kVectorTransform:
      return "mi_vector_transform";
  }
  return "?";
}

Vector expected_tangent(Vector n, Vector d, float turns) {
  return model_tangent(n, d, turns);
}

Vector model_tangent(Vector n, Vector d, float turns) {
  Vector t = unturned_tangent(n, d).tangent;
  if (is_fractional_turn(turns)) {
    Matrix m;
    rotate_axis(&m, &n, turn_angle(turns));
    transform_direction(&t, &t, &m);
  }
  return t;
}

Prediction predict(const ModelSample& s) {
  Prediction p;
  const std::int32_t mode = read(s, Param::kMode, s.stored.mode, s.evaluated.mode, &p);
  p.builds_frame = s.has_derivatives && (mode == 1 || mode == 2);
  if (s.has_derivatives) {
    p.frame[0] = p.after[0] = s.derivatives[0];
    p.frame[1] = p.after[1] = s.derivatives[1];
  }
  if (p.builds_frame) {
    Vector d;
    if (mode == 1) {
      d = read(s, Param::kDirection, s.stored.direction, s.evaluated.direction, &p);
    } else {
      const Vector position =
          read(s, Param::kPosition, s.stored.position, s.evaluated.position, &p);
      d = {position.x - s.point.x, position.y - s.point.y, position.z - s.point.z};
    }
    const float turns =
        read(s, Param::kRotation, s.stored.rotation, s.evaluated.rotation, &p);
    const Unturned u = unturned_tangent(s.normal, d);
    Vector t = u.tangent;
    p.direction = u.direction;
    p.turned = is_fractional_turn(turns);
    if (p.turned) {
      const float angle = turn_angle(turns);
      PredictedCall rotate{HostFunction::kMatrixRotateAxis};
      rotate.angle_bits = bits_of(angle);
      p.calls.push_back(rotate);
      PredictedCall transform{HostFunction::kVectorTransform};
      transform.in = t;
      p.calls.push_back(transform);
      Matrix m;
      rotate_axis(&m, &s.normal, angle);
      transform_direction(&t, &t, &m);
    }
    p.frame[0] = cross_of(s.normal, t);
    p.frame[1] = t;
    p.well_conditioned = u.along >= 1e-2 && !has_nan(t) && !has_nan(s.normal);
    p.along = u.along;
    p.normal = s.normal;
  }
  p.result = read(s, Param::kInput, s.stored.input, s.evaluated.input, &p);
  p.returned = 1;
  return p;
}

// ---------------------------------------------------------------------------
// The recording host.

void Recorder::expect_block(const FrameParams* params, const FrameParams& host_values,
                            const bool null_for[kParams]) {
  params_ = params;
  values = host_values;
  for (int i = 0; i < kParams; ++i) {
    null_for_[i] = null_for != nullptr && null_for[i];
  }
}

void Recorder::use(Recorder* r) { g_current = r; }
Recorder* Recorder::current() { return g_current; }

int Recorder::param_at(const void* address) const {
  if (params_ == nullptr) {
    return -1;
  }
  const void* const fields[kParams] = {&params_->input, &params_->mode,
                                       &params_->direction, &params_->position,
                                       &params_->rotation};
  for (int i = 0; i < kParams; ++i) {
    if (address == fields[i]) {
      return i;
    }
  }
  return -1;
}

void* Recorder::phen_eval(RenderState* state, void* parameter) {
  RecordedCall call{HostFunction::kPhenEval, std::this_thread::get_id()};
  call.parameter = parameter;
  call.state = state;
  if (state->surface_derivatives != nullptr) {
    call.seen[0] = state->surface_derivatives[0];
    call.seen[1] = state->surface_derivatives[1];
    call.saw_vectors = true;
  }
  calls_.push_back(call);
  const int which = param_at(parameter);
  if (which < 0) {
    return parameter;
  }
  if (which == index_of(Param::kInput) && yield_one_in != 0 &&
      ++input_evaluations_ % yield_one_in == 0) {
    std::this_thread::yield();
  }
  if (null_for_[which]) {
    return nullptr;
  }
  void* const fields[kParams] = {&values.input, &values.mode, &values.direction,
                                 &values.position, &values.rotation};
  return fields[which];
}

Boolean Recorder::rotate(Matrix* m, const Vector* axis, float angle) {
  RecordedCall call{HostFunction::kMatrixRotateAxis, std::this_thread::get_id()};
  call.matrix = m;
  call.axis = axis;
  call.angle = angle;
  calls_.push_back(call);
  return rotate_axis(m, axis, angle);
}

void Recorder::transform(Vector* out, const Vector* in, const Matrix* m) {
  RecordedCall call{HostFunction::kVectorTransform, std::this_thread::get_id()};
  call.matrix = m;
  call.out = out;
  call.in = in;
  call.in_value = *in;
  calls_.push_back(call);
  transform_direction(out, in, m);
}

HostHooks recording_hooks() {
  HostHooks h{};
  h.phen_eval = [](void*, RenderState* state, void* parameter) -> void* {
    Recorder* r = Recorder::current();
    return r != nullptr ? r->phen_eval(state, parameter) : parameter;
  };
  h.matrix_rotate_axis = [](void*, Matrix* m, const Vector* axis, float angle) {
    Recorder* r = Recorder::current();
    return r != nullptr ? r->rotate(m, axis, angle) : rotate_axis(m, axis, angle);
  };
  h.vector_transform = [](void*, Vector* out, const Vector* in, const Matrix* m) {
    Recorder* r = Recorder::current();
    if (r != nullptr) {
      r->transform(out, in, m);
    } else {
      transform_direction(out, in, m);
    }
  };
  return h;
}

// ---------------------------------------------------------------------------
// Comparing.

namespace {

std::string describe_call(const RecordedCall& c, const Recorder& recorder) {
  std::string s = host_function_name(c.function);
  switch (c.function) {
    case HostFunction::kPhenEval: {
      const int which = recorder.param_at(c.parameter);
      return s + "(" +
             (which < 0 ? std::string("an address that is no parameter")
                        : param_name(static_cast<Param>(which))) +
             ")";
    }
    case HostFunction::kMatrixRotateAxis:
      return s + "(angle " + shown(c.angle) + ")";
    case HostFunction::kVectorTransform:
      return s + "(" + shown(c.in_value) + ")";
  }
  return s;
}

std::string describe_call(const PredictedCall& c) {
  std::string s = host_function_name(c.function);
  switch (c.function) {
    case HostFunction::kPhenEval:
      return s + "(" + param_name(c.parameter) + ")";
    case HostFunction::kMatrixRotateAxis:
      return s + "(angle " + shown(float_of(c.angle_bits)) + ")";
    case HostFunction::kVectorTransform:
      return s + "(" + shown(c.in) + ")";
  }
  return s;
}

template <typename Calls, typename Describe>
std::string listed(const Calls& calls, Describe describe_one) {
  std::string s;
  for (const auto& c : calls) {
    s += (s.empty() ? "" : ", ") + describe_one(c);
  }
  return "[" + s + "]";
}

// The frame's own properties, checked apart from the model's bits: the
// tangent unit length and across the normal, D[0] unit length and across
// both, and an unturned tangent on the direction's side.
std::string independent_frame_faults(const Prediction& want, const Vector seen[2],
                                     Vector normal) {
  if (!want.well_conditioned) {
    return "";
  }
  const Vector t = seen[1], b = seen[0];
  // A turned frame carries the host's rotation's own rounding too (a float
  // matrix, from the cosine and sine of an angle up to thousands of turns).
  const double tolerance = want.turned ? 1e-4 : 1e-5;
  const auto fd = [](float v) { return static_cast<double>(v); };
  const auto dot3 = [&](Vector a, Vector c) {
    return fd(a.x) * fd(c.x) + fd(a.y) * fd(c.y) + fd(a.z) * fd(c.z);
  };
  if (!(std::fabs(std::sqrt(dot3(t, t)) - 1.0) <= tolerance)) {
    return "D[1] " + shown(t) + " is not of unit length";
  }
  // A float normal is of unit length only to its rounding, and what that
  // leaves along it of a direction close to it grows as the projection
  // shrinks: (1 - |n|^2) (d.n) / |p| across the normal.
  const double across = tolerance + std::fabs(1.0 - dot3(normal, normal)) / want.along;
  if (!(std::fabs(dot3(t, normal)) <= across)) {
    return "D[1] " + shown(t) + " is not across the normal " + shown(normal);
  }
  if (!(std::fabs(std::sqrt(dot3(b, b)) - 1.0) <= tolerance) ||
      !(std::fabs(dot3(b, normal)) <= across) || !(std::fabs(dot3(b, t)) <= tolerance)) {
    return "D[0] " + shown(b) + " is not a unit vector across the normal and D[1]";
  }
  if (!want.turned && !(dot3(t, want.direction) > 0)) {
    return "D[1] " + shown(t) + " points away from the direction " +
           shown(want.direction);
  }
  return "";
}

}  // namespace

std::string compare(const Prediction& want, const Observed& got,
                    const Recorder& recorder) {
  // The texts are made only for a difference: most calls have none.
  const auto made_calls = [&] {
    return listed(got.calls,
                  [&](const RecordedCall& c) { return describe_call(c, recorder); });
  };
  const auto calls_text = [&] {
    return "the host was called " + made_calls() + ", the model says " +
           listed(want.calls, [](const PredictedCall& c) { return describe_call(c); });
  };
  if (got.calls.size() != want.calls.size()) {
    return calls_text();
  }
  const Matrix* filled = nullptr;
  for (std::size_t i = 0; i < want.calls.size(); ++i) {
    const PredictedCall& w = want.calls[i];
    const RecordedCall& g = got.calls[i];
    const auto which = [&] {
      return "call " + std::to_string(i + 1) + " of " + made_calls() + ": ";
    };
    if (g.function != w.function) {
      return calls_text();
    }
    if (g.thread != got.thread) {
      return which() + "made on another thread than the shader's call";
    }
    switch (w.function) {
      case HostFunction::kPhenEval: {
        if (recorder.param_at(g.parameter) != index_of(w.parameter)) {
          return calls_text();
        }
        if (g.state != got.state) {
          return which() + "handed another render state than the call's";
        }
        // What the host's evaluation finds in the render state: the frame
        // for `input`, the host's own vectors for everything read before.
        if (!got.has_derivatives || !g.saw_vectors) {
          break;
        }
        if (w.parameter != Param::kInput) {
          if (!same_bits(g.seen, want.after)) {
            return which() + "while " + param_name(w.parameter) +
                   " was evaluated the render state held " + shown_pair(g.seen) +
                   ", not the host's own " + shown_pair(want.after);
          }
        } else if (want.builds_frame) {
          if (!same_or_nan(want.frame[0], g.seen[0]) ||
              !same_or_nan(want.frame[1], g.seen[1])) {
            return "the input saw " + shown_pair(g.seen) + ", the model says " +
                   shown_pair(want.frame);
          }
        } else if (!same_bits(g.seen, want.frame)) {
          return "the input saw " + shown_pair(g.seen) + ", not the host's own " +
                 shown_pair(want.frame);
        }
        break;
      }
      case HostFunction::kMatrixRotateAxis:
        if (bits_of(g.angle) != w.angle_bits) {
          return which() + "angle " + shown(g.angle) + " (bits " +
                 std::to_string(bits_of(g.angle)) + "), the model says " +
                 shown(float_of(w.angle_bits)) + " (bits " +
                 std::to_string(w.angle_bits) + ")";
        }
        if (g.axis != &got.state->surface_normal) {
          return which() + "the axis is not the render state's own surface_normal";
        }
        filled = g.matrix;
        break;
      case HostFunction::kVectorTransform:
        if (g.matrix != filled) {
          return which() + "the matrix is not the one mi_matrix_rotate_axis filled";
        }
        if (g.out != g.in) {
          return which() + "the tangent is not transformed in place (out != in)";
        }
        if (!same_or_nan(w.in, g.in_value)) {
          return which() + "handed " + shown(g.in_value) +
                 ", the model's unturned tangent is " + shown(w.in);
        }
        break;
    }
  }
  if (want.builds_frame) {
    for (const RecordedCall& g : got.calls) {
      if (g.function == HostFunction::kPhenEval && g.saw_vectors &&
          recorder.param_at(g.parameter) == index_of(Param::kInput)) {
        const std::string fault = independent_frame_faults(want, g.seen, want.normal);
        if (!fault.empty()) {
          return "the input saw " + shown_pair(g.seen) + ": " + fault;
        }
      }
    }
  }
  if (got.returned != want.returned) {
    return "the call returned " + std::to_string(got.returned) + ", not 1";
  }
  if (!same_bits(got.result, want.result)) {
    return "the result is not the input's value bit for bit";
  }
  if (got.has_derivatives && !same_bits(got.after, want.after)) {
    return "after the call " + shown_pair(got.after) + ", the host's were " +
           shown_pair(want.after);
  }
  return "";
}

// ---------------------------------------------------------------------------
// Shading a model sample.

Observed shade_model_sample(PellastoShaderFn entry, const ModelSample& m,
                            Recorder* recorder) {
  Sample s;
  s.state.surface_normal = m.normal;
  s.state.surface_point = m.point;
  s.derivatives[0] = m.derivatives[0];
  s.derivatives[1] = m.derivatives[1];
  if (!m.has_derivatives) {
    s.state.surface_derivatives = nullptr;
  }
  s.params = m.stored;
  void* const fields[kParams] = {&s.params.input, &s.params.mode, &s.params.direction,
                                 &s.params.position, &s.params.rotation};
  for (int i = 0; i < kParams; ++i) {
    if (m.connected[i]) {
      s.connect(fields[i]);
    }
  }
  s.shader.connection_offset = m.has_words ? kConnectionOffset : 0;
  if (!m.has_shader) {
    s.state.current_shader = nullptr;
  }
  recorder->clear();
  recorder->expect_block(&s.params, m.evaluated, m.evaluates_to_null);
  Recorder* const before = Recorder::current();
  Recorder::use(recorder);
  Observed o;
  o.thread = std::this_thread::get_id();
  o.state = &s.state;
  o.returned = entry(&s.result, &s.state, &s.params);
  Recorder::use(before);
  o.result = s.result;
  o.has_derivatives = m.has_derivatives;
  o.after[0] = s.derivatives[0];
  o.after[1] = s.derivatives[1];
  o.calls = recorder->calls();
  return o;
}

std::string describe(const ModelSample& s) {
  std::string text;
  const auto value = [&](Param p) -> std::string {
    const FrameParams& stored = s.stored;
    const FrameParams& host = s.evaluated;
    const bool connected = s.is_connected(p);
    const bool words_only = !connected && s.connected[index_of(p)];
    std::string v;
    switch (p) {
      case Param::kInput:
        v = "";
        break;
      case Param::kMode:
        v = std::to_string(connected ? host.mode : stored.mode);
        break;
      case Param::kDirection:
        v = shown(connected ? host.direction : stored.direction);
        break;
      case Param::kPosition:
        v = shown(connected ? host.position : stored.position);
        break;
      case Param::kRotation:
        v = shown(connected ? host.rotation : stored.rotation);
        break;
    }
    std::string how = connected ? " connected" : words_only ? " (word set)" : "";
    if (connected && s.evaluates_to_null[index_of(p)]) {
      how += " (host answers null)";
    }
    return std::string(param_name(p)) + (v.empty() ? "" : " " + v) + how;
  };
  text = value(Param::kMode) + ", " + value(Param::kDirection) + ", " +
         value(Param::kPosition) + ", " + value(Param::kRotation) + ", " +
         value(Param::kInput) + "; normal " + shown(s.normal) + ", point " +
         shown(s.point) + (s.has_derivatives ? "" : ", no derivative vectors") +
         (!s.has_shader  ? ", no shader record"
          : !s.has_words ? ", connection offset 0"
                         : "");
  return text;
}

std::string check_against_model(PellastoShaderFn entry, const ModelSample& s,
                                Recorder* recorder) {
  const Prediction want = predict(s);
  const Observed got = shade_model_sample(entry, s, recorder);
  const std::string difference = compare(want, got, *recorder);
  return difference.empty() ? difference : describe(s) + ": " + difference;
}

// ---------------------------------------------------------------------------
// The samples.

namespace {

const Vector kLeanings[] = {{0, 0, 1},           {0, 0, -1}, {1, 2, 3},   {-2, 0.5f, -3},
                            {0.3f, -0.8f, 0.2f}, {0, -1, 0}, {-1, -1, -1}};
const Vector kDirections[] = {{3, 1, 2},      {-1, 4, 0.5f},
                              {2, -3, -1},    {1e-3f, 2e-3f, -5e-4f},
                              {-250, 75, 10}, {1e30f, -2e30f, 5e29f}};
const Vector kPoints[] = {{1, -2, 0.5f}, {0, 0, 0}, {-3, 4, 10}, {1e6f, -2e6f, 3e5f}};

float other_rotation(float used) { return is_fractional_turn(used) ? 2.0f : 0.375f; }

}  // namespace

std::vector<ModelSample> path_cases() {
  const std::int32_t modes[] = {0, 1, 2, -1, 3, INT_MIN};
  const float inf = INFINITY;
  const float rotations[] = {2.0f, 1.25f, NAN, inf};
  std::vector<ModelSample> cases;
  std::size_t i = 0;
  for (int records = 0; records < 3; ++records) {
    for (bool derivatives : {true, false}) {
      for (bool mode_connected : {false, true}) {
        for (std::int32_t mode : modes) {
          for (unsigned connections = 0; connections < 16; ++connections) {
            for (float turns : rotations) {
              ModelSample s;
              const std::size_t k = i++;
              s.normal = normalized(kLeanings[k % 7]);
              s.point = kPoints[k % 4];
              s.has_derivatives = derivatives;
              s.derivatives[0] = {0.5f, 0.25f, -1.0f};
              s.derivatives[1] = {-3.0f, 7.0f, float_of(0x7fc12345u)};
              s.has_shader = records != 2;
              s.has_words = records != 1;
              s.connected[index_of(Param::kMode)] = mode_connected;
              s.connected[index_of(Param::kDirection)] = (connections & 1u) != 0;
              s.connected[index_of(Param::kPosition)] = (connections & 2u) != 0;
              s.connected[index_of(Param::kRotation)] = (connections & 4u) != 0;
              s.connected[index_of(Param::kInput)] = (connections & 8u) != 0;
              // The value the module must use is the host's where the
              // parameter is connected, the stored one where not; the other
              // one differs, so that using it shows.
              const bool builds = mode == 1 || mode == 2;
              const std::int32_t other_mode = builds ? 0 : 1;
              s.stored.mode = mode_connected ? other_mode : mode;
              s.evaluated.mode = mode_connected ? mode : other_mode;
              const Vector d = kDirections[k % 6], e = kDirections[(k + 3) % 6];
              s.stored.direction = d;
              s.evaluated.direction = e;
              s.stored.position = s.point + kDirections[(k + 1) % 6];
              s.evaluated.position = s.point + kDirections[(k + 4) % 6];
              const bool rotation_connected = (connections & 4u) != 0;
              s.stored.rotation = rotation_connected ? other_rotation(turns) : turns;
              s.evaluated.rotation = rotation_connected ? turns : other_rotation(turns);
              s.stored.input = {0.25f, 0.5f, 0.75f, 1.0f};
              s.evaluated.input = {9.0f, -8.0f, float_of(0x7fc00001u), 6.0f};
              cases.push_back(s);
            }
          }
        }
      }
    }
  }
  return cases;
}

namespace {

std::uint64_t next(std::uint64_t* state) {  // splitmix64
  std::uint64_t x = (*state += 0x9e3779b97f4a7c15ull);
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

double uniform(std::uint64_t* r) {  // [0, 1)
  return static_cast<double>(next(r) >> 11) * 0x1p-53;
}

// A unit normal from the whole sphere.
Vector any_normal(std::uint64_t* r) {
  for (;;) {
    const Vector v{static_cast<float>(2 * uniform(r) - 1),
                   static_cast<float>(2 * uniform(r) - 1),
                   static_cast<float>(2 * uniform(r) - 1)};
    const float l = length(v);
    if (l > 0.1f && l <= 1.0f) {
      return normalized(v);
    }
  }
}

float any_component(std::uint64_t* r, double scale) {
  const std::uint64_t pick = next(r) % 64;
  if (pick == 0) {
    return INFINITY;
  }
  if (pick == 1) {
    return -INFINITY;
  }
  if (pick == 2) {
    return NAN;
  }
  if (pick < 6) {
    return 0.0f;
  }
  if (pick == 6) {
    return -0.0f;
  }
  return static_cast<float>((2 * uniform(r) - 1) * scale);
}

// A vector whose length is anything from denormal to about 1e38.
Vector any_vector(std::uint64_t* r) {
  const std::uint64_t kind = next(r) % 8;
  // 2^-149 (the least denormal) to 2^127, spread evenly over the exponents.
  double scale = std::ldexp(1.0, static_cast<int>(next(r) % 277) - 149);
  if (kind == 0) {
    scale = 1.0;
  }
  if (kind == 1) {
    scale = 3e38;
  }
  if (kind == 2) {
    scale = 0x1p-147;
  }
  return {any_component(r, scale), any_component(r, scale), any_component(r, scale)};
}

Vector any_point(std::uint64_t* r) {
  const double scale =
      next(r) % 4 == 0 ? std::ldexp(1.0, static_cast<int>(next(r) % 127)) : 10.0;
  return {static_cast<float>((2 * uniform(r) - 1) * scale),
          static_cast<float>((2 * uniform(r) - 1) * scale),
          static_cast<float>((2 * uniform(r) - 1) * scale)};
}

float any_rotation(std::uint64_t* r) {
  const double whole =
      std::floor((2 * uniform(r) - 1) * std::ldexp(1.0, static_cast<int>(next(r) % 24)));
  switch (next(r) % 8) {
    case 0:
      return static_cast<float>(whole);  // whole turns
    case 1:
      return NAN;
    case 2:
      return next(r) % 2 == 0 ? INFINITY : -INFINITY;
    case 3:
      return 1.25f;
    case 4:
      return 1e-30f;
    default:
      return static_cast<float>(whole + uniform(r));  // many turns and a part
  }
}

std::int32_t any_mode(std::uint64_t* r) {
  const std::int32_t modes[] = {0, 1, 2, 1, 2, -1, 3, INT_MIN, INT_MAX};
  const std::uint64_t pick = next(r) % 10;
  return pick < 9 ? modes[pick] : static_cast<std::int32_t>(next(r));
}

Vector odd_vector(std::uint64_t* r) {
  const auto word = static_cast<std::uint32_t>(next(r));
  return {float_of(word), float_of(word * 2654435761u), float_of(word ^ 0x5a5a5a5au)};
}

}  // namespace

ModelSample random_sample(std::uint64_t* r) {
  ModelSample s;
  s.normal = any_normal(r);
  s.point = any_point(r);
  s.has_derivatives = next(r) % 10 != 0;
  s.derivatives[0] = odd_vector(r);
  s.derivatives[1] = odd_vector(r);
  s.has_shader = next(r) % 12 != 0;
  s.has_words = next(r) % 12 != 0;
  const std::uint64_t connections = next(r);
  for (int i = 0; i < kParams; ++i) {
    s.connected[i] = (connections >> i & 1u) != 0;
    s.evaluates_to_null[i] = (connections >> (8 + i)) % 16 == 0;
  }
  for (FrameParams* p : {&s.stored, &s.evaluated}) {
    p->mode = any_mode(r);
    p->direction = any_vector(r);
    p->position = next(r) % 2 == 0 ? s.point + any_vector(r) : any_vector(r);
    p->rotation = any_rotation(r);
    p->input = {float_of(static_cast<std::uint32_t>(next(r))),
                static_cast<float>(uniform(r)), 0.5f, 1.0f};
  }
  return s;
}

}  // namespace hostside
