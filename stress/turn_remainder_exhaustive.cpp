// Every one of the 2^32 float bit patterns through is_fractional_turn, against
// the remainder it stands for: fmod(x, 1.0) computed in double, which counts as
// a turn only when it is a number and not zero.

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "shader/frame_math.h"

namespace {

bool remainder_turns(float x) {
  const double r = std::fmod(static_cast<double>(x), 1.0);
  return !std::isnan(r) && r != 0.0;
}

struct Tally {
  std::uint64_t mismatches = 0;
  std::uint64_t fractional = 0;
  std::uint32_t first_mismatch = 0;
};

// Bit patterns [begin, end) with end exclusive, in 64 bits so that the last
// range can end at 2^32.
Tally check_range(std::uint64_t begin, std::uint64_t end) {
  Tally t;
  for (std::uint64_t b = begin; b < end; ++b) {
    const auto bits = static_cast<std::uint32_t>(b);
    float x;
    std::memcpy(&x, &bits, sizeof x);
    const bool expected = remainder_turns(x);
    if (pellasto::is_fractional_turn(x) != expected) {
      if (t.mismatches++ == 0) t.first_mismatch = bits;
    }
    t.fractional += expected;
  }
  return t;
}

}  // namespace

int main() {
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  constexpr std::uint64_t kAll = std::uint64_t{1} << 32;
  // Small chunks handed out in turn keep both cores busy to the end.
  constexpr std::uint64_t kChunk = std::uint64_t{1} << 24;
  std::atomic<std::uint64_t> next{0};
  std::vector<Tally> tallies(workers);
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] {
      Tally& mine = tallies[w];
      for (std::uint64_t begin; (begin = next.fetch_add(kChunk)) < kAll;) {
        const Tally t = check_range(begin, begin + kChunk);
        if (t.mismatches != 0 && mine.mismatches == 0) {
          mine.first_mismatch = t.first_mismatch;
        }
        mine.mismatches += t.mismatches;
        mine.fractional += t.fractional;
      }
    });
  }
  for (std::thread& t : threads) t.join();

  Tally all;
  for (const Tally& t : tallies) {
    if (t.mismatches != 0 && all.mismatches == 0) all.first_mismatch = t.first_mismatch;
    all.mismatches += t.mismatches;
    all.fractional += t.fractional;
  }
  // Positive floats with a fractional part: every one below 1 but zero, and
  // those in [1, 2^23) that are not among the 2^23 - 1 whole numbers there;
  // negatives the same. The reference must find exactly that many.
  constexpr std::uint64_t kOne = 0x3F800000, kTwoTo23 = 0x4B000000;
  constexpr std::uint64_t kFractional =
      2 * ((kOne - 1) + (kTwoTo23 - kOne) - ((std::uint64_t{1} << 23) - 1));
  std::printf("%" PRIu64 " of 2^32 bit patterns checked on %u threads, %" PRIu64
              " with a fractional remainder (%" PRIu64 " expected), %" PRIu64
              " mismatches\n",
              kAll, workers, all.fractional, kFractional, all.mismatches);
  if (all.fractional != kFractional) return 1;
  if (all.mismatches != 0) {
    std::printf("first mismatch: bit pattern 0x%08" PRIx32 "\n", all.first_mismatch);
    return 1;
  }
  return 0;
}
