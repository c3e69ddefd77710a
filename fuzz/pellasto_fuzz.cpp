// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// libFuzzer target: every input builds one shading sample (render state,
// shader record, derivative arrays, parameter block with connection words) and
// a host whose evaluations may hand back values of their own, move the
// derivative vectors elsewhere, or run the shader again on the same state.
// The shader is called through its exported entry, and then:
//   - it returned 1;
//   - `result` holds, bit for bit, the value of `input` as the rule reads it;
//   - the derivative vectors the state points at on return hold, bit for bit,
//     what the vectors it saved held;
//   - parameters were evaluated in the fixed order, and the host was asked to
//     turn the tangent exactly when the rotation is a fractional turn;
//   - no other byte changed: every record sits between guard bytes, in a heap
//     block of its own, and everything outside `result` and the first two
//     entries of a derivative array must be as it was;
//   - the frame a connected `input` found, for a direction without a NaN
//     (finite, huge or infinite) and a unit normal without a turn, is a unit
//     tangent D[1] or zero, and D[0].D[1] = 0; and D[0], D[1] are the
//     reference model's frame bit for bit (hostside::model_tangent, which
//     takes an infinite direction as the limit of ever longer ones);
//   - where the normal and the surface point are finite (the normal not huge),
//     no invalid-operation exception was raised unless a parameter the shader
//     computed with is a signalling NaN: infinities and quiet NaNs in
//     `direction`, `position` and `rotation` raise nothing.

#include <fuzzer/FuzzedDataProvider.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "hostside/module.h"
#include "hostside/reference_model.h"
#include "hostside/rotation.h"
#include "hostside/vec.h"
#include "shader/pellasto.h"

namespace {

constexpr std::size_t kGuard = 32;
constexpr unsigned char kGuardByte = 0xA5;

// A host-owned record of `size` bytes between guard bytes, in its own heap
// block, so that AddressSanitizer sees any access beyond the guards too.
class Region {
 public:
  explicit Region(std::size_t size)
      : size_(size), bytes_(new unsigned char[size + 2 * kGuard]) {
    std::memset(bytes_, kGuardByte, size + 2 * kGuard);
  }
  ~Region() { delete[] bytes_; }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;

  unsigned char* data() { return bytes_ + kGuard; }
  std::size_t size() const { return size_; }
  std::vector<unsigned char> snapshot() const {
    return {bytes_, bytes_ + size_ + 2 * kGuard};
  }
  // Offset of `p` in snapshot() coordinates.
  std::size_t at(const void* p) const {
    return static_cast<std::size_t>(static_cast<const unsigned char*>(p) - bytes_);
  }

 private:
  std::size_t size_;
  unsigned char* bytes_;
};

// Floats from every class that matters: zeros, whole and fractional values,
// NaNs with payloads, infinities, denormals, the extremes, any bit pattern.
float pick_float(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 11)) {
    case 0:
      return 0.0f;
    case 1:
      return -0.0f;
    case 2:
      return static_cast<float>(in.ConsumeIntegralInRange<int>(-4, 4));
    case 3:
      return static_cast<float>(in.ConsumeIntegralInRange<int>(-64, 64)) / 8.0f;
    case 4:
      return std::numeric_limits<float>::infinity() * (in.ConsumeBool() ? 1 : -1);
    case 5:
      return std::numeric_limits<float>::denorm_min() *
             static_cast<float>(in.ConsumeIntegralInRange<int>(-1000, 1000));
    case 6:
      return std::numeric_limits<float>::max() * (in.ConsumeBool() ? 1 : -1);
    case 7:
      return 8388608.0f +
             static_cast<float>(in.ConsumeIntegralInRange<int>(-3, 3)) * 0.5f;
    case 8: {
      // NaN with any payload and sign, quiet or signalling.
      const std::uint32_t bits =
          0x7F800000u | (in.ConsumeIntegral<std::uint32_t>() & 0x807FFFFFu) | 1u;
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    default: {
      const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
  }
}

Vector pick_vector(FuzzedDataProvider& in) {
  return {pick_float(in), pick_float(in), pick_float(in)};
}

// A unit vector in any direction, rounded to float as a host rounds its normals.
Vector unit_normal(FuzzedDataProvider& in) {
  const double x = in.ConsumeFloatingPointInRange<double>(-1, 1);
  const double y = in.ConsumeFloatingPointInRange<double>(-1, 1);
  const double z = in.ConsumeFloatingPointInRange<double>(-1, 1);
  const double len = std::sqrt(x * x + y * y + z * z);
  if (!(len > 1e-3)) return {0, 0, 1};
  return {static_cast<float>(x / len), static_cast<float>(y / len),
          static_cast<float>(z / len)};
}

std::int32_t pick_mode(FuzzedDataProvider& in) {
  static constexpr std::int32_t kModes[] = {0, 1, 2, 3, -1, 0x7FFFFFFF, INT32_MIN};
  if (in.ConsumeIntegralInRange<int>(0, 7) == 7)
    return in.ConsumeIntegral<std::int32_t>();
  return kModes[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kModes) - 1)];
}

