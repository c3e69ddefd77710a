// The paths of samples that call the host. On 32-bit x86 each aligns its own
// stack before it calls the host.

#include "shader/steps.h"

namespace pellasto {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The chosen direction, for the two modes that have one.
[[gnu::always_inline]] inline Vector find_direction(RenderState* state,
                                                    FrameParams* params,
                                                    std::int32_t mode) {
  if (mode == kPellastoModeDirection) {
    return read(state, &params->direction);
  }
  return subtract(read(state, &params->position), state->surface_point);
}

// The chosen direction, read in place.
[[gnu::always_inline]] inline Vector direction_in_place(const RenderState* state,
                                                        const FrameParams* params) {
  if (params->mode == kPellastoModeDirection) {
    return params->direction;
  }
  return subtract(params->position, state->surface_point);
}

[[gnu::always_inline]] inline void pass_input_through(Color* result, RenderState* state,
                                                      FrameParams* params) {
  if (is_connected(state, &params->input)) {
    std::memcpy(result, evaluated_at(state, &params->input), sizeof(Color));
  } else {
    std::memcpy(result, &params->input, sizeof(Color));
  }
}

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

// A tangent in one vector register (the fourth lane unused), as the
// connected paths hand it to install_turned_frame: a Vector by value (two
// registers on x86-64, the stack on 32-bit x86) makes those paths 3 to 4
// instructions longer in every connected frame (BENCHMARKS.md).
typedef float Lanes __attribute__((vector_size(16), aligned(4)));

[[gnu::always_inline]] inline Lanes lanes_of(Vector v) {
  return Lanes{v.x, v.y, v.z, 0.0f};
}

// The frame of `tangent` turned about the normal by `turns`. Out of line, so
// that only turned frames keep a matrix on the stack and pay for its guard.
[[gnu::noinline]] void install_turned_frame(RenderState* state, Lanes tangent,
                                            float turns) {
  const Vector unturned{tangent[0], tangent[1], tangent[2]};
  install_frame(state, turn_about_normal(state, unturned, turns));
}

[[gnu::always_inline]] inline SavedFrame copy_of(const volatile SavedFrame& kept) {
  return {kept.head, kept.tail};
}

// The steps once `mode` is known: save the host's vectors, install the frame
// for the modes that build one, copy `input` (whatever is connected to it
// runs under that frame), put the host's vectors back. The saved vectors are
// kept in the stack frame across the host's calls, stored once and loaded
// once: in registers they would be stored and loaded around every call.
[[gnu::always_inline]] inline Boolean shade_in_mode(Color* result, RenderState* state,
                                                    FrameParams* params,
                                                    std::int32_t mode) {
  const Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    pass_input_through(result, state, params);
    return 1;
  }
  volatile SavedFrame kept = save_frame(derivatives);
  if (builds_frame(mode)) {
    const Vector tangent =
        tangent_in_plane(find_direction(state, params, mode), state->surface_normal);
    const float turns = read(state, &params->rotation);
    if (is_fractional_turn(turns)) {
      install_turned_frame(state, lanes_of(tangent), turns);
    } else {
      install_frame(state, tangent);
    }
  }
  pass_input_through(result, state, params);
  restore_frame(state, copy_of(kept));
  return 1;
}

}  // namespace

Boolean shade_evaluated_mode(Color* result, RenderState* state, FrameParams* params) {
  return shade_in_mode(result, state, params, evaluated(state, &params->mode));
}

Boolean shade_evaluated_input(Color* result, RenderState* state, FrameParams* params) {
  return shade_in_mode(result, state, params, kPellastoModeNone);
}

Boolean shade_connected_frame(Color* result, RenderState* state, FrameParams* params) {
  return shade_in_mode(result, state, params, params->mode);
}

Boolean shade_unconnected_frame(Color* result, RenderState* state, FrameParams* params) {
  const Vector* derivatives = state->surface_derivatives;
  if (derivatives == nullptr) {
    std::memcpy(result, &params->input, sizeof(Color));
    return 1;
  }
  // Looked at only once there are vectors to build a frame in: without them
  // the shader computes nothing with `rotation` (a signalling NaN there then
  // raises nothing).
  if (is_fractional_turn(params->rotation)) {
    return shade_turned_unconnected_frame(result, state, params);
  }
  const Vector tangent =
      tangent_in_plane(direction_in_place(state, params), state->surface_normal);
  // Nothing is called before the frame is installed: the host's vectors are
  // saved only now, and held in registers for the few steps left.
  const SavedFrame saved = save_frame(derivatives);
  install_frame(state, tangent);
  std::memcpy(result, &params->input, sizeof(Color));
  restore_frame(state, saved);
  return 1;
}

Boolean shade_turned_unconnected_frame(Color* result, RenderState* state,
                                       FrameParams* params) {
  return shade_around(result, state, params, [=] {
    const Vector tangent =
        tangent_in_plane(direction_in_place(state, params), state->surface_normal);
    install_frame(state, turn_about_normal(state, tangent, params->rotation));
  });
}

}  // namespace pellasto
