#include "tools/check/src/checks.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness/host_math.h"
#include "harness/module.h"
#include "harness/sample.h"
#include "harness/vec.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/host_functions.h"

namespace check {

namespace {

using harness::same_bits;
using harness::Sample;

std::string show(Vector v) {
  char text[96];
  std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g)", static_cast<double>(v.x),
                static_cast<double>(v.y), static_cast<double>(v.z));
  return text;
}

std::string show(float turns) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(turns));
  return text;
}

// Captured text on one line: line ends written as \n.
std::string one_line(const std::string& text) {
  std::string s;
  for (char c : text) {
    s += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  return s;
}

Vector bits(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  const std::uint32_t words[3] = {x, y, z};
  Vector v;
  std::memcpy(&v, words, sizeof v);
  return v;
}

// One shading case: a point with its normal, the parameters, and the frame a
// host expects while `input` is read.
struct Case {
  std::int32_t mode;
  Vector normal, point, direction, position;
  float turns;
  Vector tangent, cross;  // expected D[1], D[0]
  std::string name;
};

// Unit normals leaning every way, directions of lengths other than one (so
// that a frame left unnormalised shows), and points off the origin.
std::vector<Case> frame_cases(std::int32_t mode, bool turned) {
  const Vector leanings[] = {{0, 0, 1},    {1, 0, 0},           {0, -1, 0},  {1, 2, 3},
                             {-2, 0.5, 1}, {0.3f, -0.8f, 0.2f}, {-1, -1, -1}};
  const Vector directions[] = {{3, 1, 2},   {-1, 4, 0.5f},          {0, 0, 5},
                               {2, -3, -1}, {0.01f, 0.02f, -0.03f}, {-250, 75, 10}};
  const Vector points[] = {{1, -2, 0.5f}, {0, 0, 0}, {-3, 4, 10}};
  const float unturned[] = {0.0f, 1.0f, -2.0f};
  const float turns[] = {0.25f, 0.125f, -0.3f, 1.25f};
  std::vector<Case> cases;
  int i = 0;
  for (const Vector& lean : leanings) {
    const Vector n = harness::normalized(lean);
    for (const Vector& d : directions) {
      const int count = turned ? 4 : 3;
      for (int k = 0; k < count; ++k, ++i) {
        Case c{};
        c.mode = mode;
        c.normal = n;
        c.point = points[i % 3];
        c.turns = turned ? turns[k] : unturned[k];
        Vector along = d;
        if (mode == kPellastoModeDirection) {
          c.direction = d;
        } else {
          c.position = c.point + d;
          along = c.position - c.point;
        }
        // A direction along the normal is the zero-frame check's; skip it.
        const Vector scaled = harness::scaled_direction(along);
        const Vector off = scaled - harness::dot(scaled, n) * n;
        if (harness::dot(off, off) < 1e-6f) {
          continue;
        }
        c.tangent = harness::expected_tangent(n, along, c.turns);
        c.cross = harness::cross(n, c.tangent);
        c.name = "normal " + show(n) +
                 (mode == kPellastoModeDirection
                      ? ", direction " + show(d)
                      : ", position " + show(c.position) + " at " + show(c.point)) +
                 ", rotation " + show(c.turns);
        cases.push_back(c);
      }
    }
  }
  return cases;
}

// A sample set up for `c`, its `input` connected so that the host sees the
// frame in force while it is read.
void prepare(Sample* s, const Case& c) {
  s->state.surface_normal = c.normal;
  s->state.surface_point = c.point;
  s->params.mode = c.mode;
  s->params.direction = c.direction;
  s->params.position = c.position;
  s->params.rotation = c.turns;
  s->connect(&s->params.input);
}

struct Shaded {
  Boolean returned;
  Color result;
  Vector seen[2];
  int evaluations;
  Vector after[2];
};

Shaded shade(const harness::PellastoModule& m, const Case& c) {
  Sample s;
  prepare(&s, c);
  Shaded out{};
  out.returned = s.shade(m.shade);
  out.result = s.result;
  out.seen[0] = s.seen[0];
  out.seen[1] = s.seen[1];
  out.evaluations = s.input_evaluations;
  out.after[0] = s.derivatives[0];
  out.after[1] = s.derivatives[1];
  return out;
}

constexpr float kTolerance = 1e-5f;

// The host the checks shade with unless they need another: parameters
// evaluated in place, rotations as a renderer computes them.
void install_plain_host() {
  static const HostHooks hooks = harness::real_rotation_hooks(harness::evaluate_in_place);
  install_hooks(&hooks);
}

// The frame in modes 1 and 2, turned or not, against the one worked out here.
void check_frames(const harness::PellastoModule& m, Report* report) {
  install_plain_host();
  const Sample fresh;
  for (std::int32_t mode : {kPellastoModeDirection, kPellastoModePosition}) {
    for (bool turned : {false, true}) {
      std::string first_wrong;
      bool returned_one = true, result_is_input = true;
      const std::vector<Case> cases = frame_cases(mode, turned);
      for (const Case& c : cases) {
        const Shaded r = shade(m, c);
        returned_one = returned_one && r.returned == 1;
        result_is_input = result_is_input && same_bits(r.result, fresh.params.input);
        if (first_wrong.empty() &&
            (r.evaluations != 1 || !harness::near(r.seen[1], c.tangent, kTolerance) ||
             !harness::near(r.seen[0], c.cross, kTolerance))) {
          first_wrong = c.name + ": the input saw D[0] " + show(r.seen[0]) + ", D[1] " +
                        show(r.seen[1]) + ", expected " + show(c.cross) + ", " +
                        show(c.tangent);
        }
      }
      const std::string what = "mode " + std::to_string(mode) +
                               (turned ? ", turned" : ", unturned") + " (" +
                               std::to_string(cases.size()) + " samples)";
      report->add("frame", what + ": D[1] = unit tangent, D[0] = normal x tangent",
                  first_wrong.empty(), first_wrong);
      report->add("frame", what + ": returns 1 and the input's value",
                  returned_one && result_is_input,
                  returned_one ? "the result is not the input's value bit for bit"
                               : "a call did not return 1");
    }
  }

  // Mode 0: the input sees the host's own vectors, and nothing turns.
  Sample s;
  s.params.mode = kPellastoModeNone;
  s.params.direction = {3, 1, 2};
  s.params.rotation = 0.25f;
  s.connect(&s.params.input);
  const Vector host[2] = {s.derivatives[0], s.derivatives[1]};
  const Boolean returned = s.shade(m.shade);
  report->add("frame", "mode 0: the input sees the host's own frame",
              returned == 1 && same_bits(s.seen, host) && s.input_evaluations == 1,
              "the input saw D[0] " + show(s.seen[0]) + ", D[1] " + show(s.seen[1]));

  // A direction along the normal (either way), a zero one, and a position at
  // the point give the zero frame, not a NaN.
  std::string wrong;
  const Vector n = harness::normalized({1, 2, 3});
  const Vector along[] = {2.0f * n, -0.5f * n, 1000.0f * n, {0, 0, 0}};
  for (const Vector& d : along) {
    for (float turns : {0.0f, 0.25f}) {
      Case c{};
      c.mode = kPellastoModeDirection;
      c.normal = n;
      c.direction = d;
      c.turns = turns;
      const Shaded r = shade(m, c);
      const Vector zero{0, 0, 0};
      if (wrong.empty() &&
          !(harness::near(r.seen[0], zero, 0) && harness::near(r.seen[1], zero, 0))) {
        wrong = "direction " + show(d) + " along the normal " + show(n) +
                ": the input saw D[0] " + show(r.seen[0]) + ", D[1] " + show(r.seen[1]);
      }
    }
  }
  Case at_point{};
  at_point.mode = kPellastoModePosition;
  at_point.normal = n;
  at_point.point = at_point.position = {1, -2, 3};
  const Shaded r = shade(m, at_point);
  if (wrong.empty() && !(harness::near(r.seen[0], {0, 0, 0}, 0) &&
                         harness::near(r.seen[1], {0, 0, 0}, 0))) {
    wrong = "position at the point: the input saw D[0] " + show(r.seen[0]) + ", D[1] " +
            show(r.seen[1]);
  }
  report->add("frame", "zero frame for a direction along the normal", wrong.empty(),
              wrong);
}

// The host's own vectors: odd bit patterns (a NaN with a payload, a
// signalling NaN, negative zero, a denormal, infinities) that only a copy of
// every bit gives back.
void set_odd_vectors(Vector* d) {
  d[0] = bits(0x7fc12345u, 0x80000000u, 0x00000001u);
  d[1] = bits(0x7f812345u, 0xff800000u, 0x3eaaaaabu);
}

// A host that moves the derivative vectors to another array while `input` is
// evaluated.
struct MovingHost {
  Vector moved[2];
};

void* evaluate_and_move(void* context, RenderState* state, void* parameter) {
  void* value = harness::evaluate_in_place(nullptr, state, parameter);
  Sample& s = Sample::of(state);
  if (parameter == &s.params.input) {
    state->surface_derivatives = static_cast<MovingHost*>(context)->moved;
  }
  return value;
}

void check_restore(const harness::PellastoModule& m, Report* report) {
  for (std::int32_t mode : {0, 1, 2}) {
    for (bool turned : {false, true}) {
      install_plain_host();
      Sample s;
      set_odd_vectors(s.derivatives);
      Vector before[2];
      std::memcpy(before, s.derivatives, sizeof before);
      s.params.mode = mode;
      s.params.direction = {3, 1, 2};
      s.params.position = {-1, 2, 4};
      s.params.rotation = turned ? 0.25f : 0.0f;
      s.connect_all();
      s.shade(m.shade);
      const std::string what =
          "mode " + std::to_string(mode) + (turned ? ", turned" : ", unturned");
      report->add("restore", what + ": the host's vectors come back bit for bit",
                  same_bits(s.derivatives, before),
                  "after the call D[0] " + show(s.derivatives[0]) + ", D[1] " +
                      show(s.derivatives[1]));

      // The host moves them while `input` is read: they are put back where
      // the state points then.
      MovingHost moving{};
      moving.moved[0] = {9, 9, 9};
      moving.moved[1] = {8, 8, 8};
      HostHooks moving_hooks = harness::real_rotation_hooks(evaluate_and_move);
      moving_hooks.context = &moving;
      install_hooks(&moving_hooks);
      Sample t;
      set_odd_vectors(t.derivatives);
      t.params = s.params;
      t.connect_all();
      t.shade(m.shade);
      install_plain_host();
      report->add(
          "restore",
          what + ": moved while the input is read, put back where they are now",
          t.state.surface_derivatives == moving.moved && same_bits(moving.moved, before),
          "the moved vectors hold D[0] " + show(moving.moved[0]) + ", D[1] " +
              show(moving.moved[1]));
    }
  }
}

// A host that notes which parameters the module asks it to evaluate, in
// order, and hands back its own value for `direction`.
struct RecordingHost {
  std::vector<std::string> asked;
  Vector direction_value{0, 3, 0};
};

void* evaluate_and_record(void* context, RenderState* state, void* parameter) {
  auto* host = static_cast<RecordingHost*>(context);
  Sample& s = Sample::of(state);
  const FrameParams& p = s.params;
  if (parameter == &p.input) {
    host->asked.push_back("input");
  }
  if (parameter == &p.mode) {
    host->asked.push_back("mode");
  }
  if (parameter == &p.direction) {
    host->asked.push_back("direction");
    harness::evaluate_in_place(nullptr, state, parameter);
    return &host->direction_value;
  }
  if (parameter == &p.position) {
    host->asked.push_back("position");
  }
  if (parameter == &p.rotation) {
    host->asked.push_back("rotation");
  }
  return harness::evaluate_in_place(nullptr, state, parameter);
}

std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) {
    s += (s.empty() ? "" : ", ") + n;
  }
  return "[" + s + "]";
}