// What the host does on one evaluation of a connected parameter.
struct Evaluation {
  enum Value { kOwn, kHostValue, kShaderAgain } value;
  int host_value;  // which of the host's value buffers, for kHostValue
  int move_to;     // -1 stay, 0..2 derivative array, 3 none (null)
};

constexpr int kArrays = 3;
constexpr int kHostValues = 4;
constexpr int kEvaluations = 6;
constexpr std::size_t kBlockBefore = 64;  // room for connection words before
constexpr std::size_t kBlockSize = kBlockBefore + sizeof(FrameParams) + 96;

struct Sample;
Sample* current = nullptr;

struct Sample {
  Region state_region{sizeof(RenderState)};
  Region shader_region{sizeof(ShaderRecord)};
  Region inner_shader_region{sizeof(ShaderRecord)};
  Region array_regions[kArrays] = {Region(3 * sizeof(Vector)), Region(3 * sizeof(Vector)),
                                   Region(3 * sizeof(Vector))};
  Region block_region{kBlockSize};
  Region inner_params_region{sizeof(FrameParams)};
  Region result_region{sizeof(Color)};
  Region inner_result_region{sizeof(Color)};
  Region host_values_region{kHostValues * 16};

  RenderState* state = reinterpret_cast<RenderState*>(state_region.data());
  ShaderRecord* shader = reinterpret_cast<ShaderRecord*>(shader_region.data());
  ShaderRecord* inner_shader =
      reinterpret_cast<ShaderRecord*>(inner_shader_region.data());
  FrameParams* params =
      reinterpret_cast<FrameParams*>(block_region.data() + kBlockBefore);
  FrameParams* inner_params = reinterpret_cast<FrameParams*>(inner_params_region.data());
  Color* result = reinterpret_cast<Color*>(result_region.data());
  Color* inner_result = reinterpret_cast<Color*>(inner_result_region.data());

  Vector* array(int i) { return reinterpret_cast<Vector*>(array_regions[i].data()); }
  unsigned char* host_value(int i) { return host_values_region.data() + 16 * i; }

  Evaluation script[kEvaluations] = {};
  // What the host saw and did, at the outer call's depth.
  struct Logged {
    const void* parameter;
    const void* value;
  };
  std::vector<Logged> log;
  int depth = 0;
  int rotations = 0, transforms = 0;
  bool failed = false;
  const char* why = "";
  // The derivative array in force after `mode` was read, and what it held.
  Vector* saved_from = nullptr;
  unsigned char saved_bits[2 * sizeof(Vector)] = {};
  // The vectors the evaluation of a connected `input` found, if it had any.
  bool input_saw_frame = false;
  Vector input_frame[2] = {};
  bool inner_ran = false;

  void fail(const char* what) {
    if (!failed) why = what;
    failed = true;
  }

  std::vector<Region*> regions() {
    return {&state_region,        &shader_region,       &inner_shader_region,
            &array_regions[0],    &array_regions[1],    &array_regions[2],
            &block_region,        &inner_params_region, &result_region,
            &inner_result_region, &host_values_region};
  }
};

// Fills every byte of a region with input bytes (zeros once they run out).
void fill(FuzzedDataProvider& in, Region& r) {
  std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(r.size());
  bytes.resize(r.size(), 0);
  std::memcpy(r.data(), bytes.data(), r.size());
}

bool is_connected(const ShaderRecord* shader, const void* parameter) {
  const std::int32_t g = shader->connection_offset;
  if (g == 0) return false;
  std::int32_t word;
  std::memcpy(&word, static_cast<const char*>(parameter) + g, sizeof word);
  return word != 0;
}

const hostside::PellastoModule* shader_module = nullptr;

