// A renderer in miniature: a program that exports the three host functions
// itself, loads the Pellasto module by path and names its own program image as
// the host module (GetModuleHandle(NULL) / dlopen(NULL)). Shading one sample
// must reach this program's functions and install and restore the frame.
// Exits 0 when every check holds; prints each failed check otherwise.

#include <cstdio>
#include <cstring>

#include "harness/host_math.h"
#include "harness/module.h"
#include "harness/sample.h"
#include "harness/vec.h"

#if defined(_WIN32)
#define HOST_EXPORT __declspec(dllexport)
#else
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

bool close_to(const Vector& a, const Vector& b) { return harness::near(a, b, 1e-6f); }

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
  return harness::rotate_axis(m, axis, angle);
}

// Called by the Pellasto module on the shading thread; writes `in` turned by
// `m` into `out` (all module-owned; `out` may be `in`).
HOST_EXPORT void mi_vector_transform(Vector* out, const Vector* in, const Matrix* m) {
  ++calls.transform;
  harness::transform_direction(out, in, m);
}

}  // extern "C"

int main() {
  const harness::PellastoModule& pellasto = harness::pellasto();
  check(pellasto.set_module_handle(harness::program_module()) == 0,
        "miSetModuleHandle did not answer 0");

  // A sample with a connected input: tangent from the direction (1, 0, 0),
  // turned a quarter about the normal (0, 0, 1).
  harness::Sample s;
  s.params.input = {9, 9, 9, 9};
  s.params.mode = kPellastoModeDirection;
  s.params.direction = {1, 0, 0};
  s.params.rotation = 0.25f;
  s.connect(&s.params.input);
  const Vector before[2] = {s.derivatives[0], s.derivatives[1]};

  check(s.shade(pellasto.shade) == 1, "the shader did not return 1");
  check(calls.phen_eval == 1, "mi_phen_eval of this program was not called once");
  check(calls.rotate == 1, "mi_matrix_rotate_axis of this program was not called once");
  check(calls.transform >= 1, "mi_vector_transform of this program was not called");
  check(std::memcmp(&s.result, &input_value, sizeof s.result) == 0,
        "the result is not the value this program gave for the input");
  // The quarter-turned tangent is (0, +-1, 0) whichever way the turn goes; the
  // other vector is normal x tangent.
  const Vector t = calls.seen[1];
  check(close_to(t, {0, 1, 0}) || close_to(t, {0, -1, 0}),
        "the input did not see the quarter-turned tangent");
  check(close_to(calls.seen[0], harness::cross(s.state.surface_normal, t)),
        "the input did not see normal x tangent");
  check(std::memcmp(s.derivatives, before, sizeof before) == 0,
        "the host's derivative vectors were not restored");

  if (failures == 0) std::printf("host program: every check holds\n");
  return failures == 0 ? 0 : 1;
}
