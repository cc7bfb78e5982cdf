// DecodeB: 802.11b payloads, captured frames included, into the decoded record state, the
// station list and the GPS decoder.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/decoders.h"
#include "decode/payload_types.h"
#include "decode_harness.h"
#include "support/log_builder.h"
#include "text/mac_text.h"

namespace veltrix {
namespace decodetest {
namespace {

struct Harness : HarnessFor {
  explicit Harness(std::size_t capacity = StationList::kDefaultCapacity)
      : HarnessFor(LogVariant::B, capacity) {}
};

using testing::Bytes;
using testing::CaptureHeader;
using testing::Element;
using testing::Mac;

using namespace b_payload;
constexpr std::uint8_t kSpectrum = kSingleSpectrum, kMgmt = kManagementCapture,
                       kSurvey = kSurveyCapture, kFull = kFullSpectrum, kUtil = kUtilization;

// Captures add every station as an access point.
Node Ap(std::uint8_t n, std::string ssid, int signal, int channel, int wep = 0) {
  return {M(n), std::move(ssid), signal, channel, 1, wep};
}

// A capture header whose multipath points 0, 1, 2 and 43 are (3, -4), (-128, -128), (rssi, 0)
// and (127, -128).
CaptureHeader Hdr(std::int8_t rssi, std::uint8_t frameValid = 1) {
  CaptureHeader h;
  h.rssi = rssi;
  h.frameValid = frameValid;
  h.multipath[0] = {3, -4};
  h.multipath[1] = {-128, -128};
  h.multipath[2] = {rssi, 0};
  h.multipath[43] = {127, -128};
  return h;
}
Bytes Capture(const CaptureHeader& h, const Bytes& frame, int length = -1) {
  return testing::CaptureBody(h, frame, length);
}
Bytes Beacon(std::uint8_t n, const std::vector<Element>& elements, bool privacy = false,
             std::uint8_t rate = 20) {
  return testing::BeaconFrame(rate, M(n), privacy, elements);
}
Bytes Data(std::uint8_t n, std::uint8_t rate = 20) {
  return testing::DataFrame(rate, M(n));
}
Element Ssid(std::string_view s) {
  return {0, testing::SsidElementContent(s)};
}
Element Ds(std::uint8_t channel) {
  return {3, {channel}};
}
Bytes WithControl(Bytes frame, std::uint8_t frameControl) {
  frame[4] = frameControl;
  return frame;
}
Bytes Cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes Ramp(int count, int start, int step) {
  std::vector<std::int16_t> samples;
  for (int i = 0; i < count; ++i) samples.push_back(static_cast<std::int16_t>(start + i * step));
  return testing::SpectrumBody(samples);
}

std::string MacText(const std::array<std::uint8_t, 6>& mac) {
  char text[kMacTextSize];
  return std::string(FormatMac(mac.data(), text));
}

// Every value DecodeB may change, as bytes, to tell "nothing changed".
std::string Fingerprint(Harness& h) {
  const RecordState& s = h.state();
  std::string out;
  auto put = [&out](const auto& v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(s.Kind), put(s.CurrentChannel), put(s.BeaconChannel), put(s.BFullSpectrum);
  put(s.BChannelSpectrum.Channel), put(s.BChannelSpectrum.Values), put(s.MgmtCapture);
  put(s.DataCapture), put(s.BeaconFixed), put(s.MgmtFrame), put(s.DataFrame), put(s.SingleRssi);
  put(s.SingleRateCode), put(s.MultipathPower), put(s.MultipathTotal), put(s.BUtilization);
  put(s.SingleMac);
  out += s.BeaconSsid + '|';
  out += Observed(h.stations);
  out += std::string(h.gps.DateText()) + std::string(h.gps.LatitudeText());
  return out;
}

// Valid records of every kind, so that "nothing changed" is tested against real values.
std::vector<Record> Primer() {
  return {{kChannel4, {6}},
          {kSpectrum, testing::BChannelSpectrumBody(6, std::vector<std::int16_t>(64, -5000))},
          {kFull, Ramp(273, -9000, 31)},
          {kUtil, testing::BUtilBody({1, 2, 3, 4})},
          {kCapture18, Capture(Hdr(-50), Beacon(1, {Ssid("home"), Ds(6)}, true, 110))},
          {kCapture6, Capture(Hdr(-70), Data(2, 55))},
          {kGps, testing::GpsBody({})}};
}

TEST(DecodeBTest, IgnoredRecordsChangeNothing) {
  using CO = RecordGroups;
  struct Case {
    const char* name;
    bool CO::*untick;
    Record record;
    int channel = -1; // CurrentChannel to tune to first
  };
  auto cap = [](const Bytes& frame, int length = -1) { return Capture(Hdr(-33), frame, length); };
  const Bytes data = cap(Data(7));
  const Bytes beacon = cap(Beacon(7, {Ssid("new"), Ds(2)}));
  const Bytes spectrum = testing::BChannelSpectrumBody(3, std::vector<std::int16_t>(64, 77));
  const Bytes util = testing::BUtilBody({9, 9, 9, 9});
  const Bytes shortBeacon = Cut(Beacon(7, {}), 39);
  std::vector<Case> cases = {
      {"single spectrum not ticked", &CO::singleSpectrum, {kSpectrum, spectrum}},
      {"full spectrum not ticked", &CO::fullSpectrum, {kFull, Ramp(273, 1, 1)}},
      {"utilization not ticked", &CO::utilization, {kUtil, util}},
      {"type-6 data capture not ticked", &CO::single, {kCapture6, data}},
      {"type-18 beacon capture not ticked", &CO::single, {kCapture18, beacon}},
      {"survey capture not ticked", &CO::survey, {kSurvey, beacon}},
      {"single spectrum of 129 bytes", nullptr, {kSpectrum, Cut(spectrum, 129)}},
      {"full spectrum of 545 bytes", nullptr, {kFull, Cut(Ramp(273, 1, 1), 545)}},
      {"utilization of 15 bytes", nullptr, {kUtil, Cut(util, 15)}},
      {"utilization on channel 15", nullptr, {kUtil, util}, 15},
      {"utilization on channel 255", nullptr, {kUtil, util}, 255},
      {"type-4 channel without its byte", nullptr, {kChannel4, {}}},
      {"type-11 channel without its byte", nullptr, {kChannel11, {}}},
      {"L 0 in a type-6 capture", nullptr, {kCapture6, cap(Data(7), 0)}},
      {"4 frame bytes in a type-18 capture", nullptr, {kCapture18, cap(Cut(Data(7), 4))}},
      {"data frame of 19 bytes", nullptr, {kCapture6, cap(Cut(Data(7), 19))}},
      {"data frame: L past its 19 bytes", nullptr, {kCapture6, cap(Cut(Data(7), 19), 60)}},
      {"beacon of 39 bytes", nullptr, {kCapture18, cap(shortBeacon)}},
      {"control frame", nullptr, {kCapture6, cap(WithControl(Data(7), 0xB4))}},
      {"probe response", nullptr, {kCapture18, cap(WithControl(Beacon(7, {Ds(2)}), 0x50))}},
      {"frame type 3", nullptr, {kCapture6, cap(WithControl(Data(7), 0x0C))}},
      {"management capture of 39 frame bytes", nullptr, {kMgmt, cap(shortBeacon)}},
      {"survey capture: L past its 39 frame bytes", nullptr, {kSurvey, cap(shortBeacon, 100)}},
      {"data frame: L past the payload", nullptr, {kCapture6, cap(Data(7), 100)}},
      {"beacon: L past the payload", nullptr, {kCapture18, cap(Beacon(7, {Ssid("x")}), 300)}},
      {"management capture: L past the payload", nullptr, {kMgmt, cap(Beacon(7, {}), 41)}},
      {"survey capture: L past the payload", nullptr, {kSurvey, cap(Beacon(7, {}), 41)}},
      {"empty payload block", nullptr, {0, {}, true}},
  };
  for (const std::uint8_t type : {kCapture6, kMgmt, kSurvey, kCapture18})
    cases.push_back({"capture of 92 bytes", nullptr, {type, Cut(beacon, 92)}});
  for (const std::uint8_t type : {0, 8, 16, 17, 21, 25, 255})
    cases.push_back({"unknown type", nullptr, {type, beacon}});
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", type " + std::to_string(c.record.type));
    Harness h;
    h.Feed(Primer());
    if (c.channel >= 0) h.state().CurrentChannel = static_cast<std::uint8_t>(c.channel);
    const std::string before = Fingerprint(h);
    if (c.untick) h.groups.*c.untick = false;
    EXPECT_EQ(h.Feed({c.record}), std::vector<int>{0});
    EXPECT_TRUE(Fingerprint(h) == before) << "the decoded state changed";
  }
}

TEST(DecodeBTest, ChannelsSpectraAndUtilization) {
  Harness h;
  h.groups = {};
  EXPECT_EQ(h.Feed({{kChannel4, {11}}, {kChannel11, {3, 99}}}), (std::vector<int>{0, 0}));
  EXPECT_EQ(h.state().CurrentChannel, 3);
  EXPECT_EQ(h.state().Kind, RecordKind::None);

  h.groups = RecordGroups::All();
  std::vector<std::int16_t> values = {-32768, 32767, -1, 0, 256};
  values.resize(65, -2560); // one sample more than the layout
  Bytes spectrum = testing::BChannelSpectrumBody(9, values);
  spectrum[1] = 0x77; // not interpreted
  EXPECT_EQ(h.Feed({{kSpectrum, spectrum}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::SingleSpectrum);
  EXPECT_EQ(h.state().BChannelSpectrum.Channel, 9);
  EXPECT_TRUE(std::equal(h.state().BChannelSpectrum.Values.begin(),
                         h.state().BChannelSpectrum.Values.end(), values.begin()));
  EXPECT_EQ(h.state().CurrentChannel, 3);

  std::vector<std::int16_t> full;
  for (int i = 0; i < 274; ++i) full.push_back(static_cast<std::int16_t>(i * 239 - 32768));
  EXPECT_EQ(h.Feed({{kFull, testing::SpectrumBody(full)}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::FullSpectrum);
  EXPECT_TRUE(
      std::equal(h.state().BFullSpectrum.begin(), h.state().BFullSpectrum.end(), full.begin()));

  const std::array<std::uint32_t, 4> rates = {0xFFFFFFFF, 1, 0x80000000, 12345};
  for (const std::uint8_t channel : {0, 1, 14}) {
    SCOPED_TRACE(int(channel));
    for (auto& row : h.state().BUtilization) row.fill(7);
    EXPECT_EQ(h.Feed({{kChannel4, {channel}}, {kUtil, testing::BUtilBody(rates) + Bytes{1, 2}}}),
              (std::vector<int>{0, 1}));
    EXPECT_EQ(h.state().Kind, RecordKind::Utilization);
    for (int row = 0; row < 4; ++row)
      for (int column = 0; column < 15; ++column)
        EXPECT_EQ(h.state().BUtilization[row][column], column == channel ? rates[row] : 7u)
            << "row " << row << " column " << column;
  }
}

TEST(DecodeBTest, CapturesReportRateSignalAndMultipath) {
  const std::vector<std::pair<std::uint8_t, int>> rates = {{10, 2}, {20, 4}, {55, 11}, {110, 22},
                                                           {0, 0},  {11, 0}, {100, 0}, {255, 0}};
  const Mac mac = {0x0A, 0xBC, 0x00, 0xDE, 0xF1, 0x23};
  Harness h;
  for (const auto& [rate, code] : rates) {
    for (const bool beacon : {false, true}) {
      for (const std::uint8_t type : {kCapture6, kCapture18}) {
        SCOPED_TRACE(std::to_string(rate) + (beacon ? " beacon" : " data") + std::to_string(type));
        h.state().SingleRateCode = 99, h.state().SingleRssi = 0, h.state().MultipathTotal = 0;
        const Bytes frame =
            beacon ? testing::BeaconFrame(rate, mac, false, {}) : testing::DataFrame(rate, mac);
        EXPECT_EQ(h.Feed({{type, Capture(Hdr(-90), frame)}}), std::vector<int>{1});
        EXPECT_EQ(h.state().Kind, RecordKind::Single);
        EXPECT_EQ(h.state().SingleRateCode, code);
        EXPECT_EQ(h.state().SingleRssi, -90);
        EXPECT_EQ(MacText(h.state().SingleMac), "0A-BC-00-DE-F1-23");
        std::array<std::uint32_t, 44> power{};
        power[0] = 25, power[1] = 32768, power[2] = 8100, power[43] = 32513;
        EXPECT_EQ(h.state().MultipathPower, power);
        EXPECT_EQ(h.state().MultipathTotal, 25u + 32768 + 8100 + 32513);
      }
    }
  }
}

TEST(DecodeBTest, FrameTypeAndSubtypeChooseTheDecode) {
  const std::vector<std::pair<std::uint8_t, bool>> cases = {
      // frame control byte, is data
      {0x08, true}, {0x88, true},  {0x48, true},  {0xC8, true},
      {0x0B, true}, {0x80, false}, {0x82, false}, {0x83, false}};
  for (const auto& [control, isData] : cases) {
    SCOPED_TRACE(int(control));
    Harness h;
    const Bytes frame = WithControl(isData ? Data(6) : Beacon(6, {Ds(5)}), control);
    EXPECT_EQ(h.Feed({{kCapture6, Capture(Hdr(-40), frame)}}), std::vector<int>{1});
    EXPECT_EQ(h.state().Kind, RecordKind::Single);
    EXPECT_EQ(h.state().DataCapture[1] == 0xD8, isData);
    EXPECT_EQ(h.state().MgmtCapture[1] == 0xD8, !isData);
    EXPECT_EQ(MacText(h.state().SingleMac), "00-0C-41-9A-00-06");
    EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(6, "", -40, isData ? 0 : 5)}));
  }
}

TEST(DecodeBTest, CapturesAddAndUpdateStations) {
  Harness h;
  EXPECT_EQ(h.Feed({{kMgmt, Capture(Hdr(-50), Beacon(1, {Ssid("net"), Ds(11)}, true))},
                    {kMgmt, Capture(Hdr(-90), Beacon(5, {Ds(4)}))},
                    {kCapture6, Capture(Hdr(-70), Data(2))},
                    {kCapture18, Capture(Hdr(-20), Data(1))}, // known: updated in place
                    {kCapture6, Capture(Hdr(-30), Data(3))},
                    {kCapture6, Capture(Hdr(-10, 0), Data(4))}}), // FrameValid 0: not added
            (std::vector<int>{0, 0, 1, 1, 1, 1}));
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(5, "", -90, 4), Ap(2, "", -70, 4),
                                                  Ap(3, "", -30, 4), Ap(1, "net", -20, 4, 1)}));
  const RecordState& s = h.state();
  EXPECT_EQ(MacText(s.SingleMac), "00-0C-41-9A-00-04");
  EXPECT_EQ(s.SingleRssi, -10);
  EXPECT_EQ(s.DataCapture[1], 0xF6);
  EXPECT_EQ(s.DataCapture[90], 0);
  EXPECT_EQ(s.DataFrame[19], 4);
  EXPECT_EQ(s.MgmtCapture[1], 0xA6);
  EXPECT_EQ(s.MgmtFrame[19], 5);
  EXPECT_EQ(s.BeaconFixed, (std::array<std::uint8_t, 12>{1, 2, 3, 4, 5, 6, 7, 8, 100, 0, 1, 0}));

