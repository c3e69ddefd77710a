// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Per-call cost of the shader, called through its exported entry as a host
// calls it, beside the floor (an empty entry in a module built the same way)
// and the limit (the same work inline). Prints Google Benchmark's figures,
// then a table of ratios from this one run, shader / (floor + limit),
// and the two-thread scaling. Before timing, checks over a million calls that
// the shader allocates nothing and looks each host function up once.
//
//   pellasto_bench [--benchmark_repetitions=N] [other Google Benchmark flags]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/scenario.h"

namespace pellasto_bench {
namespace {

// Calls of `shade` through its exported entry, on one sample of case `c`.
void entry_call(benchmark::State& st, const Case& c, PellastoShaderFn shade) {
  Sample s(c);
  benchmark::DoNotOptimize(&s);
  for (auto _ : st) {
    benchmark::DoNotOptimize(shade(&s.result, &s.state, &s.params));
    benchmark::ClobberMemory();
  }
  st.SetItemsProcessed(st.iterations());
}

void shader_call(benchmark::State& st, const Case& c) {
  entry_call(st, c, modules().shade);
}

void floor_call(benchmark::State& st) {
  entry_call(st, kCases[0], modules().floor_shade);
}

// Consecutive calls on eight different samples, as a host shading many
// points calls it, instead of on one: then a call does not wait for the
// previous call's vectors to be written back before it can save them.
void call_on_eight_samples(benchmark::State& st, const Case& c, bool floor) {
  std::vector<std::unique_ptr<Sample>> samples;
  for (int i = 0; i < 8; ++i) samples.push_back(std::make_unique<Sample>(c));
  const PellastoShaderFn shade = floor ? modules().floor_shade : modules().shade;
  std::size_t i = 0;
  for (auto _ : st) {
    Sample& s = *samples[i++ & 7];
    benchmark::DoNotOptimize(shade(&s.result, &s.state, &s.params));
    benchmark::ClobberMemory();
  }
  st.SetItemsProcessed(st.iterations());
}

void limit_inline(benchmark::State& st, const Case& c) {
  Sample s(c);
  const HostFunctions& host = modules().host_functions;
  benchmark::DoNotOptimize(&s);
  for (auto _ : st) {
    benchmark::DoNotOptimize(limit_shade(host, &s.result, &s.state, &s.params));
    benchmark::ClobberMemory();
  }
  st.SetItemsProcessed(st.iterations());
}

// Keeps, for every benchmark, the median of its repetitions (the figure the
// other processes of a shared machine disturb least in either direction): CPU
// time per call, which a busy machine's preemption does not inflate, and calls
// per second of wall time, which is what the thread scaling is about.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : ConsoleReporter(OO_None) {}

  struct Figure {
    double ns = 0;
    double items_per_second = 0;
  };

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double ns = run.GetAdjustedCPUTime() /
                        benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
      const auto rate = run.counters.find("items_per_second");
      const double items = rate != run.counters.end() ? rate->second.value : 0;
      runs_[run.benchmark_name()].push_back(Figure{ns, items});
    }
  }

  // The median of each figure over the repetitions, or null.
  const Figure* find(const std::string& name) {
    auto it = runs_.find(name);
    if (it == runs_.end() || it->second.empty()) return nullptr;
    std::vector<double> ns;
    std::vector<double> items;
    for (const Figure& f : it->second) {
      ns.push_back(f.ns);
      items.push_back(f.items_per_second);
    }
    medians_[name] = Figure{median(ns), median(items)};
    return &medians_[name];
  }

 private:
  static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

  std::map<std::string, std::vector<Figure>> runs_;
  std::map<std::string, Figure> medians_;
};