void check_parameters(const harness::PellastoModule& m, Report* report) {
  RecordingHost host;
  HostHooks hooks = harness::real_rotation_hooks(evaluate_and_record);
  hooks.context = &host;
  install_hooks(&hooks);
  struct Expectation {
    std::int32_t mode;
    bool all;  // every parameter connected; else rotation and input only
    bool offset;
    std::vector<std::string> order;
  };
  const Expectation expectations[] = {
      {0, true, true, {"mode", "input"}},
      {1, true, true, {"mode", "direction", "rotation", "input"}},
      {2, true, true, {"mode", "position", "rotation", "input"}},
      {1, false, true, {"rotation", "input"}},
      {2, true, false, {}},
  };
  for (const Expectation& e : expectations) {
    host.asked.clear();
    Sample s;
    s.params.mode = e.mode;
    s.params.direction = {1, 0, 0};
    s.params.position = {1, 1, 0};
    s.params.rotation = 0.5f;
    if (e.all) {
      s.connect_all();
    } else {
      s.connect(&s.params.rotation);
      s.connect(&s.params.input);
    }
    if (!e.offset) {
      s.shader.connection_offset = 0;  // the words say connected; the record says none
    }
    s.shade(m.shade);
    const std::string what =
        !e.offset
            ? "connection offset 0: no parameter is evaluated"
            : "mode " + std::to_string(e.mode) +
                  (e.all ? ", all connected: " : ", rotation and input connected: ") +
                  joined(e.order);
    report->add("parameters", what, host.asked == e.order,
                "the host was asked for " + joined(host.asked));
  }

  // The value the host hands back for a connected direction is the one used.
  host.asked.clear();
  Sample s;
  s.params.mode = kPellastoModeDirection;
  s.params.direction = {1, 0, 0};
  s.connect(&s.params.direction);
  s.connect(&s.params.input);
  s.shade(m.shade);
  report->add("parameters", "a connected direction's evaluated value builds the frame",
              harness::near(s.seen[1], {0, 1, 0}, kTolerance),
              "the input saw D[1] " + show(s.seen[1]) + " for the value (0, 3, 0)");
  install_hooks(nullptr);
}