  // A beacon from a known station with FrameValid 0 still updates it; its elements are not read.
  EXPECT_EQ(h.Feed({{kCapture18, Capture(Hdr(-15, 0), Beacon(1, {Ssid("x"), Ds(9)}, false))}}),
            std::vector<int>{1});
  EXPECT_EQ(Found(h.stations, M(1)), Ap(1, "", -15, 4, 0));
  EXPECT_EQ(s.BeaconSsid, "");
  EXPECT_EQ(s.BeaconChannel, 4);
}

TEST(DecodeBTest, ElementWalk) {
  struct Case {
    const char* name;
    Bytes frame;
    std::string ssid; // BeaconSsid afterwards (it was "old")
    int channel;      // BeaconChannel afterwards (it was 1)
    int length = -1;  // L, when not the frame's size
    std::uint8_t frameValid = 1;
    Bytes after = Bytes(256, 0xEE);
  };
  const std::string s40 = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  std::vector<Element> filler(7, Element{1, Bytes(255, 0x82)});
  auto fill = [&filler](int last) {
    std::vector<Element> e = filler;
    e.push_back({1, Bytes(static_cast<std::size_t>(last), 0x82)});
    e.push_back(Ds(9));
    return Beacon(1, e);
  };
  const std::vector<Element> skipped = {Ssid("abc"),       {1, {2, 4}}, {2, {1}}, {4, {}},
                                        {5, {0, 1, 0, 0}}, {6, {0, 0}}, {16, {}}, Ds(6)};
  std::vector<Case> cases = {
      {"SSID and DS Parameter Set", Beacon(1, {Ssid("abc"), Ds(6)}), "abc", 6},
      {"ids 1, 2, 4, 5, 6 and 16 are skipped", Beacon(1, skipped), "abc", 6},
      {"SSID longer than 32", Beacon(1, {Ssid(s40)}), s40.substr(0, 32), 1},
      {"SSID cut at a zero byte", Beacon(1, {Ssid(std::string_view("ab\0cd", 5))}), "ab", 1},
      {"a second SSID element replaces the first", Beacon(1, {Ssid("one"), Ssid("two")}), "two", 1},
      {"DS Parameter Set of length 0", Beacon(1, {{3, {}}, Ssid("x")}), "x", 1},
      {"DS content past the end", Beacon(1, {Ssid("abc")}) + Bytes{3, 1}, "abc", 1, -1, 1,
       Bytes(256, 9)},
      {"SSID content past the end", Beacon(1, {}) + Bytes{0, 10, 'w', 'x', 'y', 'z'}, "wxyz", 1, -1,
       1, Bytes(256, 'e')},
      {"L ends the elements before the payload does", Beacon(1, {Ssid("abc"), Ds(6)}), "abc", 1,
       45},
      {"a lone SSID id at the end empties the SSID", Beacon(1, {Ssid("abc")}) + Bytes{0}, "", 1},
      {"a lone DS id at the end changes nothing", Beacon(1, {Ds(6)}) + Bytes{3}, "", 6},
      {"no elements", Beacon(1, {}), "", 1},
      {"FrameValid 0: elements not read", Beacon(1, {Ssid("abc"), Ds(6)}), "", 1, -1, 0},
      {"DS at element byte 2044 is read", fill(243), "", 9},
      {"DS content at element byte 2047 is not", fill(244), "", 1},
      {"DS at element byte 2047 is not", fill(246), "", 1},
  };
  for (const std::uint8_t id : {7, 8, 15, 17, 221, 255})
    cases.push_back({"the walk stops", Beacon(1, {Ssid("abc"), {id, {1, 2}}, Ds(6)}), "abc", 1});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + std::string(" ") + std::to_string(c.frame.size()));
    Harness h;
    h.groups = {}; // management captures are decoded whatever is ticked
    h.state().BeaconSsid = "old";
    h.state().BeaconChannel = 1;
    h.state().MgmtFrame.fill('Q'); // what an earlier, longer frame left past this one's end
    EXPECT_EQ(h.Feed({{kMgmt, Capture(Hdr(-44, c.frameValid), c.frame, c.length), false, c.after}}),
              std::vector<int>{0});
    EXPECT_EQ(h.state().BeaconSsid, c.ssid);
    EXPECT_EQ(h.state().BeaconChannel, c.channel);
    EXPECT_EQ(h.state().Kind, RecordKind::None);
    EXPECT_TRUE(Lists(h.stations, c.frameValid ? std::vector<Node>{Ap(1, c.ssid, -44, c.channel)}
                                               : std::vector<Node>{}));
  }
}

