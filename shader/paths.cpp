// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The shader's algorithm, written once, and the paths a sample takes through
// it. The entry (shader/pellasto.cpp) has seen some facts of the sample
// before it chooses a path; each path is the algorithm instantiated for
// them, so that it holds only the steps its samples take and keeps only what
// those steps keep.

#include "shader/paths.h"

#include "shader/steps.h"

namespace pellasto {

namespace {

// What the entry has seen of `mode`.
enum class ModeIs {
  kEvaluated,  // connected: the host evaluates it, and the path tests what it gives
  kNoFrame,    // in place, and a value that builds no frame (0, or anything but 1 and 2)
  kFrame,      // in place, and 1 or 2
};

// What is known of a frame's turn.
enum class TurnIs {
  kRead,         // nothing: `rotation` is read like any parameter and tested
  kTestedFirst,  // in place: tested as soon as there are vectors, a fractional
                 // turn going on to the path for it, so that this one never turns
  kFractional,   // in place, and not a whole number of turns
};

// A tangent in one vector register (the fourth lane unused), as the paths
// that may turn hand it to install_turned_frame: a Vector by value (two
// registers on x86-64, the stack on 32-bit x86) makes those paths 3 to 4
// instructions longer in every connected frame (BENCHMARKS.md).
typedef float Lanes __attribute__((vector_size(16), aligned(4)));

[[gnu::always_inline]] inline Lanes lanes_of(Vector v) {
  return Lanes{v.x, v.y, v.z, 0.0f};
}

// The frame of `tangent` turned about the normal by `turns`. Out of line, so
// that on a path that may or may not turn only turned frames keep a matrix
// on the stack and pay for its guard.
[[gnu::noinline]] void install_turned_frame(RenderState* state, Lanes tangent,
                                            float turns) {
  const Vector unturned{tangent[0], tangent[1], tangent[2]};
  install_frame(state, turn_about_normal(state, unturned, turns));
}

// The shader's algorithm, for every sample. Each path below is this one
// function, instantiated for what the entry has seen of the sample: a path
// with `mode` in place tests it no more, one that reads in place calls the
// host for no parameter, and a frame read in place tests its turn first,
// turned frames going on to a path of their own.
//   1. Read `mode`. Any value but 1 and 2 acts as 0.
//      No vectors (a null `surface_derivatives`): `input` passes through and
//      nothing else is read.
//   2. Save D[0] and D[1] as they are. A path that calls the host saves them
//      before its first call, since the host may move them; one that calls
//      nothing saves them only just before they are overwritten (or `input`
//      is copied), and holds them in registers for the few steps left.
//   3. In mode 0, on to 10.
//   4. The direction: `direction` (mode 1) or `position` less the surface
//      point (mode 2).
//   5-6. The unit tangent t in the plane of the normal N (tangent_in_plane:
//      an infinite direction taken as its limit, zero when the projection is
//      no more than rounding).
//   7. Read `rotation`; unless it is a whole number of turns, turn t about N
//      by it.
//   8-9. Install the frame: D[0] = N x t, D[1] = t.
//   10-11. Copy the value of `input` into `result`: whatever is connected to
//      it runs now, under that frame.
//   12. Put the saved vectors back.
//   13. Return 1.
template <ModeIs kMode, Reads kReads, TurnIs kTurn = TurnIs::kRead>
[[gnu::always_inline]] inline Boolean shade(Color* result, RenderState* state,
                                            FrameParams* params) {
  static_assert(
      (kMode == ModeIs::kFrame && kReads == Reads::kInPlace) == (kTurn != TurnIs::kRead),
      "a frame read in place, and only it, tests its turn first");
  constexpr bool kCallsHost = kReads == Reads::kByRule || kTurn == TurnIs::kFractional;

  // 1. (A mode the entry read in place is read again in 4, where it is used.)
  std::int32_t mode = kPellastoModeNone;
  if constexpr (kMode == ModeIs::kEvaluated) {
    mode = evaluated(state, &params->mode);
  }
  const Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    pass_input_through<kReads>(result, state, params);
    return 1;
  }

  if constexpr (kTurn == TurnIs::kTestedFirst) {
    // Not before: without vectors the shader computes nothing with `rotation`
    // (a signalling NaN there then raises nothing).
    if (is_fractional_turn(params->rotation)) {
      return shade_turned_unconnected_frame(result, state, params);
    }
  }

  // 2.
  KeptFrame<kCallsHost> kept;
  if constexpr (kCallsHost) {
    kept.keep(derivatives);
  }

  // 3.
  const bool frame =
      kMode == ModeIs::kFrame || (kMode == ModeIs::kEvaluated && builds_frame(mode));
  if (frame) {
    // 4-6.
    if constexpr (kMode == ModeIs::kFrame) {
      mode = params->mode;
    }
    const Vector tangent = tangent_in_plane(find_direction<kReads>(state, params, mode),
                                            state->surface_normal);
    // 7-9. A path that may turn or not turns out of line (install_turned_frame).
    if constexpr (kTurn == TurnIs::kTestedFirst) {
      kept.keep(derivatives);
      install_frame(state, tangent);
    } else if constexpr (kTurn == TurnIs::kFractional) {
      install_frame(state, turn_about_normal(state, tangent, params->rotation));
    } else {
      const float turns = read<kReads>(state, &params->rotation);
      if (is_fractional_turn(turns)) {
        install_turned_frame(state, lanes_of(tangent), turns);
      } else {
        install_frame(state, tangent);
      }
    }
  } else if constexpr (!kCallsHost) {
    kept.keep(derivatives);
  }

  // 10-11.
  pass_input_through<kReads>(result, state, params);
  // 12.
  restore_frame(state, kept.get());
  // 13.
  return 1;
}

}  // namespace

Boolean shade_evaluated_mode(Color* result, RenderState* state, FrameParams* params) {
  return shade<ModeIs::kEvaluated, Reads::kByRule>(result, state, params);
}

Boolean shade_in_place(Color* result, RenderState* state, FrameParams* params) {
  return shade<ModeIs::kNoFrame, Reads::kInPlace>(result, state, params);
}

Boolean shade_evaluated_input(Color* result, RenderState* state, FrameParams* params) {
  return shade<ModeIs::kNoFrame, Reads::kByRule>(result, state, params);
}

Boolean shade_connected_frame(Color* result, RenderState* state, FrameParams* params) {
  return shade<ModeIs::kFrame, Reads::kByRule>(result, state, params);
}

Boolean shade_unconnected_frame(Color* result, RenderState* state, FrameParams* params) {
  return shade<ModeIs::kFrame, Reads::kInPlace, TurnIs::kTestedFirst>(result, state,
                                                                      params);
}

Boolean shade_turned_unconnected_frame(Color* result, RenderState* state,
                                       FrameParams* params) {
  return shade<ModeIs::kFrame, Reads::kInPlace, TurnIs::kFractional>(result, state,
                                                                     params);
}

}  // namespace pellasto
