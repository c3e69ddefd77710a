// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The shader's steps, each inline: the connection rule by which every
// parameter is read, the choice of direction by mode, the saving, installing
// and restoring of the derivative vectors, and the turn. The entry
// (shader/pellasto.cpp) chooses a sample's path with them; the algorithm that
// puts them in order, and the paths made from it, are in shader/paths.cpp.
#ifndef PELLASTO_SHADER_STEPS_H
#define PELLASTO_SHADER_STEPS_H

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>
#include <cstring>

#include "host/bound_calls.h"
#include "host/host_interface.h"
#include "shader/frame_math.h"
#include "shader/frame_params.h"

namespace pellasto {

// The distance from each parameter to its connection word; 0 when the running
// shader's parameters carry none (or there is no shader record).
[[gnu::always_inline]] inline std::int32_t connection_offset(const RenderState* state) {
  const ShaderRecord* shader = state->current_shader;
  return shader != nullptr ? shader->connection_offset : 0;
}

// Whether the host has connected `parameter`: then the host evaluates it
// (runs whatever is connected) instead of the shader reading it in place.
[[gnu::always_inline]] inline bool is_connected(const RenderState* state,
                                                const void* parameter) {
  const std::int32_t offset = connection_offset(state);
  if (offset == 0) {
    return false;
  }
  std::int32_t connected;
  std::memcpy(&connected, static_cast<const char*>(parameter) + offset, sizeof connected);
  return connected != 0;
}

// Where the host says a connected parameter's value is, once it has evaluated
// it (run whatever is connected): no address means the parameter's own.
template <typename T>
[[gnu::always_inline]] inline const T* evaluated_at(RenderState* state, T* parameter) {
  const void* value = pellasto::phen_eval(state, parameter);
  return value != nullptr ? static_cast<const T*>(value) : parameter;
}

// A connected parameter's value, as the host evaluates it. The parameter's
// own value is read only on the rare branch where the host gives no address,
// so that nothing is kept across the host's call for it.
template <typename T>
[[gnu::always_inline]] inline T evaluated(RenderState* state, T* parameter) {
  const void* value = pellasto::phen_eval(state, parameter);
  if (__builtin_expect(value == nullptr, 0)) {
    return *parameter;
  }
  return *static_cast<const T*>(value);
}

// How a path reads its parameters: where the entry has seen that none of
// those it reads is connected, in place; otherwise each through the
// connection rule.
enum class Reads {
  kInPlace,
  kByRule,
};

// A parameter's value: as the host evaluates it when connected, else its own.
template <Reads kReads, typename T>
[[gnu::always_inline]] inline T read(RenderState* state, T* parameter) {
  if constexpr (kReads == Reads::kInPlace) {
    return *parameter;
  } else {
    if (!is_connected(state, parameter)) {
      return *parameter;
    }
    return evaluated(state, parameter);
  }
}

// Copies the value of `input` into `result`. A connected `input` is copied
// on a branch of its own rather than through a pointer chosen before the
// host's call: otherwise the compiler keeps the parameter's address in a
// saved register across the call, for the case where the host gives none.
template <Reads kReads>
[[gnu::always_inline]] inline void pass_input_through(Color* result, RenderState* state,
                                                      FrameParams* params) {
  if (kReads == Reads::kByRule && is_connected(state, &params->input)) {
    std::memcpy(result, evaluated_at(state, &params->input), sizeof(Color));
  } else {
    std::memcpy(result, &params->input, sizeof(Color));
  }
}

// Only these modes choose a direction; every other value leaves the frame alone.
[[gnu::always_inline]] inline bool builds_frame(std::int32_t mode) {
  return mode == kPellastoModeDirection || mode == kPellastoModePosition;
}

// The direction rule: mode 1 takes the value of `direction` as it is, mode 2
// the value of `position` less the surface point.
[[gnu::always_inline]] inline bool takes_direction_as_given(std::int32_t mode) {
  return mode == kPellastoModeDirection;
}

template <Reads kReads>
[[gnu::always_inline]] inline Vector find_direction(RenderState* state,
                                                    FrameParams* params,
                                                    std::int32_t mode) {
  if (takes_direction_as_given(mode)) {
    return read<kReads>(state, &params->direction);
  }
  return subtract(read<kReads>(state, &params->position), state->surface_point);
}

// Whether a frame-building sample reads every parameter in place: the one its
// mode takes the direction from, `rotation` and `input`.
[[gnu::always_inline]] inline bool frame_reads_in_place(const RenderState* state,
                                                        const FrameParams* params,
                                                        std::int32_t mode) {
  const Vector* direction =
      takes_direction_as_given(mode) ? &params->direction : &params->position;
  return !is_connected(state, direction) && !is_connected(state, &params->rotation) &&
         !is_connected(state, &params->input);
}

// The two derivative vectors, kept as raw bytes so that putting them back
// restores every bit, NaN payloads included: bytes 0-15 and 16-23 in two
// vector registers, not an array (an array on the stack would need a stack
// guard). The blocks do not overlap, so that each load of the next sample's
// save reads what exactly one store of this restore wrote, which the
// processor forwards from its store buffer. Only 4-byte aligned as a type:
// no function aligns its stack on their account.
typedef long long Block __attribute__((vector_size(16), aligned(4)));

struct SavedFrame {
  Block head;  // bytes 0-15
  Block tail;  // bytes 16-23, in the low half
};

#if defined(__SSE2__)
[[gnu::always_inline]] inline SavedFrame save_frame(const Vector* derivatives) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(derivatives);
  return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + 16))};
}

