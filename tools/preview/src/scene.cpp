// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/scene.h"

#include <cmath>

#include "hostside/vec.h"

namespace preview {

using hostside::cross;
using hostside::dot;
using hostside::length;
using hostside::mul;
using hostside::normalized;

namespace {

constexpr float kPi = 3.14159265358979f;

bool hit_sphere(const Scene& s, Vector origin, Vector dir, Hit* hit) {
  const Vector oc = origin - s.sphere_centre;
  const float b = dot(oc, dir);
  const float c = dot(oc, oc) - s.sphere_radius * s.sphere_radius;
  const float disc = b * b - c;
  if (disc < 0) {
    return false;
  }
  const float t = -b - std::sqrt(disc);
  if (t <= 1e-4f || (hit->object != kNothing && t >= hit->distance)) {
    return false;
  }
  hit->object = kSphere;
  hit->distance = t;
  hit->point = origin + t * dir;
  const Vector local = hit->point - s.sphere_centre;
  hit->normal = normalized(local);
  // u runs once round the vertical axis, v from pole to pole.
  const float r = s.sphere_radius;
  const Vector n = hit->normal;
  const float ring = std::sqrt(n.x * n.x + n.z * n.z);
  hit->dpdu = (2 * kPi) * Vector{-local.z, 0, local.x};
  hit->dpdv = (kPi * r) * (ring > 0 ? Vector{-n.y * n.x / ring, ring, -n.y * n.z / ring}
                                    : Vector{0, 0, 0});
  return true;
}

bool hit_disc(const Scene& s, Vector origin, Vector dir, Hit* hit) {
  if (std::fabs(dir.y) < 1e-8f) {
    return false;
  }
  const float t = (s.disc_centre.y - origin.y) / dir.y;
  if (t <= 1e-4f || (hit->object != kNothing && t >= hit->distance)) {
    return false;
  }
  const Vector p = origin + t * dir;
  const Vector d = p - s.disc_centre;
  if (d.x * d.x + d.z * d.z > s.disc_radius * s.disc_radius) {
    return false;
  }
  hit->object = kDisc;
  hit->distance = t;
  hit->point = p;
  hit->normal = Vector{0, 1, 0};
  hit->dpdu = Vector{1, 0, 0};
  hit->dpdv = Vector{0, 0, 1};
  return true;
}

bool in_shadow(const Scene& s, Vector point, Vector to_light, float light_distance) {
  Hit hit;
  hit.object = kNothing;
  if (hit_sphere(s, point, to_light, &hit) && hit.distance < light_distance) {
    return true;
  }
  hit.object = kNothing;
  return hit_disc(s, point, to_light, &hit) && hit.distance < light_distance;
}

// Unit axes of the tangent plane from the two derivative vectors: `y` along
// D[1], `x` along D[0] made perpendicular to it. False when neither gives a
// direction in the plane (for example a zero frame).
bool tangent_axes(Vector n, const Vector* d, Vector* x, Vector* y) {
  const Vector d1 = d[1] - dot(d[1], n) * n;
  const Vector d0 = d[0] - dot(d[0], n) * n;
  if (length(d1) > 1e-6f) {
    *y = normalized(d1);
    const Vector x0 = d0 - dot(d0, *y) * *y;
    *x = length(x0) > 1e-6f ? normalized(x0) : cross(*y, n);
    return true;
  }
  if (length(d0) > 1e-6f) {
    *x = normalized(d0);
    *y = cross(n, *x);
    return true;
  }
  return false;
}

}  // namespace

Scene default_scene() {
  Scene s{};
  s.disc_centre = Vector{0, 0, 0};
  s.disc_radius = 2.2f;
  s.sphere_centre = Vector{1.0f, 0.72f, -0.65f};
  s.sphere_radius = 0.72f;
  s.disc_material = Material{{0.05f, 0.05f, 0.055f}, {0.85f, 0.85f, 0.9f}, 0.5f, 0.035f};
  s.sphere_material =
      Material{{0.16f, 0.09f, 0.04f}, {0.95f, 0.64f, 0.36f}, 0.45f, 0.05f};
  s.lights[0] = Light{{-2.0f, 3.2f, -2.4f}, {16.0f, 14.0f, 11.5f}};
  s.lights[1] = Light{{2.8f, 2.6f, -1.6f}, {5.0f, 7.0f, 11.0f}};
  s.lights[2] = Light{{-0.6f, 3.6f, 1.2f}, {5.0f, 5.0f, 5.0f}};
  s.eye = Vector{0.0f, 3.5f, 5.3f};
  s.target = Vector{0.1f, 0.15f, -0.2f};
  s.field_of_view = 38.0f;
  return s;
}

Hit trace(const Scene& scene, Vector origin, Vector direction) {
  Hit hit;
  hit_disc(scene, origin, direction, &hit);
  hit_sphere(scene, origin, direction, &hit);
  return hit;
}

Vector background(float screen_y) {
  const float t = 0.5f + 0.5f * screen_y;
  return (1 - t) * Vector{0.010f, 0.011f, 0.014f} + t * Vector{0.045f, 0.05f, 0.065f};
}

Color brushed_shader(HostState* state) {
  const RenderState& rs = state->sample.state;
  const Scene& scene = *state->scene;
  const Material& mat =
      state->object == kSphere ? scene.sphere_material : scene.disc_material;
  const Vector n = rs.surface_normal;
  const Vector p = rs.surface_point;
  const Vector v = state->to_eye;
  const Vector* d = rs.surface_derivatives;
  state->sample.seen[0] = d[0];
  state->sample.seen[1] = d[1];
  ++state->sample.input_evaluations;

  Vector x{};
  Vector y{};
  float ax = mat.alpha_across;
  float ay = mat.alpha_along;
  if (!tangent_axes(n, d, &x, &y)) {
    // No frame to follow: an isotropic highlight of the same area.
    ax = ay = std::sqrt(ax * ay);
    y = normalized(cross(n, std::fabs(n.x) < 0.9f ? Vector{1, 0, 0} : Vector{0, 1, 0}));
    x = cross(y, n);
  }
  const float nv = std::fmax(dot(n, v), 1e-4f);
  Vector sum = 0.03f * mat.diffuse + 0.02f * mat.specular;  // ambient
  for (const Light& light : scene.lights) {
    const Vector to_light = light.position - p;
    const float dist2 = dot(to_light, to_light);
    const float dist = std::sqrt(dist2);
    const Vector l = (1.0f / dist) * to_light;
    const float nl = dot(n, l);
    if (nl <= 0 || in_shadow(scene, p, l, dist)) {
      continue;
    }
    const Vector h = normalized(l + v);
    const float hn = dot(h, n);
    const float hx = dot(h, x) / ax;
    const float hy = dot(h, y) / ay;
    const float ward = std::exp(-(hx * hx + hy * hy) / (hn * hn)) /
                       (4 * kPi * ax * ay * std::sqrt(nl * nv));
    const Vector brdf = (1 / kPi) * mat.diffuse + ward * mat.specular;
    sum = sum + (nl / dist2) * mul(brdf, light.colour);
  }
  return Color{sum.x, sum.y, sum.z, 1.0f};
}

}  // namespace preview
