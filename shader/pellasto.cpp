// The frame override shader: while `input` is evaluated, the first two surface
// derivative vectors hold a frame built around the surface normal,
//   D[0] = N x t,  D[1] = t,
// with t the chosen direction projected into the plane of N, made unit length
// and optionally turned about N. Afterwards the host's vectors are put back.
//
// This file holds the entry, which chooses a sample's path (shader/steps.h),
// and the paths that call nothing of the host's. On 32-bit x86 it is compiled
// for the 4-byte stack alignment hosts there may call with: nothing here
// calls the host, so nothing here aligns the stack, and the entry can jump.

#include "shader/pellasto.h"

#include <atomic>
#include <cstring>

#include "shader/steps.h"

namespace pellasto {

namespace {

// Whether a frame-building sample reads every parameter in place: the one
// its mode takes the direction from, `rotation` and `input`.
[[gnu::always_inline]] inline bool frame_reads_in_place(const RenderState* state,
                                                        const FrameParams* params,
                                                        std::int32_t mode) {
  const void* chosen = mode == kPellastoModeDirection
                           ? static_cast<const void*>(&params->direction)
                           : static_cast<const void*>(&params->position);
  return !is_connected(state, chosen) && !is_connected(state, &params->rotation) &&
         !is_connected(state, &params->input);
}

}  // namespace

// Nothing to install and nothing kept across a call: no register to save
// and no stack frame.
[[gnu::noinline]] Boolean shade_in_place(Color* result, RenderState* state,
                                         FrameParams* params) {
  return shade_around(result, state, params, [] {});
}

// Mode 1 or 2 read in place: on to the connected or the unconnected frame.
[[gnu::noinline]] Boolean shade_new_frame(Color* result, RenderState* state,
                                          FrameParams* params) {
  if (!frame_reads_in_place(state, params, params->mode)) {
    return shade_connected_frame(result, state, params);
  }
  return shade_unconnected_frame(result, state, params);
}

}  // namespace pellasto

// The shader's algorithm, for every sample: read `mode` (evaluated when
// connected), then take that mode's steps on the path for what is connected.
extern "C" PELLASTO_EXPORT Boolean Pellasto(Color* result, RenderState* state,
                                            FrameParams* params) {
  using namespace pellasto;
  if (is_connected(state, &params->mode)) {
    return shade_evaluated_mode(result, state, params);
  }
  // The checks below read the shader record again rather than keep what the
  // first one read, so that the entry holds no value of its own across them:
  // on 32-bit x86 it then saves no register, on any path.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (builds_frame(params->mode)) {
    return shade_new_frame(result, state, params);
  }
  if (is_connected(state, &params->input)) {
    return shade_evaluated_input(result, state, params);
  }
  return shade_in_place(result, state, params);
}