// The host's evaluation of a connected parameter.
void* phen_eval(void*, RenderState* state, void* parameter) {
  Sample& s = *current;
  if (s.depth > 0) return parameter;  // the shader run again has no connections
  if (parameter == &s.params->input && state->surface_derivatives != nullptr) {
    s.input_saw_frame = true;
    std::memcpy(s.input_frame, state->surface_derivatives, sizeof s.input_frame);
  }
  const std::size_t n = s.log.size();
  const Evaluation e =
      n < kEvaluations ? s.script[n] : Evaluation{Evaluation::kOwn, 0, -1};
  void* value = parameter;
  if (e.value == Evaluation::kHostValue) {
    value = s.host_value(e.host_value);
  } else if (e.value == Evaluation::kShaderAgain) {
    // The host runs a shader that is Pellasto again, on the same state; it
    // must leave the vectors it found exactly as they were.
    ShaderRecord* outer = state->current_shader;
    Vector* d = state->surface_derivatives;
    unsigned char before[2 * sizeof(Vector)];
    if (d != nullptr) std::memcpy(before, d, sizeof before);
    state->current_shader = s.inner_shader;
    s.inner_ran = true;
    ++s.depth;
    const Boolean ok = shader_module->shade(s.inner_result, state, s.inner_params);
    --s.depth;
    state->current_shader = outer;
    if (ok != 1) s.fail("the shader run again did not return 1");
    if (std::memcmp(s.inner_result, &s.inner_params->input, sizeof(Color)) != 0) {
      s.fail("the shader run again did not pass its input through");
    }
    if (state->surface_derivatives != d ||
        (d != nullptr && std::memcmp(before, d, sizeof before) != 0)) {
      s.fail("the shader run again did not restore the vectors");
    }
    if (parameter == &s.params->input) value = s.inner_result;
  }
  if (e.move_to >= 0) {
    state->surface_derivatives = e.move_to < kArrays ? s.array(e.move_to) : nullptr;
  }
  if (parameter == &s.params->mode) {
    // The shader saves the vectors right after reading `mode`.
    s.saved_from = state->surface_derivatives;
    if (s.saved_from != nullptr) {
      std::memcpy(s.saved_bits, s.saved_from, sizeof s.saved_bits);
    }
  }
  s.log.push_back({parameter, value});
  return value;
}

Boolean matrix_rotate_axis(void*, Matrix* m, const Vector* axis, float angle) {
  if (current->depth == 0) ++current->rotations;
  return hostside::rotate_axis(m, axis, angle);
}

void vector_transform(void*, Vector* out, const Vector* in, const Matrix* m) {
  if (current->depth == 0) ++current->transforms;
  hostside::transform_direction(out, in, m);
}

const HostHooks kHooks{nullptr, phen_eval, matrix_rotate_axis, vector_transform};

void build(FuzzedDataProvider& in, Sample& s) {
  for (Region* r : {&s.state_region, &s.shader_region, &s.block_region}) fill(in, *r);
  for (Region& r : s.array_regions) fill(in, r);
  fill(in, s.host_values_region);

  RenderState& st = *s.state;
  st.surface_point = pick_vector(in);
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      st.surface_normal = {0, 0, 1};
      break;
    case 1:
      st.surface_normal = unit_normal(in);  // slanted, as most normals are
      break;
    default:
      st.surface_normal = pick_vector(in);
  }
  st.current_shader = s.shader;
  const int first_array = in.ConsumeIntegralInRange<int>(0, kArrays);
  st.surface_derivatives = first_array < kArrays ? s.array(first_array) : nullptr;

  static constexpr std::int32_t kOffsets[] = {48, 52, 64, 96, -48, -64};
  s.shader->connection_offset =
      in.ConsumeBool()
          ? 0
          : kOffsets[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kOffsets) - 1)];

  FrameParams& p = *s.params;
  p.input = {pick_float(in), pick_float(in), pick_float(in), pick_float(in)};
  p.mode = pick_mode(in);
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:  // along the normal: nothing left after the projection
      p.direction = {st.surface_normal.x * 5, st.surface_normal.y * 5,
                     st.surface_normal.z * 5};
      break;
    case 1:
      p.direction = {0, 0, 0};
      break;
    default:
      p.direction = pick_vector(in);
  }
  p.position = in.ConsumeBool() ? st.surface_point : pick_vector(in);
  p.rotation = pick_float(in);
  // Each parameter connected or not, by its own word.
  if (s.shader->connection_offset != 0) {
    const std::uint8_t connected = in.ConsumeIntegral<std::uint8_t>();
    char* fields[] = {reinterpret_cast<char*>(&p.input), reinterpret_cast<char*>(&p.mode),
                      reinterpret_cast<char*>(&p.direction),
                      reinterpret_cast<char*>(&p.position),
                      reinterpret_cast<char*>(&p.rotation)};
    for (int i = 0; i < 5; ++i) {
      const std::int32_t word =
          (connected >> i) & 1 ? in.ConsumeIntegralInRange<int>(1, 9) : 0;
      std::memcpy(fields[i] + s.shader->connection_offset, &word, sizeof word);
    }
  }

  FrameParams& q = *s.inner_params;
  q.input = {pick_float(in), pick_float(in), pick_float(in), pick_float(in)};
  q.mode = pick_mode(in);
  q.direction = pick_vector(in);
  q.position = pick_vector(in);
  q.rotation = pick_float(in);
  s.inner_shader->connection_offset = 0;

  for (Evaluation& e : s.script) {
    e.value = static_cast<Evaluation::Value>(in.ConsumeIntegralInRange<int>(0, 2));
    e.host_value = in.ConsumeIntegralInRange<int>(0, kHostValues - 1);
    e.move_to = in.ConsumeIntegralInRange<int>(-3, kArrays);
    if (e.move_to < -1) e.move_to = -1;  // staying put is the common case
  }
}