// Shades a connected, turned sample, which calls every host function.
void shade_calling_every_function(const harness::PellastoModule& m) {
  Sample s;
  s.params.mode = kPellastoModeDirection;
  s.params.direction = {1, 2, 0};
  s.params.rotation = 0.25f;
  s.connect(&s.params.input);
  s.shade(m.shade);
}

void check_binding(const harness::PellastoModule& m, Report* report) {
  install_plain_host();
  const auto& names = harness::kHostFunctions;
  static const bool counting = count_lookups(m.handle);  // patches the module once
  int before[3];
  for (int i = 0; i < 3; ++i) {
    before[i] = lookups(names[i]);
  }
  const auto looked_up = [&](int times) {
    std::string found;
    for (int i = 0; i < 3; ++i) {
      const int n = lookups(names[i]) - before[i];
      if (n != times) {
        found += std::string(found.empty() ? "" : "; ") + names[i] + " looked up " +
                 std::to_string(n) + " times";
      }
    }
    return found;
  };
  report->add("binding", "miSetModuleHandle answers 0",
              m.set_module_handle(harness::program_module()) == 0);
  for (int i = 0; i < 200; ++i) {
    shade_calling_every_function(m);
  }
  const std::string once = counting ? looked_up(1) : "lookups cannot be counted here";
  report->add("binding", "each host function looked up once per handle (200 samples)",
              once.empty(), once);
  m.set_module_handle(harness::program_module());
  for (int i = 0; i < 200; ++i) {
    shade_calling_every_function(m);
  }
  const std::string again = counting ? looked_up(2) : "lookups cannot be counted here";
  report->add("binding", "and once more after a new handle", again.empty(), again);
}