// Heap allocations and host lookups over a million calls made just after a
// new handle, every case in turn. Returns false when either is not as it must
// be.
bool check_allocations_and_lookups() {
  const Modules& m = modules();
  std::vector<std::unique_ptr<Sample>> samples;
  for (const Case& c : kCases) samples.push_back(std::make_unique<Sample>(c));
  const char* const names[] = {"mi_phen_eval", "mi_matrix_rotate_axis",
                               "mi_vector_transform"};
  int lookups_before[3];
  for (int f = 0; f < 3; ++f) lookups_before[f] = m.lookups(names[f]);

  // The counter must see allocations made anywhere in the process.
  const long probe_before = heap_allocations();
  void* (*volatile allocate)(std::size_t) = std::malloc;
  std::free(allocate(24));
  const bool counter_live = heap_allocations() == probe_before + 1;

  constexpr long kCalls = 1000000;
  m.set_module_handle(m.host);
  const long before = heap_allocations();
  for (long i = 0; i < kCalls; ++i) {
    Sample& s = *samples[static_cast<std::size_t>(i) % samples.size()];
    m.shade(&s.result, &s.state, &s.params);
  }
  const long allocations = heap_allocations() - before;

  bool ok = counter_live && allocations == 0;
  std::printf("heap allocations over %ld calls: %ld (counter %s)\n", kCalls, allocations,
              counter_live ? "live" : "NOT LIVE");
  for (int f = 0; f < 3; ++f) {
    const int lookups = m.lookups(names[f]) - lookups_before[f];
    std::printf("lookups of %s after a new handle: %d\n", names[f], lookups);
    ok = ok && lookups == 1;
  }
  return ok;
}

void print_ratios(Collector& results) {
  const Collector::Figure* floor = results.find("floor");
  if (floor == nullptr) return;
  std::printf("\nmedians of the repetitions, CPU time per call:\n");
  std::printf("| case | shader ns (CPU) | floor ns | limit ns | ratio | goal |\n");
  std::printf("|---|---:|---:|---:|---:|---|\n");
  for (const Case& c : kCases) {
    const Collector::Figure* shader = results.find(std::string("shader/") + c.name);
    const Collector::Figure* limit = results.find(std::string("limit/") + c.name);
    if (shader == nullptr || limit == nullptr) continue;
    const double ratio = shader->ns / (floor->ns + limit->ns);
    const std::string goal = ratio <= 1.10 ? "<= 1.10 x (floor+limit): met"
                                           : "<= 1.10 x (floor+limit): MISSED";
    std::printf("| %s | %.2f | %.2f | %.2f | %.3f | %s |\n", c.name, shader->ns,
                floor->ns, limit->ns, ratio, goal.c_str());
  }
  const Collector::Figure* floor8 = results.find("eight_samples/floor");
  const Collector::Figure* mode8 = results.find("eight_samples/shader/mode0/unconnected");
  if (floor8 != nullptr && mode8 != nullptr) {
    std::printf(
        "\nmode 0 unconnected, calls cycling over eight samples: %.2f ns, floor %.2f ns, "
        "ratio %.3f\n",
        mode8->ns, floor8->ns, mode8->ns / floor8->ns);
  }
  const Collector::Figure* one =
      results.find("threads/shader/mode1/unconnected/real_time/threads:1");
  const Collector::Figure* two =
      results.find("threads/shader/mode1/unconnected/real_time/threads:2");
  if (one != nullptr && two != nullptr && one->items_per_second > 0) {
    const double scaling = two->items_per_second / one->items_per_second;
    std::printf("\ntwo threads / one thread, calls per second: %.3f (goal >= 1.9: %s)\n",
                scaling, scaling >= 1.9 ? "met" : "MISSED");
  }
}

}  // namespace
}  // namespace pellasto_bench

int main(int argc, char** argv) {
  using namespace pellasto_bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  // Both what is measured and the yardstick must do the shader's work.
  for (const Case& c : kCases) {
    const std::pair<const char*, PellastoShaderFn> entries[] = {
        {"shader", modules().shade}, {"limit", limit_entry}};
    for (const auto& [who, shade] : entries) {
      const std::string wrong = check_case(c, shade);
      if (!wrong.empty()) {
        std::fprintf(stderr, "bench: the %s of %s is wrong in:%s\n", who, c.name,
                     wrong.c_str());
        return 1;
      }
    }
  }
  if (!check_allocations_and_lookups()) return 1;

  benchmark::RegisterBenchmark("floor", floor_call);
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("limit/") + c.name).c_str(), limit_inline,
                                 c);
    benchmark::RegisterBenchmark((std::string("shader/") + c.name).c_str(), shader_call,
                                 c);
  }
  benchmark::RegisterBenchmark("eight_samples/floor", call_on_eight_samples, kCases[0],
                               true);
  benchmark::RegisterBenchmark("eight_samples/shader/mode0/unconnected",
                               call_on_eight_samples, kCases[0], false);
  benchmark::RegisterBenchmark("threads/shader/mode1/unconnected", shader_call, kCases[1])
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();

  Collector results;
  benchmark::RunSpecifiedBenchmarks(&results);
  print_ratios(results);
  benchmark::Shutdown();
  return 0;
}