// The values the shader computed the frame from.
struct FrameInputs {
  bool built = false;  // mode 1 or 2, with vectors to override
  std::int32_t mode = 0;
  Vector chosen{};  // `direction`, or `position` as read
  float rotation = 0;
  int turns = 0;
};

// What the shader must have asked the host for, in order, given the values
// the host handed back; the value each read yields.
FrameInputs check_reads(Sample& s) {
  const FrameParams& p = *s.params;
  std::size_t next = 0;
  auto read = [&](const void* parameter, std::size_t size, void* out) {
    const void* from = parameter;
    if (is_connected(s.shader, parameter)) {
      if (next >= s.log.size() || s.log[next].parameter != parameter) {
        s.fail("parameters evaluated out of order, or a connected one skipped");
        return;
      }
      from = s.log[next++].value;
    }
    std::memcpy(out, from, size);
  };
  FrameInputs f;
  std::int32_t& mode = f.mode;
  read(&p.mode, sizeof mode, &mode);
  // Without vectors to override the shader only passes `input` through.
  const bool has_frame = s.saved_from != nullptr;
  int& expected_turns = f.turns;
  if (has_frame && (mode == 1 || mode == 2)) {
    f.built = true;
    read(mode == 1 ? static_cast<const void*>(&p.direction) : &p.position,
         sizeof f.chosen, &f.chosen);
    read(&p.rotation, sizeof f.rotation, &f.rotation);
    expected_turns = hostside::is_fractional_turn(f.rotation) ? 1 : 0;
  }
  Color input;
  read(&p.input, sizeof input, &input);
  if (next != s.log.size()) s.fail("a parameter was evaluated that must not be");
  if (std::memcmp(s.result, &input, sizeof input) != 0) {
    s.fail("result is not the input value bit for bit");
  }
  if (s.rotations != expected_turns || s.transforms != expected_turns) {
    s.fail("host asked to turn the tangent when it must not be, or not asked");
  }
  return f;
}

bool finite(Vector v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool has_nan(Vector v) { return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z); }

// The frame a connected input found: a unit tangent or none, and a cross
// vector perpendicular to it, wherever the direction has no NaN, the normal
// is of unit length and the host was not asked to turn the tangent (a turn
// is the host's own arithmetic, which keeps the length only to its rounding).
// Where the direction's part in the plane is more than 1e-3 of it, clear of
// the rounding that decides between a tangent and none, the tangent is the
// one the host works out in float for itself, to that float rounding.
void check_frame(Sample& s, const FrameInputs& f) {
  using hostside::dot;
  if (!f.built || f.turns != 0 || !s.input_saw_frame) return;
  const Vector n = s.state->surface_normal;
  const Vector point = s.state->surface_point;
  const Vector d = f.mode == 1 ? f.chosen
                               : Vector{f.chosen.x - point.x, f.chosen.y - point.y,
                                        f.chosen.z - point.z};
  if (has_nan(d) || !finite(n) || std::fabs(dot(n, n) - 1.0f) > 1e-6f) return;
  const Vector t = s.input_frame[1], b = s.input_frame[0];
  const float tt = dot(t, t);
  if (!(tt == 0.0f || std::fabs(tt - 1.0f) <= 1e-5f)) {
    s.fail("D[1] is neither of unit length nor zero");
  }
  if (!(std::fabs(dot(b, t)) <= 1e-5f)) s.fail("D[0] is not perpendicular to D[1]");
  // The reference model's frame, bit for bit.
  const Vector want = hostside::model_tangent(n, d, 0.0f);
  if (!hostside::same_bits(t, want) ||
      !hostside::same_bits(b, hostside::cross(n, want))) {
    s.fail("D[0], D[1] are not the reference model's frame bit for bit");
  }
}

