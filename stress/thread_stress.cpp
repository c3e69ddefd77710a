// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Many render threads at once: each round the host names its module anew, and
// all threads start together so that their first samples race to bind the
// same host functions; then each shades its own samples and checks every one.
//
//   thread_stress [threads] [rounds] [samples per thread per round]

#include <atomic>
#include <cinttypes>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "shader/pellasto.h"

namespace {

using hostside::cross;
using hostside::kHostFunctions;
using hostside::near;
using hostside::normalized;
using hostside::pellasto;
using hostside::Sample;

// A small generator per thread, so that no thread shares state with another.
struct Random {
  std::uint64_t s;
  std::uint32_t next() {
    s = s * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::uint32_t>(s >> 33);
  }
  float in(float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(next() & 0xFFFFFF) / 16777216.0f;
  }
};

struct Failures {
  std::atomic<std::uint64_t> count{0};
  std::mutex print;
  void report(unsigned thread, std::uint64_t sample, const char* what) {
    if (count.fetch_add(1) < 10) {
      std::lock_guard<std::mutex> lock(print);
      std::fprintf(stderr, "thread %u sample %" PRIu64 ": %s\n", thread, sample, what);
    }
  }
};

// Sets up the next sample: a random unit normal, a direction well away from
// it, each mode in turn, a whole or a fractional turn, every parameter
// connected or none. Returns the tangent the frame must have (for modes 1 and
// 2), from the sample's own values.
Vector next_sample(Sample& s, Color* host_input, Random& rng, std::uint64_t i) {
  FrameParams& p = s.params;
  const Vector n = normalized({rng.in(-1, 1), rng.in(-1, 1), rng.in(0.5f, 1)});
  s.state.surface_normal = n;
  s.state.surface_point = {rng.in(-9, 9), rng.in(-9, 9), rng.in(-9, 9)};
  s.derivatives[0] = {rng.in(-1, 1), rng.in(-1, 1), rng.in(-1, 1)};
  s.derivatives[1] = {rng.in(-1, 1), rng.in(-1, 1), rng.in(-1, 1)};
  p.input = {rng.in(0, 1), rng.in(0, 1), rng.in(0, 1), 1};
  *host_input = {rng.in(0, 1), rng.in(0, 1), rng.in(0, 1), 0.5f};
  p.mode = static_cast<std::int32_t>(i % 3);
  // Mostly sideways of the normal, so the projection is far from zero.
  const Vector side = normalized(cross(n, {rng.in(-1, 1), rng.in(-1, 1), rng.in(-1, 1)}));
  const Vector d = side + 0.3f * n;
  p.direction = d;
  p.position = s.state.surface_point + d;
  const bool turn = (i / 3) % 2 == 1;
  p.rotation = turn ? rng.in(-2, 2) : static_cast<float>(static_cast<int>(rng.in(-3, 3)));
  const bool connected = (i / 6) % 2 == 1;
  s.disconnect_all();
  if (connected) s.connect_all();
  s.input_evaluations = 0;
  return hostside::expected_tangent(n, d, p.rotation);
}

void shade_samples(unsigned thread, std::uint64_t count, Failures& failures) {
  Sample s;
  Color host_input{};  // what the host hands back for a connected input
  s.input_value = &host_input;
  Random rng{0x9E3779B97F4A7C15u * (thread + 1)};
  const PellastoShaderFn shade = pellasto().shade;
  for (std::uint64_t i = 0; i < count; ++i) {
    const Vector tangent = next_sample(s, &host_input, rng, i);
    const FrameParams& p = s.params;
    const bool connected = s.shader.connection_offset != 0;
    Vector before[2];
    std::memcpy(before, s.derivatives, sizeof before);

    if (s.shade(shade) != 1) {
      failures.report(thread, i, "did not return 1");
    }
    const Color& expected = connected ? host_input : p.input;
    if (std::memcmp(&s.result, &expected, sizeof(Color)) != 0) {
      failures.report(thread, i, "result is not the input value");
    }
    if (std::memcmp(before, s.derivatives, sizeof before) != 0) {
      failures.report(thread, i, "derivative vectors not restored");
    }
    if (connected && s.input_evaluations != 1) {
      failures.report(thread, i, "input not evaluated exactly once");
    }
    if (!connected || p.mode == 0) continue;
    if (!near(s.seen[1], tangent, 1e-4f)) {
      failures.report(thread, i, "tangent seen by the input is wrong");
    }
    if (!near(s.seen[0], cross(s.state.surface_normal, s.seen[1]), 1e-6f)) {
      failures.report(thread, i, "cross vector seen by the input is wrong");
    }
  }
}

// All threads wait here until the round's start, then go at once.
class StartLine {
 public:
  void wait_for(unsigned round) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return round_ >= round; });
  }
  void start(unsigned round) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      round_ = round;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  unsigned round_ = 0;
};

std::uint64_t argument(int argc, char** argv, int i, std::uint64_t fallback) {
  return argc > i ? std::strtoull(argv[i], nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const auto threads = static_cast<unsigned>(argument(argc, argv, 1, 8));
  const auto rounds = static_cast<unsigned>(argument(argc, argv, 2, 64));
  const std::uint64_t samples = argument(argc, argv, 3, 16000);

  const hostside::HostModule host_module = hostside::load_host("stress_host");
  void* host = host_module.handle;
  const HostLookupsFn lookups = host_module.lookups;
  static const HostHooks hooks =
      hostside::real_rotation_hooks(hostside::evaluate_in_place);
  host_module.install(&hooks);

  Failures failures;
  StartLine start_line;
  std::vector<std::thread> workers;
  std::atomic<unsigned> finished{0};
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (unsigned round = 1; round <= rounds; ++round) {
        start_line.wait_for(round);
        shade_samples(t, samples, failures);
        finished.fetch_add(1);
      }
    });
  }

  int counts[3] = {0, 0, 0};
  for (unsigned round = 1; round <= rounds; ++round) {
    while (finished.load() < (round - 1) * threads) std::this_thread::yield();
    if (pellasto().set_module_handle(host) != 0) failures.report(0, 0, "handle refused");
    start_line.start(round);
    while (finished.load() < round * threads) std::this_thread::yield();
    // Racing first calls may each look a function up, but once bound it is
    // never looked up again: at least one and at most one per thread.
    for (int f = 0; f < 3; ++f) {
      const int made = lookups(kHostFunctions[f]) - counts[f];
      counts[f] += made;
      if (made < 1 || made > static_cast<int>(threads)) {
        std::fprintf(stderr, "round %u: %d lookups of %s\n", round, made,
                     kHostFunctions[f]);
        failures.count.fetch_add(1);
      }
    }
  }
  for (std::thread& w : workers) w.join();
  host_module.install(nullptr);

  std::printf(
      "%u threads x %u rounds x %" PRIu64 " samples = %" PRIu64
      " samples checked; lookups per handle: %.2f %.2f %.2f; %" PRIu64 " failures\n",
      threads, rounds, samples, threads * rounds * samples,
      counts[0] / static_cast<double>(rounds), counts[1] / static_cast<double>(rounds),
      counts[2] / static_cast<double>(rounds), failures.count.load());
  return failures.count.load() == 0 ? 0 : 1;
}