// What the module printed on each stream while shading `calls` samples that
// call every host function.
struct Printed {
  bool captured;
  std::string out, err;
  Color result;
};

Printed shade_printing(const harness::PellastoModule& m, int calls) {
  Sample s;
  s.params.input = {9, 8, 7, 6};
  s.params.mode = kPellastoModeDirection;
  s.params.direction = {1, 2, 0};
  s.params.rotation = 0.25f;
  s.connect(&s.params.input);
  OutputCapture capture;
  for (int i = 0; i < calls; ++i) {
    s.shade(m.shade);
  }
  capture.stop();
  return {capture.ok(), capture.out(), capture.err(), s.result};
}

void check_messages(const harness::PellastoModule& m, Report* report) {
  install_plain_host();
  const Color stored{9, 8, 7, 6};

  // A handle of a module that exports no host function: the module itself.
  m.set_module_handle(m.handle);
  const std::string missing =
      harness::failed_lookup_pattern("mi_matrix_rotate_axis", m.handle) +
      harness::failed_lookup_pattern("mi_vector_transform", m.handle) +
      harness::failed_lookup_pattern("mi_phen_eval", m.handle);
  const Printed p = shade_printing(m, 2);
  report->add("messages",
              "a host function that is missing: \"dlsym failed on ...\" on every call",
              p.captured && std::regex_match(p.err, std::regex(missing + missing)) &&
                  p.out.empty() && same_bits(p.result, stored),
              p.captured ? "standard error: \"" + one_line(p.err) +
                               "\", standard output: \"" + one_line(p.out) + "\""
                         : "the standard streams could not be captured");

  // No handle at all. Windows looks a null handle up in the program, which
  // exports the functions: each is looked up once, found, and kept.
  m.set_module_handle(nullptr);
  const Printed q = shade_printing(m, 2);
#if defined(_WIN32)
  const std::string no_handle =
      "DYNLOAD: dl_handle null\nDYNLOAD: dl_handle null\nDYNLOAD: dl_handle null\n";
#else
  const std::string once =
      "DYNLOAD: dl_handle null\n" +
      harness::failed_lookup_pattern("mi_matrix_rotate_axis", nullptr) +
      "DYNLOAD: dl_handle null\n" +
      harness::failed_lookup_pattern("mi_vector_transform", nullptr) +
      "DYNLOAD: dl_handle null\n" +
      harness::failed_lookup_pattern("mi_phen_eval", nullptr);
  const std::string no_handle = once + once;
#endif
  report->add(
      "messages", "no handle: \"DYNLOAD: dl_handle null\" before the lookup",
      q.captured && std::regex_match(q.err, std::regex(no_handle)) && q.out.empty(),
      q.captured ? "standard error: \"" + one_line(q.err) + "\", standard output: \"" +
                       one_line(q.out) + "\""
                 : "the standard streams could not be captured");
  m.set_module_handle(harness::program_module());
}

