// One record at a time: its payload decoded and its line written, for every record kind of both
// generations, with all seven context fields ticked (one case without them, to show their share).
// Lines go to /dev/null through the conversion's buffered writer; bytes/s are output bytes.

#include <benchmark/benchmark.h>

#include <functional>
#include <random>

#include "bench_support.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "convert/record_lines.h"

namespace veltrix::bench {
namespace {

using testing::Bytes;
using testing::LogBuilder;
using testing::Mac;

std::vector<std::int16_t> Samples(std::size_t count, int low, int high) {
  std::mt19937 random(static_cast<std::uint32_t>(count));
  std::uniform_int_distribution<int> value(low, high);
  std::vector<std::int16_t> out(count);
  for (auto& s : out) s = static_cast<std::int16_t>(value(random));
  return out;
}

Mac Station(int n) {
  return {0x00, 0x0A, 0x1B, 0x2C, 0x3D, static_cast<std::uint8_t>(n)};
}

testing::CaptureHeader Header() {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> value(-40, 40);
  testing::CaptureHeader h;
  h.rssi = -61;
  for (auto& [i, q] : h.multipath) {
    i = static_cast<std::int8_t>(value(random));
    q = static_cast<std::int8_t>(value(random));
  }
  return h;
}

// A log that ends with the record to write, after a GPS fix (with a marker) and the channel.
LogBuilder GLog() {
  LogBuilder log("QXBG");
  log.Frame(25, testing::GpsBody({}), "17");
  log.Frame(17, {6});
  return log;
}

LogBuilder BLog() {
  LogBuilder log("QXB ");
  log.Frame(7, testing::GpsBody({}), "17");
  log.Frame(4, {6});
  return log;
}

Bytes GSurvey() {
  std::vector<testing::GSurveyStation> stations;
  for (int i = 0; i < 8; ++i) stations.push_back({Station(i), static_cast<std::int16_t>(-90 + i)});
  const std::vector<testing::GSurveyAccessPoint> aps = {
      {0, "Office", 6, true}, {2, "Lab, 2nd floor", 11, false}, {5, "Guest", 1, false}};
  std::vector<Mac> bssids;
  for (int i = 0; i < 8; ++i) bssids.push_back(Station(i < 4 ? 0 : 2));
  return testing::GSurveyBody(stations, aps, bssids);
}

Bytes BBeacon() {
  return testing::CaptureBody(
      Header(),
      testing::BeaconFrame(
          110, Station(1), true,
          {{0, testing::SsidElementContent("Office")}, {1, {0x82, 0x84, 0x8b, 0x96}}, {3, {6}}}));
}

struct LineCase {
  const char* name;
  LogVariant variant;
  std::function<LogBuilder()> log;
  bool ConversionOptions::*group;
  bool context = true;
};

const LineCase kCases[] = {
    {"g_full_spectrum", LogVariant::G,
     [] { return GLog().Frame(8, testing::SpectrumBody(Samples(147, -1600, -480))); },
     &ConversionOptions::fullSpectrum},
    {"g_full_spectrum_no_context", LogVariant::G,
     [] { return GLog().Frame(8, testing::SpectrumBody(Samples(147, -1600, -480))); },
     &ConversionOptions::fullSpectrum, false},
    {"g_single_spectrum", LogVariant::G,
     [] { return GLog().Frame(7, testing::SpectrumBody(Samples(128, -1600, -480))); },
     &ConversionOptions::singleSpectrum},
    {"g_survey", LogVariant::G, [] { return GLog().Frame(16, GSurvey()); },
     &ConversionOptions::survey},
    {"g_single", LogVariant::G,
     [] { return GLog().Frame(19, testing::GSingleBody(Station(3), -61, 108, 1500, 0)); },
     &ConversionOptions::single},
    {"g_util", LogVariant::G,
     [] {
       std::array<std::uint32_t, 14> counts{};
       for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = 1234 + 997 * i;
       return GLog().Frame(21, testing::GUtilBody(counts));
     },
     &ConversionOptions::utilization},
    {"b_full_spectrum", LogVariant::B,
     [] { return BLog().Frame(14, testing::SpectrumBody(Samples(273, -25600, -7680))); },
     &ConversionOptions::fullSpectrum},
    {"b_single_spectrum", LogVariant::B,
     [] { return BLog().Frame(5, testing::BChannelSpectrumBody(6, Samples(64, -25600, -7680))); },
     &ConversionOptions::singleSpectrum},
    {"b_survey", LogVariant::B, [] { return BLog().Frame(10, BBeacon()); },
     &ConversionOptions::survey},
    {"b_single_multipath", LogVariant::B,
     [] {
       return BLog().Frame(6, testing::CaptureBody(Header(), testing::DataFrame(110, Station(4))));
     },
     &ConversionOptions::single},
    {"b_util", LogVariant::B,
     [] {
       return BLog().Frame(19, testing::BUtilBody({12500, 250000, 300000, 1000000}));
     },
     &ConversionOptions::utilization},
};

ConversionOptions Options(const LineCase& c) {
  ConversionOptions o = c.context ? WithContext() : ConversionOptions{};
  o.*c.group = true;
  return o;
}

// The objects of a conversion as the engine holds them when the log's last frame has just been
// framed: every frame decoded in order, the last one still delivered.
class LastRecord {
public:
  explicit LastRecord(const LineCase& c)
      : options_(Options(c)), path_(ScratchFile(c.log().bytes())),
        decoder_(c.variant, options_.Groups()) {
    reader_.SetInputPath(path_);
    if (!reader_.OpenLog()) return;
    const std::int64_t frameBytes =
        FileSize(path_) - static_cast<std::int64_t>(LogReader::kFileHeaderSize);
    std::int64_t read = 0;
    while (read < frameBytes) {
      const std::int64_t n = reader_.ReadRecord();
      if (n == 0) return;
      read += n;
      Decode();
    }
    ready_ = reader_.Current().PayloadDelivered;
  }

  bool Decode() { return decoder_.Decode(reader_.Current()) == DecodeResult::RecordReady; }
  bool Write(OutputFile& out) const {
    return WriteRecordLine(out, {reader_.Current(), decoder_, options_});
  }
  bool Ready() const { return ready_; }
  const std::string& Path() const { return path_; }
  char Delimiter() const { return options_.DelimiterChar(); }

private:
  ConversionOptions options_;
  std::string path_;
  LogReader reader_;
  RecordDecoder decoder_;
  bool ready_ = false;
};

void BM_RecordLine(benchmark::State& state, const LineCase& c) {
  LastRecord record(c);
  // One line to a file first: it must be there, and its length counts the bytes.
  const std::string probePath = record.Path() + ".out";
  {
    OutputFile probe(record.Delimiter());
    if (!record.Ready() || !probe.Create(probePath) || !record.Decode() || !record.Write(probe) ||
        !probe.Close()) {
      state.SkipWithError("the record writes no line");
      return;
    }
  }
  const std::int64_t lineBytes = FileSize(probePath);

  OutputFile out(record.Delimiter());
  if (!out.Create("/dev/null")) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(record.Decode());
    benchmark::DoNotOptimize(record.Write(out));
  }
  out.Close();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * lineBytes);
  state.counters["line_bytes"] = static_cast<double>(lineBytes);
}

const bool kRegistered = [] {
  for (const LineCase& c : kCases)
    benchmark::RegisterBenchmark((std::string("BM_RecordLine/") + c.name).c_str(), BM_RecordLine,
                                 c);
  return true;
}();

} // namespace
} // namespace veltrix::bench