// Every sink of a shared decoder is told of each sighting, in the order the sinks were added,
// while the frame is being decoded; the decoder then keeps its result and whether a fix came.
TEST(DecodeBTest, EverySinkIsToldOfEachSighting) {
  struct Sink final : SightingSink {
    Sink(std::vector<std::string>& told, std::string name, const RecordDecoder& decoder)
        : told(told), name(std::move(name)), decoder(decoder) {}
    void AccessPointSighted(const StationNode& node) override {
      told.push_back(name + " " + std::to_string(node.mac[5]) + " " + std::to_string(node.signal) +
                     (decoder.decoding ? " during" : " after"));
    }
    std::vector<std::string>& told;
    std::string name;
    const RecordDecoder& decoder;
  };
  Harness h;
  std::vector<std::string> told;
  Sink first(told, "first", h.decoder), second(told, "second", h.decoder);
  h.decoder.AddSightingSink(first);
  h.decoder.AddSightingSink(second);
  h.Feed({{kMgmt, Capture(Hdr(-50), Beacon(1, {Ssid("a"), Ds(6)}, true))},
          {kMgmt, Capture(Hdr(-40), Beacon(2, {Ssid("b"), Ds(1)}, false))}});
  EXPECT_EQ(told, (std::vector<std::string>{"first 1 -50 during", "second 1 -50 during",
                                            "first 2 -40 during", "second 2 -40 during"}));
  EXPECT_EQ(h.decoder.result, DecodeResult::NothingToWrite);
  EXPECT_FALSE(h.decoder.newFix);
  h.Feed({{kGps, testing::GpsBody({})}});
  EXPECT_TRUE(h.decoder.newFix);
  h.Feed({{kCapture6, Capture(Hdr(-70), Data(3))}});
  EXPECT_EQ(h.decoder.result, DecodeResult::RecordReady);
  EXPECT_FALSE(h.decoder.newFix);
  EXPECT_EQ(told.size(), 4u); // a data frame is no sighting
}

