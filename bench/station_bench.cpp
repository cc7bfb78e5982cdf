// The station list at both of its scales: whole 802.11b logs of single-channel captures from a
// few or from very many transmitters converted to /dev/null (the list then fills to its capacity
// and every later capture misses it), and the small list an 802.11g survey rebuilds for every
// record. bytes/s are input bytes.

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <random>
#include <utility>

#include "bench_support.h"
#include "convert/convert.h"
#include "example_log.h"
#include "support/text_conversion.h"
#include "survey/station_list.h"

namespace veltrix::bench {
namespace {

const std::string& CaptureLogPath(std::uint32_t count, std::uint32_t distinct) {
  static std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> paths;
  auto [it, added] = paths.try_emplace({count, distinct});
  if (added) it->second = ScratchFile(tools::MakeCaptureLog(count, distinct));
  return it->second;
}

// Arguments: captures, distinct transmitters.
void BM_CapturesToNull(benchmark::State& state) {
  const std::string& path = CaptureLogPath(static_cast<std::uint32_t>(state.range(0)),
                                           static_cast<std::uint32_t>(state.range(1)));
  ConversionOptions options;
  options.single = true;
  ConversionObserver quiet;
  std::int64_t lines = 0;
  for (auto _ : state) {
    const DelimitedTextOutput* text = nullptr;
    Convert conversion = testing::TextConversion(path, "/dev/null", options, quiet, &text);
    if (conversion.Execute().status != ConvertStatus::Completed) {
      state.SkipWithError("the conversion failed");
      return;
    }
    lines += text->LinesWritten();
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
  state.SetItemsProcessed(lines);
}
BENCHMARK(BM_CapturesToNull)
    ->Args({300000, 50})
    ->Args({300000, 300000})
    ->Args({1000000, 50})
    ->Args({1000000, 1000000})
    ->Unit(benchmark::kMillisecond);

// One 802.11g survey's worth: the list cleared, then `stations` nodes inserted by signal.
void BM_SurveyRebuild(benchmark::State& state) {
  const auto stations = static_cast<std::size_t>(state.range(0));
  std::mt19937 random(5);
  std::uniform_int_distribution<int> signal(-100, -20);
  std::vector<StationNode> nodes(stations);
  for (std::size_t i = 0; i < stations; ++i) {
    nodes[i].mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, static_cast<std::uint8_t>(i)};
    nodes[i].signal = static_cast<std::int16_t>(signal(random));
    if (i % 3 == 0) nodes[i].ssid = "Office";
  }
  StationList list;
  for (auto _ : state) {
    list.Clear();
    for (const StationNode& n : nodes) {
      std::optional<StationNode> node = list.NewNode();
      if (!node) break;
      *node = n;
      list.InsertSorted(std::move(*node));
    }
    benchmark::DoNotOptimize(list.First());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stations));
}
BENCHMARK(BM_SurveyRebuild)->Arg(8)->Arg(80);

} // namespace
} // namespace veltrix::bench
