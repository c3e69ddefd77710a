// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/render.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "hostside/vec.h"

namespace preview {

using hostside::cross;
using hostside::dot;
using hostside::normalized;
using hostside::same_bits;

namespace {

struct Camera {
  Vector eye, forward, right, up;
  float half_height;
  float aspect;
};

Camera make_camera(const Scene& s, int width, int height) {
  Camera c{};
  c.eye = s.eye;
  c.forward = normalized(s.target - s.eye);
  c.right = normalized(cross(c.forward, Vector{0, 1, 0}));
  c.up = cross(c.right, c.forward);
  c.half_height = std::tan(s.field_of_view * 0.5f * 3.14159265f / 180.0f);
  c.aspect = static_cast<float>(width) / static_cast<float>(height);
  return c;
}

struct Shared {
  const Module* module;
  const Scene* scene;
  const ShaderInstance* instance;
  const RenderSettings* settings;
  Camera camera;
  Picture* picture;
  std::atomic<int> next_row{0};
  std::atomic<int> rows_done{0};
  std::atomic<long> not_restored{0};
  std::atomic<long> without_input{0};
};

// One render thread: takes rows until none are left, with its own state.
void render_rows(Shared* shared) {
  const Scene& scene = *shared->scene;
  const RenderSettings& settings = *shared->settings;
  const Camera& cam = shared->camera;
  Picture& pic = *shared->picture;
  HostState state{};
  state.instance = shared->instance;
  shared->instance->prepare(&state.sample);
  state.scene = &scene;
  const int n = settings.samples_per_axis;
  const auto nf = static_cast<float>(n);
  const auto width = static_cast<float>(pic.width);
  const auto height = static_cast<float>(pic.height);
  const float weight = 1.0f / (nf * nf);
  long not_restored = 0;
  long without_input = 0;
  for (int row = shared->next_row++; row < pic.height; row = shared->next_row++) {
    for (int col = 0; col < pic.width; ++col) {
      const std::size_t index = static_cast<std::size_t>(row) * pic.width + col;
      Vector sum{0, 0, 0};
      for (int sy = 0; sy < n; ++sy) {
        for (int sx = 0; sx < n; ++sx) {
          const float px =
              (static_cast<float>(col) + (static_cast<float>(sx) + 0.5f) / nf) / width;
          const float py =
              (static_cast<float>(row) + (static_cast<float>(sy) + 0.5f) / nf) / height;
          const float screen_x = (2 * px - 1) * cam.half_height * cam.aspect;
          const float screen_y = (1 - 2 * py) * cam.half_height;
          const Vector dir =
              normalized(cam.forward + screen_x * cam.right + screen_y * cam.up);
          const Hit hit = trace(scene, cam.eye, dir);
          pic.object[index] = static_cast<std::uint8_t>(hit.object);
          if (hit.object == kNothing) {
            sum = sum + background(1 - 2 * py);
            continue;
          }
          hostside::Sample& s = state.sample;
          s.state.surface_point = hit.point;
          s.state.surface_normal = hit.normal;
          s.derivatives[0] = hit.dpdu;
          s.derivatives[1] = hit.dpdv;
          s.input_evaluations = 0;
          state.object = hit.object;
          state.to_eye = -1.0f * dir;
          s.shade(shared->module->shade);
          if (!same_bits(s.derivatives[0], hit.dpdu) ||
              !same_bits(s.derivatives[1], hit.dpdv)) {
            ++not_restored;
          }
          if (s.input_evaluations == 0) {
            ++without_input;
          }
          pic.point[index] = hit.point;
          pic.seen[0][index] = s.seen[0];
          pic.seen[1][index] = s.seen[1];
          sum = sum + Vector{s.result.r, s.result.g, s.result.b};
        }
      }
      pic.rgb[3 * index + 0] = weight * sum.x;
      pic.rgb[3 * index + 1] = weight * sum.y;
      pic.rgb[3 * index + 2] = weight * sum.z;
    }
    ++shared->rows_done;
  }
  shared->not_restored += not_restored;
  shared->without_input += without_input;
}

}  // namespace

Picture render(const Module& module, const FrameParams& params, const Scene& scene,
               const RenderSettings& settings) {
  Picture pic;
  pic.width = settings.width;
  pic.height = settings.height;
  const std::size_t pixels = static_cast<std::size_t>(pic.width) * pic.height;
  pic.rgb.assign(3 * pixels, 0.0f);
  pic.object.assign(pixels, kNothing);
  pic.point.assign(pixels, Vector{0, 0, 0});
  pic.seen[0].assign(pixels, Vector{0, 0, 0});
  pic.seen[1].assign(pixels, Vector{0, 0, 0});

  ShaderInstance instance;
  instance.params = params;
  instance.input_shader = &brushed_shader;
  Shared shared;
  shared.module = &module;
  shared.scene = &scene;
  shared.instance = &instance;
  shared.settings = &settings;
  shared.camera = make_camera(scene, pic.width, pic.height);
  shared.picture = &pic;

  std::vector<std::thread> workers;
  const int count = std::max(1, std::min(settings.threads, pic.height));
  workers.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    workers.emplace_back(render_rows, &shared);
  }
  if (settings.progress) {
    for (int done = shared.rows_done.load(); done < pic.height;
         done = shared.rows_done.load()) {
      settings.progress(static_cast<double>(done) / pic.height);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    settings.progress(1.0);
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  pic.frames_not_restored = shared.not_restored.load();
  pic.samples_without_input = shared.without_input.load();
  return pic;
}

bool project(const Scene& scene, int width, int height, Vector world, float* x,
             float* y) {
  const Camera cam = make_camera(scene, width, height);
  const Vector v = world - cam.eye;
  const float depth = dot(v, cam.forward);
  if (depth <= 1e-6f) {
    return false;
  }
  // The inverse of the screen position a camera ray is aimed at.
  const float screen_x = dot(v, cam.right) / depth;
  const float screen_y = dot(v, cam.up) / depth;
  *x = 0.5f * (screen_x / (cam.half_height * cam.aspect) + 1) * static_cast<float>(width);
  *y = 0.5f * (1 - screen_y / cam.half_height) * static_cast<float>(height);
  return true;
}

std::vector<std::uint8_t> tone_map(const Picture& picture) {
  std::vector<std::uint8_t> out(picture.rgb.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const float linear = 1.0f - std::exp(-1.6f * std::max(picture.rgb[i], 0.0f));
    const float srgb = linear <= 0.0031308f
                           ? 12.92f * linear
                           : 1.055f * std::pow(linear, 1 / 2.4f) - 0.055f;
    out[i] =
        static_cast<std::uint8_t>(std::lround(std::clamp(srgb, 0.0f, 1.0f) * 255.0f));
  }
  return out;
}

}  // namespace preview