[[gnu::always_inline]] inline void put_back(Vector* derivatives,
                                            const SavedFrame& saved) {
  auto* bytes = reinterpret_cast<unsigned char*>(derivatives);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), saved.head);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes + 16), saved.tail);
}
#else
[[gnu::always_inline]] inline SavedFrame save_frame(const Vector* derivatives) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(derivatives);
  SavedFrame saved{};
  std::memcpy(&saved.head, bytes, 16);
  std::memcpy(&saved.tail, bytes + 16, 8);
  return saved;
}

[[gnu::always_inline]] inline void put_back(Vector* derivatives,
                                            const SavedFrame& saved) {
  auto* bytes = reinterpret_cast<unsigned char*>(derivatives);
  std::memcpy(bytes, &saved.head, 16);
  std::memcpy(bytes + 16, &saved.tail, 8);
}
#endif
static_assert(sizeof(Block) + 8 == 2 * sizeof(Vector), "the blocks cover both vectors");

// Where a path keeps the saved vectors until it puts them back. A path that
// calls the host keeps them in its stack frame, stored once and loaded once:
// in registers the compiler stores and loads them around every host call. A
// path that calls nothing keeps them in registers.
template <bool kAcrossHostCalls>
struct KeptFrame {
  SavedFrame saved;
  [[gnu::always_inline]] void keep(const Vector* derivatives) {
    saved = save_frame(derivatives);
  }
  [[gnu::always_inline]] SavedFrame get() const { return saved; }
};

template <>
struct KeptFrame<true> {
  volatile Block head;
  volatile Block tail;
  [[gnu::always_inline]] void keep(const Vector* derivatives) {
    const SavedFrame saved = save_frame(derivatives);
    head = saved.head;
    tail = saved.tail;
  }
  [[gnu::always_inline]] SavedFrame get() const { return {head, tail}; }
};

// Written through the pointer the state holds now: the host may have moved
// the vectors while `input` was evaluated.
[[gnu::always_inline]] inline void restore_frame(RenderState* state,
                                                 const SavedFrame& saved) {
  if (Vector* derivatives = state->surface_derivatives) {
    put_back(derivatives, saved);
  }
}

[[gnu::always_inline]] inline void install_frame(RenderState* state, Vector cross_vector,
                                                 Vector tangent) {
  if (Vector* derivatives = state->surface_derivatives) {
    derivatives[0] = cross_vector;
    derivatives[1] = tangent;
  }
}

// D[0] = N x t, then D[1] = t, through the pointer the state holds now.
[[gnu::always_inline]] inline void install_frame(RenderState* state, Vector tangent) {
  install_frame(state, cross(state->surface_normal, tangent), tangent);
}

constexpr double kTwoPi = 6.283185307179586;

// The host turns the tangent about the normal by the angle of the whole value
// of `turns`, not only of its fractional part: 1.25 turns is 2.5 pi radians.
// The matrix and the tangent handed to the host are the only locals whose
// address the shader gives away: a function that turns has a stack guard.
[[gnu::always_inline]] inline Vector turn_about_normal(RenderState* state, Vector tangent,
                                                       float turns) {
  Matrix rotation;
  const auto angle = static_cast<float>(static_cast<double>(turns) * kTwoPi);
  matrix_rotate_axis(&rotation, &state->surface_normal, angle);
  vector_transform(&tangent, &tangent, &rotation);
  return tangent;
}

}  // namespace pellasto

#endif  // PELLASTO_SHADER_STEPS_H
