// DecodeG: 802.11g payloads into the decoded record state, the station list and the GPS decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/decoders.h"
#include "decode/payload_types.h"
#include "decode/rates.h"
#include "decode_harness.h"
#include "support/log_builder.h"

namespace veltrix {
namespace decodetest {
namespace {

struct Harness : HarnessFor {
  explicit Harness(std::size_t capacity = StationList::kDefaultCapacity)
      : HarnessFor(LogVariant::G, capacity) {}
};

using testing::Bytes;
using testing::GSurveyBody;
using testing::Mac;

constexpr std::uint8_t kSpectrum = g_payload::kSingleSpectrum, kFull = g_payload::kFullSpectrum,
                       kSurvey = g_payload::kSurvey, kChannel = g_payload::kChannel,
                       kSingle = g_payload::kSingle, kUtil = g_payload::kUtilization,
                       kGps = g_payload::kGps;

Node Ap(std::uint8_t n, std::string ssid, int signal, int channel, int wep = 0) {
  return {M(n), std::move(ssid), signal, channel, 1, wep};
}
Node Client(std::uint8_t n, int signal, int channel) {
  return {M(n), "", signal, channel, 0, 0};
}

// Every value DecodeG may change, as bytes, to tell "nothing changed".
std::string Fingerprint(Harness& h) {
  const RecordState& s = h.state();
  std::string out;
  auto put = [&out](const auto& v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(s.Kind), put(s.CurrentChannel), put(s.GFullSpectrum), put(s.GChannelSpectrum);
  put(s.GSingle.Mac), put(s.GSingle.Rssi), put(s.GSingle.RateCode);
  put(s.GSingle.PacketLength), put(s.GSingle.Bad), put(s.GUtilCounts), put(s.GUtilization);
  put(s.GStationCount), put(s.GAccessPointCount), put(s.GStationBssids), put(s.GBssidsPresent);
  for (const auto& e : s.GStations) put(e.Mac), put(e.Rssi);
  for (const auto& e : s.GAccessPoints)
    put(e.StationIndex), put(e.SsidLength), put(e.Ssid), put(e.Channel), put(e.Capability);
  out += Observed(h.stations);
  out += std::string(h.gps.DateText()) + std::string(h.gps.LatitudeText());
  return out;
}

Bytes Ramp(int count, int start, int step) {
  std::vector<std::int16_t> samples;
  for (int i = 0; i < count; ++i) samples.push_back(static_cast<std::int16_t>(start + i * step));
  return testing::SpectrumBody(samples);
}
Bytes Cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

const Bytes kTwoStationSurvey =
    GSurveyBody({{M(1), -60}, {M(2), -70}}, {{0, "net", 6, true}}, {M(1), M(1)});

// Valid records of every kind, so that "nothing changed" is tested against real values.
std::vector<Record> Primer() {
  testing::GpsFix fix;
  fix.month = 11;
  return {{kChannel, {6}},
          {kSpectrum, Ramp(128, -900, 7)},
          {kFull, Ramp(147, 300, -11)},
          {kSingle, testing::GSingleBody(M(9), -50, 22, 1500, 1)},
          {kUtil, testing::GUtilBody({125000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6750})},
          {kSurvey, kTwoStationSurvey},
          {kGps, testing::GpsBody(fix)}};
}

TEST(DecodeGTest, IgnoredRecordsChangeNothing) {
  using CO = RecordGroups;
  struct Case {
    const char* name;
    bool CO::*untick;
    Record record;
  };
  const Bytes oneApSurvey = GSurveyBody({{M(3), -40}}, {{0, "x", 6, false}});
  const Bytes single = testing::GSingleBody(M(4), -1, 2, 9, 0);
  const Bytes twoStations = GSurveyBody({{M(3), -40}, {M(4), -50}}, {});
  const std::vector<Case> cases = {
      {"single spectrum not ticked", &CO::singleSpectrum, {kSpectrum, Ramp(128, 1, 1)}},
      {"full spectrum not ticked", &CO::fullSpectrum, {kFull, Ramp(147, 1, 1)}},
      {"survey not ticked", &CO::survey, {kSurvey, oneApSurvey}},
      {"single data not ticked", &CO::single, {kSingle, single}},
      {"utilization not ticked", &CO::utilization, {kUtil, testing::GUtilBody({1, 2, 3})}},
      {"single spectrum of 255 bytes", nullptr, {kSpectrum, Cut(Ramp(128, 1, 1), 255)}},
      {"full spectrum of 293 bytes", nullptr, {kFull, Cut(Ramp(147, 1, 1), 293)}},
      {"single data of 11 bytes", nullptr, {kSingle, Cut(single, 11)}},
      {"utilization of 55 bytes", nullptr, {kUtil, Cut(testing::GUtilBody({1, 2, 3}), 55)}},
      {"channel without its byte", nullptr, {kChannel, {}}},
      {"survey one byte short of its access point", nullptr, {kSurvey, Cut(oneApSurvey, 46)}},
      {"survey short of its second station", nullptr, {kSurvey, Cut(twoStations, 10)}},
      {"survey without its access-point count", nullptr, {kSurvey, {0}}},
      {"survey with an empty body", nullptr, {kSurvey, {}}},
      {"type 9", nullptr, {9, Ramp(128, 1, 1)}},
      {"type 26", nullptr, {26, Ramp(147, 1, 1)}},
      {"type 0", nullptr, {0, {1, 2, 3}}},
      {"type 255", nullptr, {255, {4}}},
      {"empty payload block", nullptr, {0, {}, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.Feed(Primer());
    const std::string before = Fingerprint(h);
    if (c.untick) h.groups.*c.untick = false;
    EXPECT_EQ(h.Feed({c.record}), std::vector<int>{0});
    EXPECT_TRUE(Fingerprint(h) == before) << "the decoded state changed";
  }
}

TEST(DecodeGTest, SpectraAndSingleDataFillTheirFields) {
  Harness h;
  // Bodies longer than their layouts: the extra bytes are not used.
  std::vector<std::int16_t> channel = {-32768, 32767, -1, 0, 16};
  channel.resize(130, -400);
  channel[127] = 1234;
  std::vector<std::int16_t> full(148, 0);
  for (int i = 0; i < 148; ++i) full[i] = static_cast<std::int16_t>(i * 223 - 16000);
  const Mac mac = {0x00, 0x0C, 0xF1, 0x8A, 0xFF, 0x01};
  Bytes single = testing::GSingleBody(mac, -85, 108, 0xABCD, 7);
  single.push_back(0x33);

  EXPECT_EQ(h.Feed({{kSpectrum, testing::SpectrumBody(channel)}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::SingleSpectrum);
  EXPECT_TRUE(std::equal(h.state().GChannelSpectrum.begin(), h.state().GChannelSpectrum.end(),
                         channel.begin()));

  EXPECT_EQ(h.Feed({{kFull, testing::SpectrumBody(full)}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::FullSpectrum);
  EXPECT_TRUE(
      std::equal(h.state().GFullSpectrum.begin(), h.state().GFullSpectrum.end(), full.begin()));

  EXPECT_EQ(h.Feed({{kSingle, single}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::Single);
  const GSingleData& g = h.state().GSingle;
  EXPECT_EQ(g.Mac, mac);
  EXPECT_EQ(g.Rssi, -85);
  EXPECT_EQ(g.RateCode, 108);
  EXPECT_EQ(g.PacketLength, 0xABCD);
  EXPECT_EQ(g.Bad, 7);
}

TEST(DecodeGTest, ChannelAndGpsRecordsAreDecodedWithNothingTicked) {
  Harness h;
  h.groups = {};
  EXPECT_EQ(h.Feed({{kChannel, {200, 3}}}), std::vector<int>{0});
  EXPECT_EQ(h.state().CurrentChannel, 200);
  EXPECT_EQ(h.state().Kind, RecordKind::None);

  testing::GpsFix fix;
  fix.latitude = -123456789;
  const Bytes full = testing::GpsBody(fix);
  Bytes longer = full;
  longer.resize(200, 0x7F);
  const std::vector<Bytes> bodies = {full, longer, Cut(full, 37), Cut(full, 9), {}};
  for (const Bytes& body : bodies) {
    SCOPED_TRACE(body.size());
    testing::GpsFix other;
    other.month = 12, other.latitude = 5;
    h.Feed({{kGps, testing::GpsBody(other)}});
    GpsDecoder expected;
    expected.Decode(testing::GpsBody(other));
    expected.Decode(body); // a cut block is ignored: the previous fix stays
    EXPECT_EQ(h.Feed({{kGps, body}}), std::vector<int>{0});
    EXPECT_EQ(h.gps.DateText(), expected.DateText());
    EXPECT_EQ(h.gps.TimeText(), expected.TimeText());
    EXPECT_EQ(h.gps.Latitude, expected.Latitude);
    EXPECT_EQ(h.gps.Longitude, expected.Longitude);
    EXPECT_EQ(h.state().Kind, RecordKind::None);
  }
}

TEST(DecodeGTest, UtilizationSumsEveryRateIntoTheCurrentChannelsSlotOnly) {
  using Counts = std::array<std::uint32_t, 14>;
  struct Case {
    const char* name;
    std::uint8_t channel;
    Counts counts;
    double percent;
  };
  const std::vector<Case> cases = {
      {"all of 1 Mb/s on channel 6", 6, {125000}, 100.0},
      {"1 and 54 Mb/s add past 100", 6, {125000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6750000}, 200},
      {"half of 1 Mb/s on channel 1", 1, {62500}, 50.0},
      {"one byte at 1 Mb/s on channel 14", 14, {1}, 1.0 / 125000 * 100},
      {"twice 5.5 Mb/s", 2, {0, 0, 1375000}, 200.0},
      {"every rate full", 9, RateBytesPerSecond, 1400.0},
      {"a count above 2^31 is unsigned", 11, {0x80000000u}, 1717986.9184},
      // Channels without a slot: nothing is stored and the record is not reported.
      {"channel 0", 0, {125000, 7}, 0},
      {"channel 15", 15, {125000, 7}, 0},
      {"channel 255", 255, {125000, 7}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.state().GUtilization.fill(-1.0);
    const bool slot = c.channel >= 1 && c.channel <= 14;
    EXPECT_EQ(h.Feed({{kChannel, {c.channel}}, {kUtil, testing::GUtilBody(c.counts)}}),
              (std::vector<int>{0, slot ? 1 : 0}));
    EXPECT_EQ(h.state().Kind, slot ? RecordKind::Utilization : RecordKind::None);
    EXPECT_EQ(h.state().GUtilCounts, slot ? c.counts : Counts{});
    for (int slot = 0; slot < 14; ++slot)
      EXPECT_DOUBLE_EQ(h.state().GUtilization[slot], slot == c.channel - 1 ? c.percent : -1.0)
          << "slot " << slot;
  }
}

TEST(DecodeGTest, SurveyFillsItsTablesAndRebuildsTheStationList) {
  Harness h;
  // On channel 6: an access point on 6, one on 11, and clients that belong to the one on 11
  // (listed before and after it) or to nobody known.
  const Bytes body =
      GSurveyBody({{M(1), -70}, {M(2), -40}, {M(3), -55}, {M(4), -70}, {M(5), -70}},
                  {{1, "alpha", 6, true}, {2, "beta", 11, false}}, {M(3), M(2), M(3), M(3), M(9)});
  EXPECT_EQ(h.Feed({{kChannel, {6}}, {kSurvey, kTwoStationSurvey}, {kSurvey, body}}),
            (std::vector<int>{0, 1, 1}));
  EXPECT_EQ(h.state().Kind, RecordKind::Survey);
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(3, "beta", -100, 11), Client(1, -70, 11),
                                                  Client(4, -70, 11), Client(5, -70, 6),
                                                  Ap(2, "alpha", -40, 6, 1)}));
  const RecordState& s = h.state();
  EXPECT_EQ(s.GStationCount, 5);
  EXPECT_EQ(s.GAccessPointCount, 2);
  EXPECT_EQ(s.GStations[3].Mac, M(4));
  EXPECT_EQ(s.GStations[3].Rssi, -70);
  EXPECT_EQ(s.GAccessPoints[1].StationIndex, 2);
  EXPECT_EQ(s.GAccessPoints[1].SsidLength, 4);
  EXPECT_EQ(s.GAccessPoints[1].Channel, 11);
  EXPECT_EQ(s.GAccessPoints[0].Capability, 0x0011);
  EXPECT_TRUE(s.GBssidsPresent);
  EXPECT_EQ(s.GStationBssids[4], M(9));

  // The next survey replaces the list; without BSSIDs clients take the current channel.
  EXPECT_EQ(h.Feed({{kSurvey, GSurveyBody({{M(2), -80}, {M(7), -50}}, {{0, "a", 11, false}})}}),
            std::vector<int>{1});
  EXPECT_FALSE(h.state().GBssidsPresent);
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(2, "a", -100, 11), Client(7, -50, 6)}));

  // An empty survey empties the list and reports nothing.
  EXPECT_EQ(h.Feed({{kSurvey, GSurveyBody({}, {})}}), std::vector<int>{0});
  EXPECT_EQ(h.state().Kind, RecordKind::Survey);
  EXPECT_EQ(h.stations.Count(), 0);
}

TEST(DecodeGTest, SurveyNodeFields) {
  using testing::GSurveyAccessPoint;
  using testing::GSurveyStation;
  struct Case {
    const char* name;
    std::vector<GSurveyStation> stations;
    std::vector<GSurveyAccessPoint> aps;
    std::vector<Mac> bssids;
    std::vector<Node> nodes; // heard on channel 3
  };
  const std::vector<Case> cases = {
      {"a later entry for the same station wins",
       {{M(1), -40}},
       {{0, "first", 3, true}, {0, "second", 9, false}},
       {},
       {Ap(1, "second", -100, 9)}},
      {"equal signals keep station order",
       {{M(3), -60}, {M(1), -60}, {M(2), -60}, {M(4), -61}},
       {},
       {},
       {Client(4, -61, 3), Client(3, -60, 3), Client(1, -60, 3), Client(2, -60, 3)}},
      {"a BSSID naming a client finds no access point",
       {{M(1), -60}, {M(2), -50}},
       {},
       {M(2), M(1)},
       {Client(1, -60, 3), Client(2, -50, 3)}},
      {"two access points share a MAC: the lower station index wins",
       {{M(5), -40}, {M(5), -40}, {M(1), -60}},
       {{0, "a", 3, false}, {1, "b", 9, false}},
       {M(5), M(5), M(5)},
       {Ap(5, "b", -100, 9), Client(1, -60, 3), Ap(5, "a", -40, 3)}},
      {"a client sharing the access point's MAC is not its access point",
       {{M(5), -80}, {M(5), -50}, {M(1), -60}},
       {{1, "b", 9, false}},
       {M(8), M(5), M(5)},
       {Ap(5, "b", -100, 9), Client(5, -80, 3), Client(1, -60, 9)}},
      {"an access point named past the stations is dropped",
       {{M(1), -40}, {M(2), -50}},
       {{2, "x", 9, false}, {1, "y", 3, false}},
       {},
       {Ap(2, "y", -50, 3), Client(1, -40, 3)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    EXPECT_EQ(h.Feed({{kChannel, {3}}, {kSurvey, GSurveyBody(c.stations, c.aps, c.bssids)}}),
              (std::vector<int>{0, 1}));
    EXPECT_TRUE(Lists(h.stations, c.nodes));
  }
}

TEST(DecodeGTest, AccessPointSsidAndPrivacy) {
  const std::string s32 = "abcdefghijklmnopqrstuvwxyz012345";
  struct Case {
    std::string text;
    int length;                             // stored SSID length; -1 for the text's own
    std::array<std::uint8_t, 2> capability; // privacy is bit 4 of the first byte
    std::string ssid;
    int wep;
  };
  const std::vector<Case> cases = {{s32, -1, {0x10, 0x00}, s32.substr(0, 31), 1},
                                   {s32, 200, {0x11, 0x00}, s32.substr(0, 31), 1},
                                   {{"ab\0cd", 5}, -1, {0xEF, 0xFF}, "ab", 0},
                                   {"abcdef", 3, {0x00, 0x10}, "abc", 0},
                                   {"abc", 0, {0xFF, 0xFF}, "", 1},
                                   {"caf\xE9", -1, {0x01, 0x00}, "caf\xE9", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ssid);
    Harness h;
    Bytes body = GSurveyBody({{M(1), -40}}, {{0, c.text, 1, false, c.length}});
    body[2 + 8 + 35] = c.capability[0], body[2 + 8 + 36] = c.capability[1];
    EXPECT_EQ(h.Feed({{kSurvey, body}}), std::vector<int>{1});
    EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(1, c.ssid, -40, 1, c.wep)}));
  }
}

// Stations M(0), M(1), ... with signals -1, -2, ...; `aps` name (station index, channel).
Bytes BigSurvey(int stations, const std::vector<std::pair<int, int>>& aps, const Mac* bssid) {
  std::vector<testing::GSurveyStation> s;
  for (int i = 0; i < stations; ++i)
    s.push_back({M(static_cast<std::uint8_t>(i)), static_cast<std::int16_t>(-1 - i)});
  std::vector<testing::GSurveyAccessPoint> a;
  for (const auto& [index, channel] : aps)
    a.push_back(
        {static_cast<std::uint8_t>(index), "ap", static_cast<std::uint8_t>(channel), false});
  return GSurveyBody(s, a, bssid ? std::vector<Mac>(stations, *bssid) : std::vector<Mac>{});
}

const StationNode* Find(StationList& list, std::uint8_t n) {
  const Mac mac = M(n);
  return list.FindByMac(mac.data());
}

TEST(DecodeGTest, SurveyLargerThanItsTables) {
  {
    SCOPED_TRACE("81 stations: the 81st is dropped, the access points still read");
    Harness h;
    EXPECT_EQ(h.Feed({{kSurvey, BigSurvey(81, {{5, 1}, {79, 1}}, nullptr)}}), std::vector<int>{1});
    EXPECT_EQ(h.stations.Count(), 80);
    EXPECT_EQ(Find(h.stations, 80), nullptr);
    ASSERT_NE(Find(h.stations, 5), nullptr);
    EXPECT_EQ(Find(h.stations, 5)->ssid, "ap");
    EXPECT_EQ(Find(h.stations, 79)->isAp, 0); // station index 79 is past the 64-slot map
  }
  {
    SCOPED_TRACE("65 access points: the 65th is dropped");
    std::vector<std::pair<int, int>> aps;
    for (int i = 0; i <= 64; ++i) aps.push_back({i, 1});
    Harness h;
    EXPECT_EQ(h.Feed({{kSurvey, BigSurvey(66, aps, nullptr)}}), std::vector<int>{1});
    EXPECT_EQ(h.stations.Count(), 66);
    EXPECT_EQ(Find(h.stations, 63)->isAp, 1);
    EXPECT_EQ(Find(h.stations, 64)->isAp, 0);
  }
  {
    SCOPED_TRACE("BSSIDs are kept for the first 64 stations");
    const Mac ap = M(0);
    Harness h;
    h.state().CurrentChannel = 1;
    EXPECT_EQ(h.Feed({{kSurvey, BigSurvey(70, {{0, 9}, {64, 9}}, &ap)}}), std::vector<int>{1});
    EXPECT_TRUE(h.state().GBssidsPresent);
    EXPECT_EQ(Find(h.stations, 63)->channel, 9);
    EXPECT_EQ(Find(h.stations, 64)->isAp, 0);
    EXPECT_EQ(Find(h.stations, 64)->channel, 1);
    EXPECT_EQ(Find(h.stations, 69)->channel, 1);
  }
  {
    SCOPED_TRACE("a BSSID section one byte short is not there");
    const Mac ap = M(0);
    Harness h;
    h.state().CurrentChannel = 1;
    const Bytes whole = BigSurvey(3, {{0, 9}}, &ap);
    EXPECT_EQ(whole.size(), 2u + 14 * 3 + 37);
    EXPECT_EQ(h.Feed({{kSurvey, Cut(whole, whole.size() - 1)}}), std::vector<int>{1});
    EXPECT_FALSE(h.state().GBssidsPresent);
    EXPECT_EQ(Find(h.stations, 2)->channel, 1);
    EXPECT_EQ(h.Feed({{kSurvey, whole}}), std::vector<int>{1});
    EXPECT_TRUE(h.state().GBssidsPresent);
    EXPECT_EQ(Find(h.stations, 2)->channel, 9);
  }
  {
    SCOPED_TRACE("the station list cannot take every station");
    Harness h(1);
    h.Feed({{kSurvey, BigSurvey(3, {}, nullptr)}});
    EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Client(0, -1, 1)}));
  }
}

} // namespace
} // namespace decodetest
} // namespace veltrix
