// The frame override shader: while `input` is evaluated, the first two surface
// derivative vectors hold a frame built around the surface normal,
//   D[0] = N x t,  D[1] = t,
// with t the chosen direction projected into the plane of N, made unit length
// and optionally turned about N. Afterwards the host's vectors are put back.

#include "shader/pellasto.h"

#include <cstdint>
#include <cstring>

#include "host/host_interface.h"
#include "shader/frame_math.h"

namespace {

using pellasto::cross;
using pellasto::is_fractional_turn;
using pellasto::subtract;
using pellasto::tangent_in_plane;

constexpr double kTwoPi = 6.283185307179586;

// The distance from each parameter to its connection word; 0 when the running
// shader's parameters carry none (or there is no shader record).
std::int32_t connection_offset(const RenderState* state) {
  const ShaderRecord* shader = state->current_shader;
  return shader != nullptr ? shader->connection_offset : 0;
}

// Only these modes choose a direction; every other value leaves the frame alone.
bool builds_frame(std::int32_t mode) {
  return mode == kPellastoModeDirection || mode == kPellastoModePosition;
}

// The address to read a parameter's value from: its own, unless the host has
// connected it, in which case the host evaluates it (running whatever is
// connected) and says where the value is.
template <typename T>
const T* value_of(RenderState* state, T* parameter) {
  const std::int32_t offset = connection_offset(state);
  if (offset == 0) {
    return parameter;
  }
  std::int32_t connected;
  std::memcpy(&connected, reinterpret_cast<const char*>(parameter) + offset,
              sizeof connected);
  if (connected == 0) {
    return parameter;
  }
  const void* value = mi_phen_eval(state, parameter);
  return value != nullptr ? static_cast<const T*>(value) : parameter;
}

template <typename T>
T read(RenderState* state, T* parameter) {
  return *value_of(state, parameter);
}

// The two derivative vectors, kept as raw words so that putting them back
// restores every bit, NaN payloads included.
struct SavedFrame {
  unsigned char bytes[2 * sizeof(Vector)];
};

SavedFrame save_frame(const Vector* derivatives) {
  SavedFrame saved;
  std::memcpy(saved.bytes, derivatives, sizeof saved.bytes);
  return saved;
}

// Written through the pointer the state holds now: the host may have moved
// the vectors while `input` was evaluated.
void restore_frame(RenderState* state, const SavedFrame& saved) {
  if (Vector* derivatives = state->surface_derivatives) {
    std::memcpy(derivatives, saved.bytes, sizeof saved.bytes);
  }
}

void install_frame(RenderState* state, Vector cross_vector, Vector tangent) {
  if (Vector* derivatives = state->surface_derivatives) {
    derivatives[0] = cross_vector;
    derivatives[1] = tangent;
  }
}

// The chosen direction, for the two modes that have one.
Vector find_direction(RenderState* state, FrameParams* params, std::int32_t mode) {
  if (mode == kPellastoModeDirection) {
    return read(state, &params->direction);
  }
  return subtract(read(state, &params->position), state->surface_point);
}

// The host turns the tangent about the normal by the angle of the whole value
// of `turns`, not only of its fractional part: 1.25 turns is 2.5 pi radians.
Vector turn_about_normal(RenderState* state, Vector tangent, float turns) {
  Matrix rotation;
  const auto angle = static_cast<float>(static_cast<double>(turns) * kTwoPi);
  mi_matrix_rotate_axis(&rotation, &state->surface_normal, angle);
  mi_vector_transform(&tangent, &tangent, &rotation);
  return tangent;
}

void override_frame(RenderState* state, FrameParams* params, std::int32_t mode) {
  Vector tangent =
      tangent_in_plane(find_direction(state, params, mode), state->surface_normal);
  const float turns = read(state, &params->rotation);
  if (is_fractional_turn(turns)) {
    tangent = turn_about_normal(state, tangent, turns);
  }
  install_frame(state, cross(state->surface_normal, tangent), tangent);
}

void pass_input_through(Color* result, RenderState* state, FrameParams* params) {
  std::memcpy(result, value_of(state, &params->input), sizeof(Color));
}

}  // namespace

// The shader's algorithm, for every sample.
extern "C" PELLASTO_EXPORT Boolean Pellasto(Color* result, RenderState* state,
                                            FrameParams* params) {
  const std::int32_t mode = read(state, &params->mode);
  const Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    pass_input_through(result, state, params);
    return 1;
  }
  const SavedFrame saved = save_frame(derivatives);
  if (builds_frame(mode)) {
    override_frame(state, params, mode);
  }
  pass_input_through(result, state, params);
  restore_frame(state, saved);
  return 1;
}
