// Micro benchmarks of the module's hot paths. Compared figures are measured side by side in the
// same run, on the same bytes: the safe-section rewrite against the pass-by-pass oracle of the
// tests, against a plain escaper that escapes every byte, and against memcpy; process_entry
// against the same escaper and memcpy of its entry.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "anchors.h"
#include "base/utf8_string.h"
#include "bench_host.h"
#include "config/config_var.h"
#include "format/custom_output_format.h"
#include "format/extra_items.h"
#include "format/playlist_statistics.h"
#include "format/safe_sections.h"
#include "format/safe_sections_oracle.h"

namespace {

using bench::markup;
using bench::plain_escape;

void per_byte(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.counters["ns_per_byte"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

template <void (*Rewrite)(vorlane::Utf8String&)>
void rewrite(benchmark::State& state, bool with_sections) {
  const std::string input = markup(static_cast<size_t>(state.range(0)), with_sections);
  vorlane::Utf8String text;
  for (auto _ : state) {
    state.PauseTiming();
    text.assign(input.data(), static_cast<uint32_t>(input.size()));
    state.ResumeTiming();
    Rewrite(text);
    benchmark::DoNotOptimize(text.text());
  }
  per_byte(state);
}

void BM_SafeSections(benchmark::State& state) {
  rewrite<vorlane::apply_safe_sections>(state, true);
}
void BM_SafeSectionsNoMarker(benchmark::State& state) {
  rewrite<vorlane::apply_safe_sections>(state, false);
}
void BM_SafeSectionsOracle(benchmark::State& state) {
  rewrite<oracle::apply_safe_sections>(state, true);
}
void BM_PlainEscaper(benchmark::State& state) {
  const std::string input = markup(static_cast<size_t>(state.range(0)), true);
  std::string out;
  plain_escape(input, out); // reserves the capacity that every timed run reuses
  for (auto _ : state) {
    plain_escape(input, out);
    benchmark::DoNotOptimize(out.data());
  }
  per_byte(state);
}
void BM_Memcpy(benchmark::State& state) {
  const std::string input = markup(static_cast<size_t>(state.range(0)), false);
  std::string out(input.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), input.data(), input.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  per_byte(state);
}
BENCHMARK(BM_SafeSections)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainEscaper)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SafeSectionsNoMarker)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(16 << 20)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SafeSectionsOracle)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

const std::string kEntry = bench::entry_150(true);

void BM_ProcessEntry(benchmark::State& state) {
  vorlane::settings::autocrlf.set_value(1);
  vorlane::CustomOutputFormat* format = vorlane::CustomOutputFormat::create();
  vorlane::Utf8String entry;
  for (auto _ : state) {
    entry.assign(kEntry.data(), static_cast<uint32_t>(kEntry.size()));
    format->process_entry(&entry, 0, nullptr);
    benchmark::DoNotOptimize(entry.text());
  }
  format->release();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntry.size()));
}
BENCHMARK(BM_ProcessEntry);

void BM_MemcpyEntry(benchmark::State& state) {
  char target[256];
  for (auto _ : state) {
    std::memcpy(target, kEntry.data(), kEntry.size());
    benchmark::DoNotOptimize(target);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntry.size()));
}
BENCHMARK(BM_MemcpyEntry);

void BM_PlainEscaperEntry(benchmark::State& state) {
  std::string out;
  plain_escape(kEntry, out);
  for (auto _ : state) {
    plain_escape(kEntry, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntry.size()));
}
BENCHMARK(BM_PlainEscaperEntry);

void BM_ComputeStatistics(benchmark::State& state) {
  bench::Host host(static_cast<size_t>(state.range(0)));
  vorlane::ExtraItems items;
  for (auto _ : state) {
    items.clear();
    vorlane::compute_statistics(items);
    benchmark::DoNotOptimize(items.items_text());
  }
  state.counters["ns_per_entry"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComputeStatistics)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