bool is_signalling_nan(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return std::isnan(f) && (bits & 0x00400000u) == 0;
}

bool has_signalling_nan(Vector v) {
  return is_signalling_nan(v.x) || is_signalling_nan(v.y) || is_signalling_nan(v.z);
}

// A normal that is finite and not huge, so that the host's own products with
// it cannot overflow, and a finite surface point: what a host owes the shader.
bool geometry_is_sound(const Sample& s) {
  const Vector n = s.state->surface_normal;
  return finite(n) && std::fabs(n.x) <= 1e18f && std::fabs(n.y) <= 1e18f &&
         std::fabs(n.z) <= 1e18f && finite(s.state->surface_point);
}

// Whether the shader must have raised no invalid-operation exception: the
// geometry is sound and no parameter it computed with is a signalling NaN
// (infinities, huge values and quiet NaNs included).
bool computes_quietly(const Sample& s, const FrameInputs& f) {
  const bool builds = f.built || s.inner_ran;
  if (builds && !geometry_is_sound(s)) return false;
  if (f.built && (has_signalling_nan(f.chosen) || is_signalling_nan(f.rotation))) {
    return false;
  }
  // The shader run again by the host computes with its own parameters.
  const FrameParams& q = *s.inner_params;
  return !s.inner_ran ||
         !(has_signalling_nan(q.direction) || has_signalling_nan(q.position) ||
           is_signalling_nan(q.rotation));
}

void check_untouched(Sample& s, const std::vector<std::vector<unsigned char>>& before,
                     Vector* final_derivatives) {
  std::vector<Region*> regions = s.regions();
  for (std::size_t i = 0; i < regions.size(); ++i) {
    Region& r = *regions[i];
    std::vector<unsigned char> expected = before[i];
    std::vector<unsigned char> now = r.snapshot();
    // What the module may write, and what the host itself changed.
    auto allow = [&](const void* p, std::size_t n) {
      std::memcpy(expected.data() + r.at(p), now.data() + r.at(p), n);
    };
    if (&r == &s.result_region) allow(s.result, sizeof(Color));
    if (&r == &s.inner_result_region) allow(s.inner_result, sizeof(Color));
    for (int a = 0; a < kArrays; ++a) {
      if (&r == &s.array_regions[a]) allow(s.array(a), 2 * sizeof(Vector));
    }
    if (&r == &s.state_region) {
      std::memcpy(expected.data() + r.at(&s.state->surface_derivatives),
                  &final_derivatives, sizeof final_derivatives);
    }
    if (expected != now) s.fail("a byte the shader must not write changed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  shader_module = &hostside::pellasto();
  const hostside::HostModule host = hostside::load_host("fuzz_host");
  host.install(&kHooks);
  shader_module->set_module_handle(host.handle);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Sample s;
  build(in, s);
  current = &s;

  Vector* const initial = s.state->surface_derivatives;
  s.saved_from = initial;
  if (initial != nullptr) std::memcpy(s.saved_bits, initial, sizeof s.saved_bits);
  std::vector<std::vector<unsigned char>> before;
  for (Region* r : s.regions()) before.push_back(r->snapshot());

  std::feclearexcept(FE_ALL_EXCEPT);
  const Boolean ok = shader_module->shade(s.result, s.state, s.params);
  const bool raised_invalid = std::fetestexcept(FE_INVALID) != 0;

  if (ok != 1) s.fail("did not return 1");
  if (s.state->current_shader != s.shader) s.fail("current shader changed");
  Vector* const final_derivatives = s.state->surface_derivatives;
  if (final_derivatives != nullptr && s.saved_from != nullptr &&
      std::memcmp(final_derivatives, s.saved_bits, sizeof s.saved_bits) != 0) {
    s.fail("derivative vectors not restored bit for bit");
  }
  const FrameInputs f = check_reads(s);
  check_frame(s, f);
  if (raised_invalid && computes_quietly(s, f)) {
    s.fail("an invalid-operation exception without a signalling NaN");
  }
  check_untouched(s, before, final_derivatives);
  current = nullptr;
  if (s.failed) {
    std::fprintf(stderr, "pellasto_fuzz: %s\n", s.why);
    std::abort();
  }
  return 0;
}