TEST(DecodeBTest, SurveyAndManagementCapturesWithoutAFrameUseThePreviousAddress) {
  Harness h;
  h.Feed({{kCapture6, Capture(Hdr(-70), Data(2))}});
  EXPECT_EQ(h.Feed({{kMgmt, Capture(Hdr(-50), Beacon(1, {Ssid("net"), Ds(6)}, true))},
                    {kMgmt, Capture(Hdr(-30), {}, 0)}}),
            (std::vector<int>{0, 0}));
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(2, "", -70, 0), Ap(1, "net", -30, 6, 1)}));
  EXPECT_EQ(MacText(h.state().SingleMac), "00-0C-41-9A-00-01");
  EXPECT_EQ(h.state().SingleRssi, -30);
  EXPECT_EQ(h.state().MgmtCapture[1], 0xE2);
  EXPECT_EQ(h.state().BeaconSsid, "net");

  // A survey capture clears the list first, then adds its frame's station.
  EXPECT_EQ(h.Feed({{kSurvey, Capture(Hdr(-35), {}, 0)}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::Survey);
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(1, "net", -35, 6, 1)}));
  EXPECT_EQ(h.Feed({{kSurvey, Capture(Hdr(-45), Beacon(9, {Ssid("s"), Ds(11)}))}}),
            std::vector<int>{1});
  EXPECT_TRUE(Lists(h.stations, std::vector<Node>{Ap(9, "s", -45, 11)}));
  EXPECT_EQ(h.Feed({{kSurvey, Capture(Hdr(-45, 0), Beacon(8, {Ssid("t")}))}}), std::vector<int>{1});
  EXPECT_EQ(h.state().Kind, RecordKind::Survey);
  EXPECT_EQ(h.stations.Count(), 0);
}

