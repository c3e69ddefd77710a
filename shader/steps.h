// The shader's steps, and the paths a sample takes through them. Every step
// is inline, so that the entry (shader/pellasto.cpp) and each path are one
// function of their own, holding only what that path keeps.
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
#include "shader/pellasto.h"

namespace pellasto {

// The distance from each parameter to its connection word; 0 when the running
// shader's parameters carry none (or there is no shader record).
[[gnu::always_inline]] inline std::int32_t connection_offset(const RenderState* state) {
  const ShaderRecord* shader = state->current_shader;
  return shader != nullptr ? shader->connection_offset : 0;
}

// Only these modes choose a direction; every other value leaves the frame alone.
[[gnu::always_inline]] inline bool builds_frame(std::int32_t mode) {
  return mode == kPellastoModeDirection || mode == kPellastoModePosition;
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

// A parameter's value: as the host evaluates it when connected, else its own.
template <typename T>
[[gnu::always_inline]] inline T read(RenderState* state, T* parameter) {
  if (!is_connected(state, parameter)) {
    return *parameter;
  }
  return evaluated(state, parameter);
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

// The frame of an unturned tangent.
[[gnu::always_inline]] inline void install_frame(RenderState* state, Vector tangent) {
  install_frame(state, cross(state->surface_normal, tangent), tangent);
}

// The steps of a sample whose `input` is read in place and that calls the
// host for nothing but `install` (a frame, or nothing at all): save the
// host's vectors, install, copy `input`, put the vectors back (`result` may
// lie over them).
template <typename Install>
[[gnu::always_inline]] inline Boolean shade_around(Color* result, RenderState* state,
                                                   const FrameParams* params,
                                                   Install install) {
  const Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    std::memcpy(result, &params->input, sizeof(Color));
    return 1;
  }
  const SavedFrame saved = save_frame(derivatives);
  install();
  std::memcpy(result, &params->input, sizeof(Color));
  restore_frame(state, saved);
  return 1;
}

// Each sample takes one of the paths below. The entry (shader/pellasto.cpp)
// chooses and reaches it by a jump, with the entry's own arguments, so that
// each path saves the registers and stack of its own steps only. The paths
// of samples that call nothing of the host's are in shader/pellasto.cpp, as
// the entry is; the others, in shader/paths.cpp, align their own stack on
// 32-bit x86 before calling the host (hosts there may keep 4-byte alignment
// only).

// On 32-bit x86 the paths take their arguments in registers, so that the
// entry jumps to them without writing its own back to the stack. The
// connected-mode path is the exception: the entry chooses it first, before
// reading anything else, and jumps with the arguments where the host put
// them; that path reads `result` there only at its end.
#if defined(__i386__)
#define PELLASTO_PATH PELLASTO_INTERNAL __attribute__((regparm(3)))
#else
#define PELLASTO_PATH PELLASTO_INTERNAL
#endif

// Mode 0 (or any mode that builds no frame), `input` read in place.
PELLASTO_PATH Boolean shade_in_place(Color* result, RenderState* state,
                                     FrameParams* params);

// Mode 1 or 2 read in place: chooses one of the three frame paths below.
PELLASTO_PATH Boolean shade_new_frame(Color* result, RenderState* state,
                                      FrameParams* params);

// `mode` connected: the host evaluates it first.
PELLASTO_INTERNAL Boolean shade_evaluated_mode(Color* result, RenderState* state,
                                               FrameParams* params);

// Mode 0 (or any mode that builds no frame) read in place, `input` connected.
PELLASTO_PATH Boolean shade_evaluated_input(Color* result, RenderState* state,
                                            FrameParams* params);

// Mode 1 or 2 read in place, with a parameter it reads connected.
PELLASTO_PATH Boolean shade_connected_frame(Color* result, RenderState* state,
                                            FrameParams* params);

// Mode 1 or 2 with every parameter it reads in place, unturned: calls nothing.
// A turned frame goes on to shade_turned_unconnected_frame.
PELLASTO_PATH Boolean shade_unconnected_frame(Color* result, RenderState* state,
                                              FrameParams* params);

// Mode 1 or 2 with every parameter it reads in place, turned.
PELLASTO_PATH Boolean shade_turned_unconnected_frame(Color* result, RenderState* state,
                                                     FrameParams* params);

}  // namespace pellasto

#endif  // PELLASTO_SHADER_STEPS_H
