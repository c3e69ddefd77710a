// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The embedded scene: a sphere resting on a disc under three lights, seen by a
// pinhole camera, and the host-side brushed-metal shader that is connected to
// the frame override's input.
#ifndef PELLASTO_PREVIEW_SCENE_H
#define PELLASTO_PREVIEW_SCENE_H

#include "host/host_interface.h"
#include "tools/preview/src/module_calls.h"

namespace preview {

enum Object : int { kNothing = 0, kDisc = 1, kSphere = 2 };

struct Light {
  Vector position;
  Vector colour;  // radiant intensity per channel
};

struct Material {
  Vector diffuse;
  Vector specular;     // Ward rho_s per channel
  float alpha_along;   // highlight spread along the tangent D[1]
  float alpha_across;  // and along D[0]
};

struct Scene {
  Vector disc_centre;  // the disc lies in the plane y = disc_centre.y, facing +y
  float disc_radius;
  Vector sphere_centre;
  float sphere_radius;
  Material disc_material;
  Material sphere_material;
  Light lights[3];
  Vector eye;
  Vector target;
  float field_of_view;  // vertical, degrees
};

Scene default_scene();

struct Hit {
  Object object = kNothing;
  float distance = 0;
  Vector point{};
  Vector normal{};
  // The host's own derivative vectors: dP/du and dP/dv of the surface's
  // parameterisation (sphere: longitude and latitude; disc: x and z).
  Vector dpdu{};
  Vector dpdv{};
};

// Nearest hit along the ray from `origin` in the unit `direction`.
Hit trace(const Scene& scene, Vector origin, Vector direction);

// The anisotropic (Ward) specular shader the host connects to the module's
// input: its two tangent axes are the render state's derivative vectors, the
// highlight stretched along D[1]. Records the vectors it saw in `state->seen`.
Color brushed_shader(HostState* state);

// Background colour for a camera ray that hits nothing.
Vector background(float screen_y);

}  // namespace preview

#endif  // PELLASTO_PREVIEW_SCENE_H