void check_threads(const harness::PellastoModule& m, int threads, Report* report) {
  install_plain_host();
  // Modes 0, 1 and 2, turned and not (mode 0 on the cases of mode 1).
  std::vector<Case> cases;
  for (std::int32_t mode : {0, 1, 2}) {
    for (bool turned : {false, true}) {
      std::vector<Case> more = frame_cases(mode == 0 ? 1 : mode, turned);
      for (Case& c : more) {
        c.mode = mode;
      }
      cases.insert(cases.end(), more.begin(), more.end());
    }
  }
  constexpr int kRounds = 8;
  std::vector<Shaded> alone;
  alone.reserve(cases.size());
  for (const Case& c : cases) {
    alone.push_back(shade(m, c));
  }

  std::atomic<int> ready{0};
  std::vector<std::string> wrong(static_cast<std::size_t>(threads));
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(threads));
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      ++ready;
      while (ready.load() < threads) {
        std::this_thread::yield();
      }
      for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
          // Each thread starts at another case, so different work overlaps.
          const std::size_t k = (i + static_cast<std::size_t>(t) * 97) % cases.size();
          const Shaded r = shade(m, cases[k]);
          if (wrong[t].empty() && !same_bits(r, alone[k])) {
            wrong[t] = "thread " + std::to_string(t) + ", " + cases[k].name + ": D[1] " +
                       show(r.seen[1]) + " where one thread saw " +
                       show(alone[k].seen[1]);
          }
        }
      }
    });
  }
  for (std::thread& t : pool) {
    t.join();
  }
  std::string first;
  for (const std::string& w : wrong) {
    if (first.empty()) {
      first = w;
    }
  }
  report->add("threads",
              std::to_string(threads) + " threads shading " +
                  std::to_string(cases.size() * kRounds) +
                  " samples each: the same bits as one thread",
              first.empty(), first);
}

void check_lifecycle(const harness::PellastoModule& m, Report* report) {
  report->add("lifecycle", "Pellasto_version answers 1", m.version() == 1);
  Boolean wanted = 1;
  m.init(nullptr, nullptr, &wanted);
  report->add("lifecycle", "Pellasto_init with no parameters declines per-instance init",
              wanted == 0, "the flag holds " + std::to_string(wanted));
  Sample s;
  wanted = 1;
  m.init(&s.state, &s.params, &wanted);
  report->add("lifecycle", "Pellasto_init with parameters leaves the flag alone",
              wanted == 1, "the flag holds " + std::to_string(wanted));
  report->add("lifecycle", "Pellasto_version still answers 1 after init",
              m.version() == 1);
}

}  // namespace

void run_checks(const harness::PellastoModule& module, int threads, Report* report) {
  const char* const names[] = {"Pellasto", "Pellasto_version", "Pellasto_init",
                               "Pellasto_exit", "miSetModuleHandle"};
  const bool present[] = {module.shade != nullptr, module.version != nullptr,
                          module.init != nullptr, module.exit != nullptr,
                          module.set_module_handle != nullptr};
  for (int i = 0; i < 5; ++i) {
    report->add("exports", std::string(names[i]) + " exported under its plain name",
                present[i], std::string(names[i]) + " is not exported");
  }
  if (module.version != nullptr && module.init != nullptr) {
    check_lifecycle(module, report);
  } else {
    report->add("lifecycle", "Pellasto_version and Pellasto_init", false,
                "not run: an entry is missing");
  }
  if (module.shade == nullptr || module.set_module_handle == nullptr) {
    report->add("frame", "shading", false,
                "not run: Pellasto or miSetModuleHandle is missing");
    return;
  }
  module.set_module_handle(harness::program_module());
  check_binding(module, report);
  check_frames(module, report);
  check_restore(module, report);
  check_parameters(module, report);
  check_messages(module, report);
  check_threads(module, threads, report);
  if (module.exit != nullptr) {
    module.exit(nullptr, nullptr);
    install_plain_host();
    const Case c = frame_cases(kPellastoModeDirection, true).front();
    const Shaded r = shade(module, c);
    report->add("lifecycle", "shading after Pellasto_exit works the same",
                r.returned == 1 && harness::near(r.seen[1], c.tangent, kTolerance));
  }
  install_hooks(nullptr);
}

}  // namespace check
