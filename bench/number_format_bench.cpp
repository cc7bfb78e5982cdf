// Number fields as the record lines write them, beside printf doing the same job for scale:
// integers (channels, signal levels, lengths) and "%.2f" percentages (multipath, utilization).
// Sixteen fields to a line, through the conversion's writer into /dev/null.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "io/output_file.h"

namespace veltrix::bench {
namespace {

constexpr std::size_t kValues = 1024; // a power of two: the index wraps with a mask
constexpr int kFieldsPerLine = 16;

const std::vector<std::int64_t>& Integers() {
  static const std::vector<std::int64_t> values = [] {
    std::mt19937 random(11);
    std::vector<std::int64_t> v;
    std::uniform_int_distribution<int> kind(0, 2), channel(1, 14), rssi(-95, -30), length(60, 1500);
    for (std::size_t i = 0; i < kValues; ++i) {
      const int k = kind(random);
      v.push_back(k == 0 ? channel(random) : k == 1 ? rssi(random) : length(random));
    }
    return v;
  }();
  return values;
}

// Shares of a total, as the multipath points give them: mostly below 10, two decimals needed.
const std::vector<double>& Percentages() {
  static const std::vector<double> values = [] {
    std::mt19937 random(13);
    std::uniform_int_distribution<int> component(-40, 40);
    std::vector<double> v;
    while (v.size() < kValues) {
      std::uint32_t power[44], total = 0;
      for (auto& p : power) {
        const int i = component(random), q = component(random);
        p = static_cast<std::uint32_t>(i * i + q * q);
        total += p;
      }
      for (const std::uint32_t p : power) v.push_back(static_cast<double>(p) * 100 / total);
    }
    v.resize(kValues);
    return v;
  }();
  return values;
}

template <typename T, typename Put>
void WriteFields(benchmark::State& state, const std::vector<T>& values, Put put) {
  OutputFile out(',');
  if (!out.Create("/dev/null")) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  std::size_t i = 0;
  for (auto _ : state) {
    for (int f = 0; f < kFieldsPerLine; ++f) put(out, values[i++ & (kValues - 1)]);
    out.EndLine();
  }
  out.Close();
  state.SetItemsProcessed(state.iterations() * kFieldsPerLine);
}

void BM_IntegerField(benchmark::State& state) {
  WriteFields(state, Integers(), [](OutputFile& out, std::int64_t v) { out.IntegerField(v); });
}

void BM_Fixed2Field(benchmark::State& state) {
  WriteFields(state, Percentages(), [](OutputFile& out, double v) { out.Fixed2Field(v); });
}

// The same fields made by snprintf: the yardstick the fields above must beat.
void BM_IntegerSnprintf(benchmark::State& state) {
  WriteFields(state, Integers(), [](OutputFile& out, std::int64_t v) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
    out.PlainField({text, static_cast<std::size_t>(n)});
  });
}

void BM_Fixed2Snprintf(benchmark::State& state) {
  WriteFields(state, Percentages(), [](OutputFile& out, double v) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%.2f", v);
    out.PlainField({text, static_cast<std::size_t>(n)});
  });
}

// Text fields are scanned for characters that need quotes; most need none.
void BM_TextField(benchmark::State& state, std::string_view text) {
  WriteFields(state, std::vector<std::string_view>(kValues, text),
              [](OutputFile& out, std::string_view v) { out.Field(v); });
}

BENCHMARK(BM_IntegerField);
BENCHMARK(BM_IntegerSnprintf);
BENCHMARK(BM_Fixed2Field);
BENCHMARK(BM_Fixed2Snprintf);
BENCHMARK_CAPTURE(BM_TextField, plain, std::string_view("18.00000 N"));
BENCHMARK_CAPTURE(BM_TextField, quoted, std::string_view("Lab, 2nd floor"));

} // namespace
} // namespace veltrix::bench
