// A renderer in miniature: a program that exports the three host functions
// itself, loads the Pellasto module by path and names its own program image as
// the host module (GetModuleHandle(NULL) / dlopen(NULL)). Shading one sample
// must reach this program's functions and install and restore the frame.
// Exits 0 when every check holds; prints each failed check otherwise.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tests/support/module_loader.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#define HOST_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#define HOST_EXPORT __attribute__((visibility("default")))
#endif

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "host program: %s\n", what);
    ++failures;
  }
}

struct Calls {
  int phen_eval = 0, rotate = 0, transform = 0;
  Vector seen[2]{};
} calls;

Color input_value{0.125f, 0.25f, 0.5f, 1.0f};

bool close_to(const Vector& a, const Vector& b) {
  return std::fabs(a.x - b.x) < 1e-6f && std::fabs(a.y - b.y) < 1e-6f &&
         std::fabs(a.z - b.z) < 1e-6f;
}

}  // namespace

extern "C" {

// Called by the Pellasto module on the shading thread (here the main thread)
// to evaluate a connected parameter; returns the address of this program's
// value, which stays owned by the program.
HOST_EXPORT void* mi_phen_eval(RenderState* state, void* /*parameter*/) {
  ++calls.phen_eval;
  calls.seen[0] = state->surface_derivatives[0];
  calls.seen[1] = state->surface_derivatives[1];
  return &input_value;
}

// Called by the Pellasto module on the shading thread; fills its `m` with the
// row-major rotation by `angle` about the unit `axis` (both module-owned).
HOST_EXPORT Boolean mi_matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  ++calls.rotate;
  const float c = std::cos(angle), s = std::sin(angle), k = 1 - c;
  const float x = axis->x, y = axis->y, z = axis->z;
  const Matrix r{{c + x * x * k, x * y * k - z * s, x * z * k + y * s, 0,  //
                  y * x * k + z * s, c + y * y * k, y * z * k - x * s, 0,  //
                  z * x * k - y * s, z * y * k + x * s, c + z * z * k, 0,  //
                  0, 0, 0, 1}};
  *m = r;
  return 1;
}

// Called by the Pellasto module on the shading thread; writes `in` turned by
// `m` into `out` (all module-owned; `out` may be `in`).
HOST_EXPORT void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  ++calls.transform;
  const Vector v = *in;
  const float* r = m->m;
  *out = {r[0] * v.x + r[1] * v.y + r[2] * v.z, r[4] * v.x + r[5] * v.y + r[6] * v.z,
          r[8] * v.x + r[9] * v.y + r[10] * v.z};
}

}  // extern "C"

int main() {
  const pellasto_test::PellastoModule& pellasto = pellasto_test::pellasto();
#if defined(_WIN32)
  void* self = GetModuleHandleA(nullptr);
#else
  void* self = dlopen(nullptr, RTLD_NOW);
#endif
  check(pellasto.set_module_handle(self) == 0, "miSetModuleHandle did not answer 0");

  // A sample with a connected input: tangent from the direction (1, 0, 0),
  // turned a quarter about the normal (0, 0, 1).
  struct {
    FrameParams params;
    std::int32_t connected[sizeof(FrameParams) / 4];
  } block{};
  block.params.input = {9, 9, 9, 9};
  block.params.mode = kPellastoModeDirection;
  block.params.direction = {1, 0, 0};
  block.params.rotation = 0.25f;
  block.connected[offsetof(FrameParams, input) / 4] = 1;
  ShaderRecord shader{};
  shader.connection_offset = sizeof(FrameParams);
  Vector host_vectors[2] = {{0.5f, 0.25f, -1}, {-3, 7, 0.125f}};
  const Vector before[2] = {host_vectors[0], host_vectors[1]};
  RenderState state{};
  state.surface_normal = {0, 0, 1};
  state.surface_derivatives = host_vectors;
  state.current_shader = &shader;
  Color result{};

  check(pellasto.shade(&result, &state, &block.params) == 1,
        "the shader did not return 1");
  check(calls.phen_eval == 1, "mi_phen_eval of this program was not called once");
  check(calls.rotate == 1, "mi_matrix_rotate_axis of this program was not called once");
  check(calls.transform >= 1, "mi_vector_transform of this program was not called");
  check(std::memcmp(&result, &input_value, sizeof result) == 0,
        "the result is not the value this program gave for the input");
  // The quarter-turned tangent is (0, +-1, 0) whichever way the turn goes; the
  // other vector is normal x tangent.
  const Vector t = calls.seen[1], n = state.surface_normal;
  const Vector expected_cross{n.y * t.z - n.z * t.y, n.z * t.x - n.x * t.z,
                              n.x * t.y - n.y * t.x};
  check(close_to(t, {0, 1, 0}) || close_to(t, {0, -1, 0}),
        "the input did not see the quarter-turned tangent");
  check(close_to(calls.seen[0], expected_cross),
        "the input did not see normal x tangent");
  check(std::memcmp(host_vectors, before, sizeof before) == 0,
        "the host's derivative vectors were not restored");

  if (failures == 0) std::printf("host program: every check holds\n");
  return failures == 0 ? 0 : 1;
}
