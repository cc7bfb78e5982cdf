#include "example_log.h"

#include <random>
#include <string>

namespace veltrix::tools {
namespace {

using testing::Bytes;
using testing::LogBuilder;
using testing::Mac;
using testing::Rtc;

class Generator {
public:
  explicit Generator(std::uint32_t seed) : random_(seed) {}

  int Between(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<std::uint32_t>(high - low + 1));
  }
  std::vector<std::int16_t> Samples(std::size_t count, int low, int high) {
    std::vector<std::int16_t> out(count);
    for (auto& s : out) s = static_cast<std::int16_t>(Between(low, high));
    return out;
  }
  Mac Station(int n) {
    return Mac{
        0x00, 0x0A, 0x1B, 0x2C, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
  }
  // One timestamp a second, from 12 July 2007 13:05:00.
  Rtc Next() {
    const int t = tick_++;
    return Rtc{12,
               7,
               7,
               static_cast<std::uint8_t>(13 + t / 3600 % 10),
               static_cast<std::uint8_t>(5 + t / 60 % 50),
               static_cast<std::uint8_t>(t % 60)};
  }
  std::string Marker() {
    // The marker number changes now and then; frames in between carry no marker block.
    if (tick_ % 7 != 0) return {};
    return std::to_string(++marker_);
  }
  testing::GpsFix Fix() {
    testing::GpsFix fix;
    fix.seconds = static_cast<std::uint8_t>(tick_ % 60);
    fix.latitude = 180000000 + Between(-5000, 5000);
    fix.longitude = -441000000 + Between(-5000, 5000);
    return fix;
  }

  void RoundG(LogBuilder& log) {
    const std::uint8_t channel = static_cast<std::uint8_t>(Between(1, 11));
    log.Frame(17, {channel}, Marker(), Next());
    log.Frame(25, testing::GpsBody(Fix()), Marker(), Next());
    for (int i = 0; i < 3; ++i)
      log.Frame(8, testing::SpectrumBody(Samples(147, -1600, -480)), Marker(), Next());
    log.Frame(7, testing::SpectrumBody(Samples(128, -1600, -480)), Marker(), Next());
    std::vector<testing::GSurveyStation> stations;
    for (int i = 0; i < 4; ++i)
      stations.push_back({Station(i), static_cast<std::int16_t>(Between(-95, -40))});
    const std::vector<testing::GSurveyAccessPoint> aps = {
        {0, "Office", channel, true},
        {2, "Lab, 2nd floor", static_cast<std::uint8_t>(channel % 11 + 1), false}};
    log.Frame(16,
              testing::GSurveyBody(stations, aps, {Station(0), Station(0), Station(2), Station(2)}),
              Marker(), Next());
    static const std::uint8_t rates[] = {2, 4, 11, 12, 18, 22, 24, 36, 48, 72, 96, 108};
    for (int i = 0; i < 3; ++i)
      log.Frame(
          19,
          testing::GSingleBody(Station(Between(0, 3)), static_cast<std::int16_t>(Between(-90, -30)),
                               rates[Between(0, 11)], static_cast<std::uint16_t>(Between(60, 1500)),
                               static_cast<std::uint8_t>(Between(0, 5) == 0)),
          Marker(), Next());
    std::array<std::uint32_t, 14> counts{};
    for (auto& c : counts) c = static_cast<std::uint32_t>(Between(0, 20000));
    log.Frame(21, testing::GUtilBody(counts), Marker(), Next());
  }

  testing::CaptureHeader Header(std::uint8_t valid) {
    testing::CaptureHeader h;
    h.rssi = static_cast<std::int8_t>(Between(-90, -30));
    for (auto& [i, q] : h.multipath) {
      i = static_cast<std::int8_t>(Between(-40, 40));
      q = static_cast<std::int8_t>(Between(-40, 40));
    }
    h.frameValid = valid;
    return h;
  }

  void RoundB(LogBuilder& log) {
    static const std::uint8_t rates[] = {10, 20, 55, 110};
    const std::uint8_t channel = static_cast<std::uint8_t>(Between(1, 11));
    log.Frame(4, {channel}, Marker(), Next());
    log.Frame(7, testing::GpsBody(Fix()), Marker(), Next());
    log.Frame(14, testing::SpectrumBody(Samples(273, -25600, -7680)), Marker(), Next());
    log.Frame(5, testing::BChannelSpectrumBody(channel, Samples(64, -25600, -7680)), Marker(),
              Next());
    const auto beacon = [&](int station, const char* ssid, bool wep) {
      return testing::BeaconFrame(
          rates[Between(0, 3)], Station(station), wep,
          {{0, testing::SsidElementContent(ssid)}, {1, {0x82, 0x84, 0x8b, 0x96}}, {3, {channel}}});
    };
    log.Frame(10, testing::CaptureBody(Header(1), beacon(1, "Office", true)), Marker(), Next());
    log.Frame(9, testing::CaptureBody(Header(1), beacon(2, "Lab, 2nd floor", false)), Marker(),
              Next());
    log.Frame(18, testing::CaptureBody(Header(1), beacon(1, "Office", true)), Marker(), Next());
    for (int i = 0; i < 2; ++i)
      log.Frame(6,
                testing::CaptureBody(
                    Header(1), testing::DataFrame(rates[Between(0, 3)], Station(Between(3, 6)))),
                Marker(), Next());
    log.Frame(11, {static_cast<std::uint8_t>(channel % 11 + 1)}, Marker(), Next());
    log.Frame(19,
              testing::BUtilBody({static_cast<std::uint32_t>(Between(0, 125000)),
                                  static_cast<std::uint32_t>(Between(0, 250000)),
                                  static_cast<std::uint32_t>(Between(0, 687500)),
                                  static_cast<std::uint32_t>(Between(0, 1375000))}),
              Marker(), Next());
  }

private:
  std::mt19937 random_;
  int tick_ = 0;
  int marker_ = 0;
};

} // namespace

testing::Bytes MakeExampleLog(LogVariant generation, std::size_t minBytes, std::uint32_t seed) {
  const bool b = generation == LogVariant::B;
  LogBuilder log(b ? "QXB " : "QXBG");
  Generator gen(seed);
  do {
    if (b) {
      gen.RoundB(log);
    } else {
      gen.RoundG(log);
    }
  } while (log.bytes().size() < minBytes);
  return log.bytes();
}

testing::Bytes MakeCaptureLog(std::uint32_t count, std::uint32_t distinct) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> rssi(-95, -30), rate(0, 3), path(-40, 40);
  constexpr std::uint8_t kRates[] = {10, 20, 55, 110};
  testing::CaptureHeader header;
  for (auto& [i, q] : header.multipath) {
    i = static_cast<std::int8_t>(path(random));
    q = static_cast<std::int8_t>(path(random));
  }
  LogBuilder log("QXB ");
  log.Frame(4, {6}); // the channel
  for (std::uint32_t n = 0; n < count; ++n) {
    const std::uint32_t id = n % distinct;
    const Mac mac = {0x02,
                     0x5E,
                     static_cast<std::uint8_t>(id >> 24),
                     static_cast<std::uint8_t>(id >> 16),
                     static_cast<std::uint8_t>(id >> 8),
                     static_cast<std::uint8_t>(id)};
    header.rssi = static_cast<std::int8_t>(rssi(random));
    log.Frame(n % 2 ? 6 : 18,
              testing::CaptureBody(header, testing::DataFrame(kRates[rate(random)], mac)));
  }
  return log.bytes();
}

} // namespace veltrix::tools
