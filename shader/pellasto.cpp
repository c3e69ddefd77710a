// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame override shader: while `input` is evaluated, the first two surface
// derivative vectors hold a frame built around the surface normal,
//   D[0] = N x t,  D[1] = t,
// with t the chosen direction projected into the plane of N, made unit length
// and optionally turned about N. Afterwards the host's vectors are put back.
//
// This file holds the entry and the choice of a sample's path; the algorithm
// and its paths are in shader/paths.cpp. On 32-bit x86 it is compiled for the
// 4-byte stack alignment hosts there may call with: nothing here calls
// anything, so nothing here aligns the stack, and the choice is made by
// jumps.

#include "shader/pellasto.h"

#include <atomic>

#include "shader/paths.h"
#include "shader/steps.h"

namespace pellasto {

// Mode 1 or 2 read in place: on to the connected or the unconnected frame.
PELLASTO_PATH Boolean shade_new_frame(Color* result, RenderState* state,
                                      FrameParams* params);

[[gnu::noinline]] Boolean shade_new_frame(Color* result, RenderState* state,
                                          FrameParams* params) {
  if (!frame_reads_in_place(state, params, params->mode)) {
    return shade_connected_frame(result, state, params);
  }
  return shade_unconnected_frame(result, state, params);
}

}  // namespace pellasto

// For every sample: read `mode` (evaluated when connected) and what is
// connected, and jump to the path of the algorithm for that.
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