TEST(DecodeBTest, CaptureThatCannotAddItsStationStillTakesItsOwnValues) {
  // A list with room for one station, beside one with room for all: the captures' own values
  // (RSSI, rate, multipath, address) are the same in both; only the list differs.
  Harness full(1), roomy;
  const std::vector<Record> captures = {
      {kCapture18, Capture(Hdr(-50), Beacon(1, {Ssid("a"), Ds(3)}, false, 110))},
      {kCapture18, Capture(Hdr(-20), Beacon(2, {Ssid("b"), Ds(4)}, false, 10))},
      {kCapture6, Capture(Hdr(-25), Data(3, 20))},
      {kMgmt, Capture(Hdr(-26), Beacon(4, {}, false, 55))},
  };
  for (const Record& r : captures) {
    SCOPED_TRACE(static_cast<int>(r.type));
    EXPECT_EQ(full.Feed({r}), roomy.Feed({r}));
    EXPECT_EQ(MacText(full.state().SingleMac), MacText(roomy.state().SingleMac));
    EXPECT_EQ(full.state().SingleRssi, roomy.state().SingleRssi);
    EXPECT_EQ(full.state().SingleRateCode, roomy.state().SingleRateCode);
    EXPECT_EQ(full.state().MultipathPower, roomy.state().MultipathPower);
    EXPECT_EQ(full.state().MultipathTotal, roomy.state().MultipathTotal);
    EXPECT_TRUE(Lists(full.stations, std::vector<Node>{Ap(1, "a", -50, 3)}));
  }
  EXPECT_EQ(roomy.stations.Count(), 4);
  EXPECT_EQ(full.state().SingleRssi, -26);
  EXPECT_EQ(full.state().SingleRateCode, 11);
  EXPECT_EQ(full.Feed({{kSurvey, Capture(Hdr(-27), Beacon(5, {Ds(7)}, false, 55))}}),
            std::vector<int>{1});
  EXPECT_TRUE(Lists(full.stations, std::vector<Node>{Ap(5, "", -27, 7)}));
}

TEST(DecodeBTest, FramesAreCutToTheirBuffers) {
  Harness h;
  Bytes data = Data(1);
  for (std::size_t i = data.size(); i < 2400; ++i) data.push_back(static_cast<std::uint8_t>(i));
  Bytes beacon = Beacon(2, {Ssid("big")});
  beacon.resize(2400, 0xDD); // id 221 ends the walk
  EXPECT_EQ(h.Feed({{kCapture6, Capture(Hdr(-40), data)}, {kCapture18, Capture(Hdr(-41), beacon)}}),
            (std::vector<int>{1, 1}));
  EXPECT_EQ(h.state().DataFrame[2349], data[2349]);
  EXPECT_EQ(h.state().MgmtFrame[2343], 0xDD);
  EXPECT_EQ(h.state().BeaconSsid, "big");
}

} // namespace
} // namespace decodetest
} // namespace veltrix
