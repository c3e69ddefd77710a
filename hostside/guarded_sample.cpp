// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "hostside/guarded_sample.h"

#include <cstdio>
#include <cstring>

#include "hostside/rotation.h"

namespace hostside {

namespace {

constexpr std::size_t kGuard = 32;  // at least this many guard bytes after each record
constexpr std::size_t kParamsSize = 2 * sizeof(FrameParams);  // the block, then its words

std::size_t after(std::size_t record_end) { return (record_end + kGuard + 15) / 16 * 16; }

struct Region {
  const char* name;
  std::size_t at, size;
};

}  // namespace

GuardedSample::GuardedSample(std::uint32_t seed) {
  state_at_ = after(0);
  shader_at_ = after(state_at_ + sizeof(RenderState));
  params_at_ = after(shader_at_ + sizeof(ShaderRecord));
  derivatives_at_ = after(params_at_ + kParamsSize);
  result_at_ = after(derivatives_at_ + kDerivatives * sizeof(Vector));
  size_ = after(result_at_ + sizeof(Color));
  storage_.resize(size_ + 64);
  base_ = (64 - reinterpret_cast<std::uintptr_t>(storage_.data()) % 64) % 64;

  std::uint32_t x = seed * 2654435761u + 0x9e3779b9u;  // xorshift32, never 0
  if (x == 0) {
    x = 1;
  }
  for (std::size_t i = 0; i < size_; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes()[i] = static_cast<unsigned char>(x >> 24);
  }
  RenderState& s = *state();
  s.surface_point = {0, 0, 0};
  s.surface_normal = {0, 0, 1};
  s.surface_derivatives = derivatives();
  s.current_shader = shader();
  shader()->connection_offset = 0;
  FrameParams& p = *params();
  p.input = {0.25f, 0.5f, 0.75f, 1.0f};
  p.mode = kPellastoModeNone;
  p.direction = {1, 0, 0};
  p.position = {1, 0, 0};
  p.rotation = 0;
  hand_over();
}

void GuardedSample::connect(const void* parameter) {
  if (shader()->connection_offset != static_cast<std::int32_t>(sizeof(FrameParams))) {
    shader()->connection_offset = sizeof(FrameParams);
    std::memset(bytes() + params_at_ + sizeof(FrameParams), 0, sizeof(FrameParams));
  }
  const auto offset = static_cast<std::size_t>(
      static_cast<const unsigned char*>(parameter) - bytes() - params_at_);
  const std::int32_t connected = 1;
  std::memcpy(bytes() + params_at_ + sizeof(FrameParams) + offset, &connected,
              sizeof connected);
}

void GuardedSample::connect_all() {
  FrameParams* p = params();
  for (const void* parameter :
       {static_cast<const void*>(&p->input), static_cast<const void*>(&p->mode),
        static_cast<const void*>(&p->direction), static_cast<const void*>(&p->position),
        static_cast<const void*>(&p->rotation)}) {
    connect(parameter);
  }
}

HostHooks GuardedSample::hooks() {
  HostHooks h{};
  h.context = this;
  h.phen_eval = evaluate;
  h.matrix_rotate_axis = [](void*, Matrix* m, const Vector* axis, float angle) {
    return rotate_axis(m, axis, angle);
  };
  h.vector_transform = [](void*, Vector* out, const Vector* in, const Matrix* m) {
    transform_direction(out, in, m);
  };
  return h;
}

void* GuardedSample::evaluate(void* context, RenderState* state, void* parameter) {
  auto* s = static_cast<GuardedSample*>(context);
  if (parameter == &s->params()->input) {
    s->seen[0] = state->surface_derivatives[0];
    s->seen[1] = state->surface_derivatives[1];
    ++s->input_evaluations;
    if (s->changed_during_input_.empty()) {
      s->changed_during_input_ = s->first_change(true);
    }
  }
  return parameter;
}

void GuardedSample::hand_over() { handed_over_.assign(bytes(), bytes() + size_); }

Boolean GuardedSample::shade(PellastoShaderFn entry) {
  hand_over();
  changed_after_.clear();
  changed_during_input_.clear();
  input_evaluations = 0;
  const Boolean returned = entry(result(), state(), params());
  changed_after_ = first_change(false);
  return returned;
}

bool GuardedSample::result_is_input() const {
  return std::memcmp(bytes() + result_at_, bytes() + params_at_, sizeof(Color)) == 0;
}

std::string GuardedSample::first_change(bool skip_frame) const {
  const Region regions[] = {
      {"render state", state_at_, sizeof(RenderState)},
      {"shader record", shader_at_, sizeof(ShaderRecord)},
      {"parameter block", params_at_, sizeof(FrameParams)},
      {"connection words", params_at_ + sizeof(FrameParams), sizeof(FrameParams)},
      {"derivative array", derivatives_at_, kDerivatives * sizeof(Vector)},
      {"result", result_at_, sizeof(Color)},
  };
  const std::size_t frame_end = derivatives_at_ + 2 * sizeof(Vector);
  for (std::size_t i = 0; i < size_; ++i) {
    if (i >= result_at_ && i < result_at_ + sizeof(Color)) {
      continue;  // the module's to write
    }
    if (skip_frame && i >= derivatives_at_ && i < frame_end) {
      continue;
    }
    if (bytes()[i] == handed_over_[i]) {
      continue;
    }
    std::string where;
    for (const Region& r : regions) {
      if (i >= r.at && i < r.at + r.size) {
        if (r.at == derivatives_at_) {
          const std::size_t k = i - r.at;
          where = "D[" + std::to_string(k / sizeof(Vector)) + "]." + "xyz"[k % 12 / 4] +
                  " byte " + std::to_string(k % 4);
        } else {
          where = std::string(r.name) + " byte " + std::to_string(i - r.at);
        }
        break;
      }
      if (i >= r.at + r.size && i < r.at + r.size + kGuard) {
        where = std::to_string(i - r.at - r.size + 1) + " bytes past the end of the " +
                r.name;
        break;
      }
      if (i < r.at && i + kGuard >= r.at) {
        where = std::to_string(r.at - i) + " bytes before the " + std::string(r.name);
        break;
      }
    }
    if (where.empty()) {
      where = "byte " + std::to_string(i) + " of the sample's buffer";
    }
    char values[48];
    std::snprintf(values, sizeof values, " was 0x%02x, now 0x%02x", handed_over_[i],
                  bytes()[i]);
    return where + values;
  }
  return "";
}

}  // namespace hostside
