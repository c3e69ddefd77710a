// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Rendering one panel: camera rays over the image, each hit shaded by calling
// the module's shader with the host's render state, on several threads with
// one render state each.
#ifndef PELLASTO_PREVIEW_RENDER_H
#define PELLASTO_PREVIEW_RENDER_H

#include <cstdint>
#include <functional>
#include <vector>

#include "shader/pellasto.h"
#include "tools/preview/src/module_calls.h"
#include "tools/preview/src/scene.h"

namespace preview {

struct RenderSettings {
  int width = 400;
  int height = 300;
  int threads = 1;
  int samples_per_axis = 4;  // samples per pixel: the square of this
  // Called from the calling thread now and then with the fraction done.
  std::function<void(double)> progress;
};

// A rendered panel. `rgb` is linear radiance; the per-pixel records are those
// of the pixel's last sample.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;
  std::vector<std::uint8_t> object;  // Object per pixel
  std::vector<Vector> point;         // surface point
  std::vector<Vector> seen[2];       // D[0], D[1] as the connected shader saw them
  long frames_not_restored = 0;      // samples after which D[0], D[1] differed
  long samples_without_input = 0;    // samples where the connected shader never ran
};

Picture render(const Module& module, const FrameParams& params, const Scene& scene,
               const RenderSettings& settings);

// Where the world-space point `world` lands in a panel of `width` x `height`
// pixels rendered with `render`: in pixel units, x to the right and y down, the
// pixel (i, j) covering [i, i+1) x [j, j+1). False behind the camera.
bool project(const Scene& scene, int width, int height, Vector world, float* x, float* y);

// Linear radiance to 8-bit sRGB with a soft shoulder.
std::vector<std::uint8_t> tone_map(const Picture& picture);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_RENDER_H
