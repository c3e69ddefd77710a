// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Asks the host to evaluate a connected parameter that the stored mode does
// not read, then shades as the real module does: `direction` in mode 0 (or
// `position`, or `rotation`), `position` in mode 1, `direction` in mode 2,
// any of them where there are no derivative vectors. Built with
// FAULTY_OWN_HOST, so that the evaluation reaches the host's mi_phen_eval.
#include <cstdint>
#include <cstring>

#include "tools/check/tests/faulty/forward.h"

const faulty::Host faulty::faults = {nullptr, nullptr, nullptr};

namespace faulty {

namespace {

bool is_connected(const RenderState* state, const void* parameter) {
  const ShaderRecord* shader = state->current_shader;
  if (shader == nullptr || shader->connection_offset == 0) {
    return false;
  }
  std::int32_t word;
  std::memcpy(&word, static_cast<const char*>(parameter) + shader->connection_offset,
              sizeof word);
  return word != 0;
}

}  // namespace

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (!is_connected(state, &params->mode)) {
    const std::int32_t mode = params->mode;
    const bool frame = state->surface_derivatives != nullptr &&
                       (mode == kPellastoModeDirection || mode == kPellastoModePosition);
    void* const unread[] = {
        mode == kPellastoModeDirection && frame ? nullptr : &params->direction,
        mode == kPellastoModePosition && frame ? nullptr : &params->position,
        frame ? nullptr : &params->rotation};
    for (void* parameter : unread) {
      if (parameter != nullptr && is_connected(state, parameter)) {
        host_phen_eval(state, parameter);
        break;
      }
    }
  }
  return forward(result, state, params);
}

}  // namespace faulty
