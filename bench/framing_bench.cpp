// The reading side, whole logs at a time: framing alone, framing and decoding, and the whole
// engine writing to /dev/null, so each stage's share of a conversion shows. The logs sit in the
// page cache; bytes/s are input bytes.

#include <benchmark/benchmark.h>

#include <random>

#include "bench_support.h"
#include "convert/convert.h"
#include "decode/decoders.h"
#include "example_log.h"
#include "reader/log_reader.h"
#include "support/text_conversion.h"

namespace veltrix::bench {
namespace {

constexpr std::size_t kLogBytes = 8u << 20;

// Full-spectrum records with a GPS fix after every nine and a new marker now and then: the
// shape of the big 802.11g log the whole-process benchmark converts.
testing::Bytes SpectrumLog() {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> sample(-2000, 200);
  std::vector<testing::Bytes> bodies;
  for (int i = 0; i < 64; ++i) {
    std::vector<std::int16_t> samples(kGFullSpectrumSize);
    for (auto& s : samples) s = static_cast<std::int16_t>(sample(random));
    bodies.push_back(testing::SpectrumBody(samples));
  }
  const testing::Bytes gps = testing::GpsBody({});
  testing::LogBuilder log("QXBG");
  for (int n = 0; log.bytes().size() < kLogBytes; ++n) {
    const testing::Rtc rtc{
        12, 7, 7, 13, static_cast<std::uint8_t>(n / 60 % 60), static_cast<std::uint8_t>(n % 60)};
    const std::string marker = n % 500 == 0 ? std::to_string(n / 1000) : std::string();
    if (n % 10 == 9) {
      log.Frame(25, gps, marker, rtc);
    } else {
      log.Frame(8, bodies[static_cast<std::size_t>(n % 64)], marker, rtc);
    }
  }
  return log.bytes();
}

struct LogCase {
  std::string path;
  ConversionOptions options;
  LogVariant variant;
};

const LogCase& GSpectrum() {
  static const LogCase c = [] {
    ConversionOptions o = WithContext();
    o.fullSpectrum = true;
    return LogCase{ScratchFile(SpectrumLog()), o, LogVariant::G};
  }();
  return c;
}

const LogCase& GMixed() {
  static const LogCase c{ScratchFile(tools::MakeExampleLog(LogVariant::G, kLogBytes)), Everything(),
                         LogVariant::G};
  return c;
}

const LogCase& BMixed() {
  static const LogCase c{ScratchFile(tools::MakeExampleLog(LogVariant::B, kLogBytes)), Everything(),
                         LogVariant::B};
  return c;
}

using CaseFn = const LogCase& (*)();

void Finish(benchmark::State& state, const LogCase& c, std::int64_t records) {
  state.SetBytesProcessed(state.iterations() * FileSize(c.path));
  state.SetItemsProcessed(records);
}

void BM_ReadRecord(benchmark::State& state, CaseFn which) {
  const LogCase& c = which();
  std::int64_t frames = 0;
  for (auto _ : state) {
    LogReader reader;
    reader.SetInputPath(c.path);
    if (!reader.OpenLog()) {
      state.SkipWithError("cannot open the log");
      return;
    }
    while (reader.ReadRecord() != 0) ++frames;
    reader.CloseLog();
  }
  Finish(state, c, frames);
}

void BM_ReadAndDecode(benchmark::State& state, CaseFn which) {
  const LogCase& c = which();
  std::int64_t records = 0;
  for (auto _ : state) {
    LogReader reader;
    reader.SetInputPath(c.path);
    if (!reader.OpenLog()) {
      state.SkipWithError("cannot open the log");
      return;
    }
    RecordDecoder decoder(c.variant, c.options.Groups());
    while (reader.ReadRecord() != 0) {
      records += decoder.Decode(reader.Current()) == DecodeResult::RecordReady;
    }
    reader.CloseLog();
  }
  Finish(state, c, records);
}

void BM_ConvertToNull(benchmark::State& state, CaseFn which) {
  const LogCase& c = which();
  ConversionObserver quiet;
  std::int64_t lines = 0;
  for (auto _ : state) {
    const DelimitedTextOutput* text = nullptr;
    Convert conversion = testing::TextConversion(c.path, "/dev/null", c.options, quiet, &text);
    if (conversion.Execute().status != ConvertStatus::Completed) {
      state.SkipWithError("the conversion failed");
      return;
    }
    lines += text->LinesWritten();
  }
  Finish(state, c, lines);
}

BENCHMARK_CAPTURE(BM_ReadRecord, g_spectrum, &GSpectrum)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadRecord, g_mixed, &GMixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadRecord, b_mixed, &BMixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAndDecode, g_spectrum, &GSpectrum)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAndDecode, g_mixed, &GMixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadAndDecode, b_mixed, &BMixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToNull, g_spectrum, &GSpectrum)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToNull, g_mixed, &GMixed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertToNull, b_mixed, &BMixed)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace veltrix::bench
