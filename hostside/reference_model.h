// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The reference model: what a host can observe of one call of the shader,
// predicted from the sample alone.
//
// This model is the checker's own. It is written from the rules the module
// is held to (README.md), plainly, one step after another, and is
// deliberately independent of the module's sources (it includes nothing of
// shader/), so that a fault in the module's maths is not copied into the
// reference it is compared with. The one thing it shares with the module's
// host is the host's rotation (hostside/rotation.h): a turned tangent is
// what the host's own mi_matrix_rotate_axis and mi_vector_transform make of
// it, so the model asks the same functions.
//
// The rules, as the model follows them:
// - Parameters are read through the connection rule: with a shader record
//   whose connection offset is not 0 and a non-zero connection word, the
//   host evaluates the parameter (mi_phen_eval) and its value is the one at
//   the address the host answers (the stored one where it answers null).
// - `mode` first. Modes 1 and 2 build a frame, every other value acts as 0.
// - Without derivative vectors (a null array) nothing else is read but
//   `input`; the result is still the input's value.
// - A frame: `direction` (mode 1) or `position` - point (mode 2, in float),
//   then `rotation`. The direction is widened to double; one with an
//   infinite or NaN component is replaced by its limit (each infinite
//   component +-1, each finite one 0, a NaN stays). The projection
//   p = d - (d.n) n and its length are worked out in double; a projection
//   whose square is no more than 2^-40 |d|^2 gives the zero tangent, any
//   other p * (1 / |p|), rounded to float. A rotation whose remainder after
//   division by 1 is a number other than 0 turns the tangent: the host is
//   asked for the rotation about the state's own surface_normal by
//   (float)(turns * 6.283185307179586), then to transform the tangent in
//   place. D[0] = n x t in float, D[1] = t.
// - Then `input`; the result is its value bit for bit; the host's vectors
//   come back bit for bit; the call returns 1.
#ifndef PELLASTO_HOSTSIDE_REFERENCE_MODEL_H
#define PELLASTO_HOSTSIDE_REFERENCE_MODEL_H

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "host/host_interface.h"
#include "hostside/forwarding_module.h"
#include "shader/pellasto.h"

namespace hostside {

// The shader's parameters, in block order.
enum class Param { kInput, kMode, kDirection, kPosition, kRotation };
inline constexpr int kParams = 5;
const char* param_name(Param p);

// Everything of a sample that decides what a call does.
struct ModelSample {
  Vector normal{0, 0, 1}, point{0, 0, 0};
  bool has_derivatives = true;        // false: surface_derivatives is null
  Vector derivatives[2]{};            // the host's own D[0], D[1]
  bool has_shader = true;             // false: current_shader is null
  bool has_words = true;              // false: the record's connection offset is 0
  bool connected[kParams]{};          // the connection word of each parameter
  FrameParams stored{};               // the block as the host filled it
  FrameParams evaluated{};            // what the host's evaluation yields
  bool evaluates_to_null[kParams]{};  // the host answers null for it

