// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Threads shading at once, each on samples of its own whose derivative
// vectors differ in their bits from every other thread's, so that a module
// keeping anything of a call where another thread's call finds it (a restore
// from one shared buffer, a frame built in a static) gives a thread another
// thread's bits. Every call is compared with the reference model, never with
// the module's own answers. The host's evaluation of `input` now and then
// yields the thread, so that threads interleave inside the override window on
// one core as well as on two.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hostside/reference_model.h"
#include "hostside/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

constexpr int kSamplesPerThread = 16;  // each thread's own, shaded in turn
constexpr int kCallsPerThread = 2000;
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

// One sample of thread `t`, number `i`, from the seed: the host's vectors
// carry the thread's number in their bits, the rest is any path over the
// whole input space.
hostside::ModelSample set_up(std::uint64_t seed, int t, int i) {
  std::uint64_t r = mix(
      seed ^ mix(static_cast<std::uint64_t>(t) << 32 | static_cast<std::uint64_t>(i)));
  const auto next = [&r] { return r = mix(r); };
  hostside::ModelSample s = hostside::random_sample(&r);
  std::uint32_t words[6];
  for (std::uint32_t& w : words) {
    w = vector_word(next(), t);
  }
  std::memcpy(s.derivatives, words, sizeof words);
  // Always vectors to put back, and mostly samples that build a frame with
  // `input` connected, where a frame or a restore taken from another thread
  // shows.
  s.has_derivatives = true;
  if (next() % 4 != 0) {
    s.has_shader = s.has_words = true;
    s.connected[static_cast<int>(hostside::Param::kInput)] = true;
    s.connected[static_cast<int>(hostside::Param::kMode)] = false;
    s.stored.mode = static_cast<std::int32_t>(1 + next() % 2);
    s.normal = hostside::normalized({unit(next()), unit(next()), unit(next())});
  }
  return s;
}

Result threads_shade_apart(const hostside::PellastoModule& m, Context& context) {
  const int threads = context.threads;
  if (threads < 2) {
    return Result::skip("--threads 1: no calls ran at once");
  }
  static const HostHooks hooks = hostside::recording_hooks();
  install_hooks(&hooks);

  // Each thread's samples and what the reference model predicts for them.
  const auto count = static_cast<std::size_t>(threads) * kSamplesPerThread;
  std::vector<hostside::ModelSample> samples(count);
  std::vector<hostside::Prediction> predicted(count);
  for (int t = 0; t < threads; ++t) {
    for (int i = 0; i < kSamplesPerThread; ++i) {
      const std::size_t k =
          static_cast<std::size_t>(t) * kSamplesPerThread + static_cast<std::size_t>(i);
      samples[k] = set_up(context.seed, t, i);
      predicted[k] = hostside::predict(samples[k]);
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
        hostside::Recorder recorder;
        recorder.yield_one_in = kYieldOneIn;
        ++ready;
        while (ready.load() < threads) {
          std::this_thread::yield();
        }
        Finding& f = found[static_cast<std::size_t>(t)];
        for (int call = 0; call < kCallsPerThread; ++call) {
          const std::size_t k = static_cast<std::size_t>(t) * kSamplesPerThread +
                                static_cast<std::size_t>(call % kSamplesPerThread);
          const hostside::Observed got =
              hostside::shade_model_sample(m.shade, samples[k], &recorder);
          const std::string difference = hostside::compare(predicted[k], got, recorder);
          if (!difference.empty() && ++f.wrong == 1) {
            f.first = "thread " + std::to_string(t) + ", call " + std::to_string(call) +
                      ": " + hostside::describe(samples[k]) + ": " + difference;
          }
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
                      std::to_string(threads) +
                      " threads differ from the reference model (seed " +
                      std::to_string(context.seed) + "); first: " + first);
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check(
      "threads",
      "threads shading samples of their own at once get the bits one thread gets",
      threads_shade_apart));
}

const GroupRegistration kRegistration(1300, "threads", add_checks);

}  // namespace

}  // namespace check
