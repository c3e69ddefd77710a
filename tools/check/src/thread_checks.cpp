// Threads shading at once, each on samples of its own whose derivative
// vectors differ in their bits from every other thread's, so that a module
// keeping anything of a call where another thread's call finds it (a restore
// from one shared buffer, a frame built in a static) gives a thread another
// thread's bits. The host's evaluation of `input` now and then yields the
// thread, so that threads interleave inside the override window on one core
// as well as on two.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "harness/sample.h"
#include "harness/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/host_functions.h"

namespace check {

namespace {

constexpr int kSamplesPerThread = 16;  // each thread's own, shaded in turn
constexpr int kCallsPerThread = 12000;
constexpr unsigned kYieldOneIn = 8;  // input evaluations that yield the thread

std::uint64_t mix(std::uint64_t x) {  // splitmix64
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

// A finite float whose low 8 bits are the thread's number: no two threads'
// vectors share a bit pattern.
std::uint32_t vector_word(std::uint64_t random, int thread) {
  const auto r = static_cast<std::uint32_t>(random);
  const std::uint32_t exponent = 100u + (r >> 24) % 50u;
  return (r & 0x80000000u) | (exponent << 23) | (r & 0x007fff00u) |
         static_cast<std::uint32_t>(thread);
}

float unit(std::uint64_t random) {  // in [-1, 1)
  return static_cast<float>(static_cast<double>(random >> 11) * 0x1p-52 - 1.0);
}

// One sample of thread `t`, number `i`, from the seed.
void set_up(harness::Sample* s, std::uint64_t seed, int t, int i) {
  std::uint64_t r = mix(
      seed ^ mix(static_cast<std::uint64_t>(t) << 32 | static_cast<std::uint64_t>(i)));
  const auto next = [&r] { return r = mix(r); };
  Vector* d = s->derivatives;
  std::uint32_t words[6];
  for (std::uint32_t& w : words) {
    w = vector_word(next(), t);
  }
  std::memcpy(d, words, sizeof words);
  const Vector n = harness::normalized({unit(next()), unit(next()), unit(next()) + 2.0f});
  s->state.surface_normal = n;
  s->state.surface_point = {unit(next()), unit(next()), unit(next())};
  s->params.mode = static_cast<std::int32_t>(next() % 3);
  s->params.direction = {unit(next()) + 1.5f, unit(next()), unit(next())};
  s->params.position = {4 * unit(next()), 4 * unit(next()) + 5, unit(next())};
  const float turns[] = {0.0f, 0.25f, -0.375f, unit(next())};
  s->params.rotation = turns[next() % 4];
  s->connect(&s->params.input);
  if (next() % 2 == 0) {
    s->connect_all();
  }
}

thread_local unsigned evaluations = 0;

// The plain host's evaluation, yielding the thread now and then while the
// override is in force.
void* evaluate_and_yield(void*, RenderState* state, void* parameter) {
  void* value = harness::evaluate_in_place(nullptr, state, parameter);
  if (parameter == &harness::Sample::of(state).params.input &&
      ++evaluations % kYieldOneIn == 0) {
    std::this_thread::yield();
  }
  return value;
}

struct Expected {
  Vector seen[2];
  Vector host[2];
  Color result;
};

std::string show_pair(const Vector v[2]) { return show(v[0]) + ", " + show(v[1]); }

Result threads_shade_apart(const harness::PellastoModule& m, Context& context) {
  const int threads = context.threads;
  if (threads < 2) {
    return Result::skip("--threads 1: no calls ran at once");
  }
  static const HostHooks hooks = harness::real_rotation_hooks(evaluate_and_yield);
  install_hooks(&hooks);

  // What each sample gives when it is shaded alone.
  const auto count = static_cast<std::size_t>(threads) * kSamplesPerThread;
  std::unique_ptr<harness::Sample[]> samples(new harness::Sample[count]);
  std::vector<Expected> expected(count);
  for (int t = 0; t < threads; ++t) {
    for (int i = 0; i < kSamplesPerThread; ++i) {
      const std::size_t k = static_cast<std::size_t>(t) * kSamplesPerThread + i;
      harness::Sample& s = samples[k];
      set_up(&s, context.seed, t, i);
      std::memcpy(expected[k].host, s.derivatives, sizeof expected[k].host);
      s.shade(m.shade);
      std::memcpy(expected[k].seen, s.seen, sizeof expected[k].seen);
      expected[k].result = s.result;
      std::memcpy(s.derivatives, expected[k].host, sizeof expected[k].host);
    }
  }

  struct Finding {
    long wrong = 0;
    std::string first;
  };
  std::vector<Finding> found(static_cast<std::size_t>(threads));
  for (int round = 0; round < context.repeat; ++round) {
    std::atomic<int> ready{0};
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([&, t] {
        ++ready;
        while (ready.load() < threads) {
          std::this_thread::yield();
        }
        Finding& f = found[static_cast<std::size_t>(t)];
        for (int call = 0; call < kCallsPerThread; ++call) {
          const std::size_t k = static_cast<std::size_t>(t) * kSamplesPerThread +
                                static_cast<std::size_t>(call % kSamplesPerThread);
          harness::Sample& s = samples[k];
          const Expected& e = expected[k];
          s.shade(m.shade);
          const bool frame = harness::same_bits(s.seen, e.seen);
          const bool restored = harness::same_bits(s.derivatives, e.host);
          if (frame && restored && harness::same_bits(s.result, e.result)) {
            continue;
          }
          if (++f.wrong == 1) {
            f.first =
                "thread " + std::to_string(t) + ", call " + std::to_string(call) + ": " +
                (!restored ? "D[0], D[1] after the call " + show_pair(s.derivatives) +
                                 ", the host's were " + show_pair(e.host)
                 : !frame ? "the input saw " + show_pair(s.seen) +
                                " where one thread saw " + show_pair(e.seen)
                          : std::string("the result differs from one thread's"));
          }
          std::memcpy(s.derivatives, e.host, sizeof e.host);
        }
      });
    }
    for (std::thread& t : pool) {
      t.join();
    }
  }
  install_plain_host();
  long wrong = 0;
  std::string first;
  for (const Finding& f : found) {
    wrong += f.wrong;
    if (first.empty()) {
      first = f.first;
    }
  }
  const long calls = static_cast<long>(threads) * kCallsPerThread * context.repeat;
  return Result::holds(
      wrong == 0, std::to_string(wrong) + " of " + std::to_string(calls) + " calls on " +
                      std::to_string(threads) + " threads went wrong (seed " +
                      std::to_string(context.seed) + "); first: " + first);
}

}  // namespace

void add_thread_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check(
      "threads",
      "threads shading samples of their own at once get the bits one thread gets",
      threads_shade_apart));
}

}  // namespace check