  bool is_connected(Param p) const {
    return has_shader && has_words && connected[static_cast<int>(p)];
  }
};

enum class HostFunction { kPhenEval, kMatrixRotateAxis, kVectorTransform };
const char* host_function_name(HostFunction f);

// One call the module makes of the host, as the model predicts it.
struct PredictedCall {
  HostFunction function;
  Param parameter = Param::kInput;  // mi_phen_eval: which parameter
  std::uint32_t angle_bits = 0;     // mi_matrix_rotate_axis: the angle's bits
  Vector in{};                      // mi_vector_transform: the vector handed in
};

struct Prediction {
  std::vector<PredictedCall> calls;
  bool builds_frame = false;  // D[0], D[1] replaced while `input` is read
  Vector frame[2]{};          // D[0], D[1] while `input` is read
  Color result{};
  Boolean returned = 1;
  Vector after[2]{};  // D[0], D[1] after the call
  // Whether the frame comes from a direction whose projection is long enough
  // for the independent checks (unit length, orthogonal to the normal, the
  // direction's sign) to hold to float rounding.
  bool well_conditioned = false;
  Vector normal{};     // the sample's normal, for the independent checks
  double along = 0;    // |projection| / |direction|, for the checks' allowance
  Vector direction{};  // the direction the frame was built from (limit taken)
  bool turned = false;
};

// The tangent of the frame: `d` projected into the plane of the unit normal
// `n`, unit length, turned by the host's rotation when `turns` is a
// fractional turn.
Vector model_tangent(Vector n, Vector d, float turns);

// (Whether a rotation turns and the angle handed to the host are
// is_fractional_turn and turn_angle of hostside/rotation.h.)

Prediction predict(const ModelSample& s);

// A vector or a float as the reports show it: nine significant digits, so
// that the text names the float exactly.
std::string shown(Vector v);
std::string shown(float f);

// One call of the host as a recording host saw it.
struct RecordedCall {
  HostFunction function;
  std::thread::id thread;
  const void* parameter = nullptr;  // mi_phen_eval
  const RenderState* state = nullptr;
  Vector seen[2]{};  // D[0], D[1] in force during mi_phen_eval (if any)
  bool saw_vectors = false;
  const Matrix* matrix = nullptr;  // both rotation functions
  const Vector* axis = nullptr;    // mi_matrix_rotate_axis
  float angle = 0;
  Vector* out = nullptr;  // mi_vector_transform
  const Vector* in = nullptr;
  Vector in_value{};
};

// A host that records every call made of it on the calling thread, hands
// back values of its own for connected parameters and turns with the
// hostside's rotation. Hooks from recording_hooks() reach the recorder
// installed on the calling thread (use()), so that every thread records its
// own calls.
class Recorder {
 public:
  // The block whose parameters are evaluated, and the values handed back.
  void expect_block(const FrameParams* params, const FrameParams& values,
                    const bool null_for[kParams]);
  void clear() { calls_.clear(); }
  const std::vector<RecordedCall>& calls() const { return calls_; }
  // Where the host's value of each parameter lies.
  FrameParams values{};
  // When not 0, one evaluation of `input` in this many yields the thread, so
  // that threads interleave while a frame is in force, on one core as well.
  unsigned yield_one_in = 0;

  // This thread's calls go to `r` (null: none).
  static void use(Recorder* r);
  static Recorder* current();

  void* phen_eval(RenderState* state, void* parameter);
  Boolean rotate(Matrix* m, const Vector* axis, float angle);
  void transform(Vector* out, const Vector* in, const Matrix* m);
  // Which parameter `address` is, or -1.
  int param_at(const void* address) const;

 private:
  const FrameParams* params_ = nullptr;
  bool null_for_[kParams]{};
  unsigned input_evaluations_ = 0;
  std::vector<RecordedCall> calls_;
};

// Hooks that record on the calling thread's Recorder.
HostHooks recording_hooks();

// What one call gave, as the host sees it.
struct Observed {
  Boolean returned = 0;
  Color result{};
  bool has_derivatives = true;
  Vector after[2]{};
  const RenderState* state = nullptr;
  std::vector<RecordedCall> calls;
  std::thread::id thread;
};

// The first difference between what was predicted and what was observed,
// in words, or empty: the calls in order with their arguments, the frame the
// input saw (bit for bit; NaN where NaN is predicted), the independent
// checks of the frame, the result, the return value and the vectors after.
// `recorder` answers which parameter an address is.
std::string compare(const Prediction& want, const Observed& got,
                    const Recorder& recorder);

// A sample laid out as a host owns it, from a ModelSample: shades it with
// `entry` on the calling thread's recorder (which it installs and removes)
// and gives what was observed.
Observed shade_model_sample(PellastoShaderFn entry, const ModelSample& s,
                            Recorder* recorder);

// Describes a sample in one line, for failure messages.
std::string describe(const ModelSample& s);

// Shades `s` and compares it with the model: the first difference, with
// the sample described, or empty.
std::string check_against_model(PellastoShaderFn entry, const ModelSample& s,
                                Recorder* recorder);

// The cross product of what chooses a path: `mode` stored or connected with
// values 0, 1, 2, -1, 3 and INT_MIN; each of direction, position, rotation
// and input connected or not; rotations whole, fractional, NaN and
// infinite; derivative vectors present or absent; the connection words
// present, the record's offset 0, or no shader record. Normals, points and
// directions cycle through lists that lean every way, down included.
std::vector<ModelSample> path_cases();

// A sample drawn from `random` over the whole input space: normals over
// the whole sphere, directions from denormal to 1e38, points far from the
// origin, infinite and NaN components, rotations of many whole and
// fractional turns, every path.
ModelSample random_sample(std::uint64_t* random);

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_REFERENCE_MODEL_H
