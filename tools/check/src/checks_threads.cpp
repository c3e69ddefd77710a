// Threads shading at once get the same bits as one thread alone.
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "harness/module.h"
#include "harness/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"

namespace check {

namespace {

Result same_bits_as_one_thread(const harness::PellastoModule& m, int threads) {
  if (threads < 2) {
    return Result::skip("--threads 1: nothing shades at once");
  }
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
          if (wrong[t].empty() && !harness::same_bits(r, alone[k])) {
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
  for (const std::string& w : wrong) {
    if (!w.empty()) {
      return Result::fail(w + " (" + std::to_string(threads) + " threads, " +
                          std::to_string(cases.size() * kRounds) + " samples each)");
    }
  }
  return Result::pass();
}

}  // namespace

void add_thread_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check("threads",
                                  "threads shading at once: the same bits as one",
                                  [](const harness::PellastoModule& m, Context& context) {
                                    return same_bits_as_one_thread(m, context.threads);
                                  }));
}

}  // namespace check
