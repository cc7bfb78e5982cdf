#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "decode/rates.h"
#include "convert/record_lines.h"
#include "support/conversion_run.h"

namespace veltrix {
namespace {

using testing::BeaconFrame;
using testing::Bytes;
using testing::CaptureBody;
using testing::CaptureHeader;
using testing::Concat;
using testing::DataFrame;
using testing::Element;
using testing::GSurveyAccessPoint;
using testing::GSurveyStation;
using testing::Join;
using testing::LogBuilder;
using testing::Mac;
using testing::RecordLines;
using testing::Repeat;
using testing::Rtc;
using Fields = std::vector<std::string>;
using Lines = std::vector<std::string>;
using Flag = bool ConversionOptions::*;
using O = ConversionOptions;

const Mac kMacA = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
const Mac kMacB = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4F};
const Mac kMacC = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01};
const std::string kA = "00-0A-1B-2C-3D-4E";
const std::string kB = "00-0A-1B-2C-3D-4F";
const std::string kC = "DE-AD-BE-EF-00-01";

ConversionOptions Ticked(std::initializer_list<Flag> flags, int delimiterIndex = 0) {
  ConversionOptions o;
  for (const Flag f : flags) o.*f = true;
  o.delimiter = static_cast<Delimiter>(delimiterIndex);
  return o;
}

std::string Fixed2(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

// `head` followed by `fill` up to `size` entries.
template <typename T> std::vector<T> Padded(std::vector<T> head, std::size_t size, T fill) {
  head.resize(size, fill);
  return head;
}

struct LineCase {
  const char* name;
  LogBuilder log;
  ConversionOptions options;
  Lines lines;
};

void Check(const std::vector<LineCase>& cases) {
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RecordLines(c.log, c.options), c.lines);
  }
}

TEST(RecordLines, Spectra) {
  // Samples are whole dBm truncated toward zero: /16 in 802.11g logs, /256 in 802.11b logs.
  const std::vector<std::int16_t> g = {-1440, -17, -15, 15, 16, 17, -16, -31, -32768, 32767};
  const Fields gText = {"-90", "-1", "0", "0", "1", "1", "-1", "-1", "-2048", "2047"};
  const std::vector<std::int16_t> b = {-23040, -255, -256, -257, 255, 256, -511, -32768, 32767};
  const Fields bText = {"-90", "0", "-1", "-1", "0", "1", "-1", "-128", "127"};
  const auto gSamples = [&](std::size_t n) { return Padded<std::int16_t>(g, n, -1600); };
  const auto bSamples = [&](std::size_t n) { return Padded<std::int16_t>(b, n, -20480); };
  const auto gFields = [&](std::size_t n) { return Padded<std::string>(gText, n, "-100"); };
  const auto bFields = [&](std::size_t n) { return Padded<std::string>(bText, n, "-80"); };

  Check({
      {"g full spectrum",
       LogBuilder("QXBG").Frame(8, testing::SpectrumBody(gSamples(147))),
       Ticked({&O::fullSpectrum}),
       {Join(gFields(147))}},
      {"b full spectrum",
       LogBuilder("QXB ").Frame(14, testing::SpectrumBody(bSamples(273))),
       Ticked({&O::fullSpectrum}),
       {Join(bFields(273))}},
      {"g single spectrum takes channel 1 before any channel record, then the reported one",
       LogBuilder("QXBG")
           .Frame(7, testing::SpectrumBody(gSamples(128)))
           .Frame(17, {11})
           .Frame(7, testing::SpectrumBody(gSamples(128))),
       Ticked({&O::singleSpectrum}),
       {Join(Concat({{"1"}, gFields(128)})), Join(Concat({{"11"}, gFields(128)}))}},
      {"b single spectrum takes its own channel, not the last channel record",
       LogBuilder("QXB ")
           .Frame(4, {3})
           .Frame(5, testing::BChannelSpectrumBody(9, bSamples(64)))
           .Frame(11, {4})
           .Frame(5, testing::BChannelSpectrumBody(200, bSamples(64))),
       Ticked({&O::singleSpectrum}),
       {Join(Concat({{"9"}, bFields(64)})), Join(Concat({{"200"}, bFields(64)}))}},
      {"g full spectrum after an RTC date, semicolons",
       LogBuilder("QXA ").Frame(8, testing::SpectrumBody(gSamples(147))),
       Ticked({&O::rtcDate, &O::fullSpectrum}, 3),
       {Join(Concat({{"07/12/2007"}, gFields(147)}), ';')}},
  });
}

Bytes Survey(const std::vector<GSurveyStation>& stations,
             const std::vector<GSurveyAccessPoint>& aps, const std::vector<Mac>& bssids = {}) {
  return testing::GSurveyBody(stations, aps, bssids);
}

// An 802.11g log tuned to channel 6, then the given survey records.
LogBuilder GSurveys(std::initializer_list<Bytes> bodies) {
  LogBuilder log("QXBG");
  log.Frame(17, {6});
  for (const Bytes& body : bodies) log.Frame(16, body);
  return log;
}

TEST(RecordLines, GSurvey) {
  const ConversionOptions mac = Ticked({&O::survey});
  const ConversionOptions apOnly = Ticked({&O::survey, &O::accessPointsOnly});
  const GSurveyAccessPoint office = {0, "Office", 6, true};
  const Bytes apThenClient = Survey({{kMacA, -62}, {kMacB, -70}}, {office});
  // The client (station 0, signal -120) belongs to the access point at station 1, which is on
  // channel 11 while the instrument is on 6 (so the access point's signal reads -100).
  const std::vector<GSurveyStation> clientFirst = {{kMacB, -120}, {kMacA, -40}};
  const std::vector<GSurveyAccessPoint> apOn11 = {{1, "Far", 11, false}};

  Check({
      {"one line per record, for its weakest station; access points on other channels read -100",
       GSurveys({Survey({{kMacA, -62}}, {office}),
                 Survey({{kMacA, -50}, {kMacB, -100}, {kMacC, -70}}, {}),
                 Survey({{kMacC, -40}}, {{0, "Net", 11, false}}),
                 Survey({{kMacA, -62}}, {{0, std::string(32, 'S'), 6, false}})}),
       mac,
       {"6," + kA + ",Office,-62,Yes,AP", "6," + kB + ",,-100,No,STA",
        "11," + kC + ",Net,-100,No,AP", "6," + kA + "," + std::string(31, 'S') + ",-62,No,AP"}},
      {"client station first: empty SSID",
       GSurveys({apThenClient}),
       mac,
       {"6," + kB + ",,-70,No,STA"}},
      {"client station first, access points only: no line", GSurveys({apThenClient}), apOnly, {}},
      {"access point first, access points only",
       GSurveys({Survey({{kMacA, -80}}, {office})}),
       apOnly,
       {"6," + kA + ",Office,-80,Yes,AP"}},
      {"empty survey: no line", GSurveys({Survey({}, {})}), mac, {}},
      {"client takes its access point's channel from the BSSIDs, whatever the order",
       GSurveys({Survey(clientFirst, apOn11, {kMacA, kMacA})}),
       mac,
       {"11," + kB + ",,-120,No,STA"}},
      {"client without BSSIDs takes the current channel",
       GSurveys({Survey(clientFirst, apOn11)}),
       mac,
       {"6," + kB + ",,-120,No,STA"}},
      {"client whose BSSID is no access point takes the current channel",
       GSurveys({Survey({{kMacB, -120}, {kMacC, -30}}, {}, {kMacC, kMacC})}),
       mac,
       {"6," + kB + ",,-120,No,STA"}},
      {"two access points share the BSSID: the lower station index wins",
       GSurveys({Survey({{kMacB, -120}, {kMacA, -40}, {kMacA, -30}},
                        {{2, "Two", 3, false}, {1, "One", 11, false}}, {kMacA, kMacA, kMacA})}),
       mac,
       {"11," + kB + ",,-120,No,STA"}},
  });
}

TEST(RecordLines, SsidQuoting) {
  struct Case {
    std::string ssid;
    int delimiterIndex;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"Caf,e", 0, "6," + kA + ",\"Caf,e\",-62,No,AP"},
      {"Say \"hi\"", 0, "6," + kA + ",\"Say \"\"hi\"\"\",-62,No,AP"},
      {"a\nb", 0, "6," + kA + ",\"a\nb\",-62,No,AP"},
      {"a\rb", 0, "6," + kA + ",\"a\rb\",-62,No,AP"},
      {"Caf,e", 1, "6\t" + kA + "\tCaf,e\t-62\tNo\tAP"},
      {"My Net", 2, "6 " + kA + " \"My Net\" -62 No AP"},
      {"My Net", 3, "6;" + kA + ";My Net;-62;No;AP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const LogBuilder log = GSurveys({Survey({{kMacA, -62}}, {{0, c.ssid, 6, false}})});
    ConversionOptions o = Ticked({&O::survey}, c.delimiterIndex);
    o.header = false;
    EXPECT_EQ(testing::RunConversion(log, o).output, c.line + "\r\n");
  }
}

TEST(RecordLines, BSurvey) {
  const auto beacon = [](const Mac& mac, bool privacy, std::uint8_t frameValid, bool ds) {
    std::vector<Element> elements = {{0, testing::SsidElementContent("Office")}};
    if (ds) elements.push_back({3, {6}});
    CaptureHeader h;
    h.rssi = -62;
    h.frameValid = frameValid;
    return CaptureBody(h, BeaconFrame(10, mac, privacy, elements));
  };
  const ConversionOptions mac = Ticked({&O::survey});
  Check({
      {"beacon",
       LogBuilder("QXB ").Frame(10, beacon(kMacA, true, 1, true)),
       mac,
       {"6," + kA + ",Office,-62,Yes,AP"}},
      {"channel comes from the beacon, not the channel record",
       LogBuilder("QXB ").Frame(4, {9}).Frame(10, beacon(kMacC, false, 1, false)),
       mac,
       {"0," + kC + ",Office,-62,No,AP"}},
      {"a lone SSID id at the end of the elements empties the SSID",
       LogBuilder("QXB ").Frame(10,
                                [] {
                                  CaptureHeader h;
                                  h.rssi = -62;
                                  Bytes frame =
                                      BeaconFrame(10, kMacA, false,
                                                  {{0, testing::SsidElementContent("Office")}});
                                  frame.push_back(0);
                                  return CaptureBody(h, frame);
                                }()),
       mac,
       {"0," + kA + ",,-62,No,AP"}},
      {"a survey that added no station writes nothing",
       LogBuilder("QXB ")
           .Frame(10, beacon(kMacA, true, 1, true))
           .Frame(10, beacon(kMacB, true, 0, true)),
       mac,
       {"6," + kA + ",Office,-62,Yes,AP"}},
  });
}

TEST(RecordLines, GSingle) {
  using testing::GSingleBody;
  const ConversionOptions single = Ticked({&O::single});
  Check({
      {"good packet",
       LogBuilder("QXBG").Frame(19, GSingleBody(kMacA, -55, 108, 1500, 0)),
       single,
       {kA + ",-55,54 Mb/s,1500,good"}},
      {"bad packets and rate names",
       LogBuilder("QXBG")
           .Frame(19, GSingleBody(kMacC, -90, 11, 65535, 1))
           .Frame(19, GSingleBody(kMacB, -32768, 13, 0, 255))
           .Frame(19, GSingleBody(kMacB, 7, 2, 64, 0)),
       single,
       {kC + ",-90,5.5 Mb/s,65535,bad", kB + ",-32768,???,0,bad", kB + ",7,1 Mb/s,64,good"}},
      {"rate name quoted when space is the delimiter",
       LogBuilder("QXBG").Frame(19, GSingleBody(kMacA, -55, 12, 1500, 0)),
       Ticked({&O::single}, 2),
       {kA + " -55 \"6 Mb/s\" 1500 good"}},
  });
}

Bytes BCapture(const Bytes& frame, std::int8_t rssi,
               std::vector<std::pair<std::int8_t, std::int8_t>> multipath = {}) {
  CaptureHeader h;
  h.rssi = rssi;
  for (std::size_t i = 0; i < multipath.size(); ++i) h.multipath[i] = multipath[i];
  return CaptureBody(h, frame);
}

TEST(RecordLines, BSingle) {
  const ConversionOptions single = Ticked({&O::single});
  const Fields zeros = Repeat("0.00", 44);
  // Power shares of 1 and 2 out of 3; and exact binary ties (1/800 = 0.125, 13/800 = 1.625)
  // that printf rounds to even.
  const Fields thirds = Padded<std::string>({"33.33", "66.67"}, 44, "0.00");
  const Fields ties = Padded<std::string>({"0.12", "98.00", "1.62", "0.25"}, 44, "0.00");
  ASSERT_EQ(Fixed2(13.0 * 100 / 800), "1.62");

  Check({
      {"data frames at every rate",
       LogBuilder("QXB ")
           .Frame(6, BCapture(DataFrame(110, kMacA), -60))
           .Frame(18, BCapture(DataFrame(10, kMacB), -1))
           .Frame(6, BCapture(DataFrame(20, kMacC), 0))
           .Frame(6, BCapture(DataFrame(55, kMacA), -128))
           .Frame(6, BCapture(DataFrame(60, kMacA), 5)),
       single,
       {Join(Concat({{kA, "-60", "11"}, zeros})), Join(Concat({{kB, "-1", "1"}, zeros})),
        Join(Concat({{kC, "0", "2"}, zeros})), Join(Concat({{kA, "-128", "5.5"}, zeros})),
        Join(Concat({{kA, "5", ""}, zeros}))}},
      {"beacon capture",
       LogBuilder("QXB ").Frame(18, BCapture(BeaconFrame(20, kMacC, false, {}), -70)),
       single,
       {Join(Concat({{kC, "-70", "2"}, zeros}))}},
      {"multipath shares",
       LogBuilder("QXB ")
           .Frame(6, BCapture(DataFrame(110, kMacA), -60, {{1, 0}, {-1, 1}}))
           .Frame(6, BCapture(DataFrame(110, kMacA), -60, {{1, 0}, {28, 0}, {3, -2}, {1, 1}}))
           .Frame(6, BCapture(DataFrame(110, kMacA), -60, {{0, 0}, {-128, -128}})),
       single,
       {Join(Concat({{kA, "-60", "11"}, thirds})), Join(Concat({{kA, "-60", "11"}, ties})),
        Join(Concat({{kA, "-60", "11", "0.00", "100.00"}, Repeat("0.00", 42)}))}},
  });

  // A transmitter past the station list's capacity: its line still carries its own values.
  LogBuilder crowded("QXB ");
  for (std::uint32_t i = 0; i < StationList::kDefaultCapacity; ++i) {
    const Mac mac = {2,
                     0,
                     static_cast<std::uint8_t>(i >> 16),
                     static_cast<std::uint8_t>(i >> 8),
                     static_cast<std::uint8_t>(i),
                     0};
    crowded.Frame(6, BCapture(DataFrame(110, mac), -60));
  }
  crowded.Frame(6, BCapture(DataFrame(20, kMacC), -33, {{3, 4}}));
  const Lines lines = RecordLines(crowded, single);
  ASSERT_EQ(lines.size(), StationList::kDefaultCapacity + 1);
  EXPECT_EQ(lines.back(), Join(Concat({{kC, "-33", "2", "100.00"}, Repeat("0.00", 43)})));
}
TEST(RecordLines, Utilization) {
  const ConversionOptions util = Ticked({&O::utilization});

  // 802.11g: every channel's latest percentage, channel 1 first.
  std::array<std::uint32_t, 14> odd{};
  odd[2] = 229167; // 5.5 Mb/s
  odd[7] = 1;      // 18 Mb/s
  odd[13] = 4294967295u;
  double oddSum = 0;
  for (std::size_t i = 0; i < 14; ++i)
    oddSum += static_cast<double>(odd[i]) / static_cast<double>(RateBytesPerSecond[i]);
  std::array<std::uint32_t, 14> oneMb{}, twice{};
  oneMb[0] = twice[0] = 125000;
  twice[13] = 6750000;
  Fields first = Repeat("0.00", 14), second, third;
  first[5] = "100.00";
  second = first;
  second[10] = "200.00";
  third = second;
  third[0] = Fixed2(oddSum * 100);

  // 802.11b: n bytes at rate r take n * 8 * 100 / r percent of a second.
  const auto bShare = [](double n, double r) { return Fixed2(n * 8 * 100 / r); };

  Check({
      {"g",
       LogBuilder("QXBG")
           .Frame(17, {6})
           .Frame(21, testing::GUtilBody(oneMb))
           .Frame(17, {11})
           .Frame(21, testing::GUtilBody(twice))
           .Frame(17, {1})
           .Frame(21, testing::GUtilBody(odd)),
       util,
       {Join(first), Join(second), Join(third)}},
      {"b",
       LogBuilder("QXB ")
           .Frame(4, {6})
           .Frame(19, testing::BUtilBody({125000, 250000, 687500, 1375000}))
           .Frame(11, {11})
           .Frame(19, testing::BUtilBody({7, 625, 2291, 4294967295u})),
       util,
       {"6,100.00,100.00,100.00,100.00",
        Join({"11", "0.01", "0.25", bShare(2291, 5500000), "312361.26"})}},
  });
}

TEST(RecordLines, ContextPrefix) {
  using testing::GpsBody;
  using testing::GpsFix;
  using testing::GSingleBody;
  const Rtc rtc = {7, 12, 7, 13, 5, 9}; // 12/07/2007 13:05:09
  const Bytes single = GSingleBody(kMacA, -55, 108, 1500, 0);
  const std::string own = kA + ",-55,54 Mb/s,1500,good";
  const ConversionOptions all =
      Ticked({&O::rtcDate, &O::rtcTime, &O::marker, &O::gpsDate, &O::gpsTime, &O::gpsLatitude,
              &O::gpsLongitude, &O::single});
  const std::string noFix = "00/00/0000,00:00:00,0.00000 S,0.00000 W";
  const std::string fix = "03/07/2006,09:05:00,50.00000 N,122.50000 W";

  ConversionOptions spaced = all;
  spaced.delimiter = static_cast<Delimiter>(2);
  ConversionOptions bSpectrum = all;
  bSpectrum.single = false;
  bSpectrum.singleSpectrum = true;
  const std::string bSpectrumOwn = Join(Concat({{"9"}, Repeat("0", 64)}));

  Check({
      {"every context field, before and after a GPS record, the marker carried over",
       LogBuilder("QXBG")
           .Frame(19, single, "12", rtc)
           .Frame(25, GpsBody(GpsFix{}), "", rtc)
           .Frame(19, single, "", rtc)
           .Frame(19, single, "7", Rtc{31, 1, 99, 0, 0, 0}),
       all,
       {"12/07/2007,13:05:09,12," + noFix + "," + own, "12/07/2007,13:05:09,12," + fix + "," + own,
        "01/31/2099,00:00:00,7," + fix + "," + own}},
      {"the GPS fields of an 802.11b log",
       LogBuilder("QXB ")
           .Frame(7, GpsBody(GpsFix{12, 31, 2007, 23, 59, 59, -120600000, 441000000}), "1", rtc)
           .Frame(5, testing::BChannelSpectrumBody(9, std::vector<std::int16_t>(64, 0)), "", rtc),
       bSpectrum,
       {"12/07/2007,13:05:09,1,12/31/2007,23:59:59,33.50000 S,122.50000 E," + bSpectrumOwn}},
      {"a cut GPS block keeps the previous fix",
       LogBuilder("QXBG")
           .Frame(25, GpsBody(GpsFix{}), "12", rtc)
           .Frame(25,
                  [] {
                    Bytes cut = GpsBody(GpsFix{12, 31, 2007, 23, 59, 59, 1, 1});
                    cut.resize(151);
                    return cut;
                  }())
           .Frame(19, single, "", rtc),
       all,
       {"12/07/2007,13:05:09,12," + fix + "," + own}},
      {"no marker yet: an empty field",
       LogBuilder("QXBG").Frame(19, single, "", rtc),
       Ticked({&O::marker, &O::single}),
       {"," + own}},
      {"empty marker between other fields",
       LogBuilder("QXBG").Frame(19, single, "", rtc),
       Ticked({&O::rtcTime, &O::marker, &O::gpsLongitude, &O::single}),
       {"13:05:09,,0.00000 W," + own}},
      {"odd clock values print as they are",
       LogBuilder("QXBG").Frame(19, single, "", Rtc{100, 0, 255, 24, 60, 255}),
       Ticked({&O::rtcDate, &O::rtcTime, &O::single}),
       {"00/100/2255,24:60:255," + own}},
      {"markers are quoted when they must be, else byte for byte",
       LogBuilder("QXBG")
           .Frame(19, single, "1,2", rtc)
           .Frame(19, single, "\xB5 3", rtc)
           .Frame(19, single, "q\"", rtc),
       Ticked({&O::marker, &O::single}),
       {"\"1,2\"," + own, "\xB5 3," + own, "\"q\"\"\"," + own}},
      {"space as delimiter quotes the positions",
       LogBuilder("QXBG").Frame(25, GpsBody(GpsFix{}), "12", rtc).Frame(19, single, "", rtc),
       spaced,
       {"12/07/2007 13:05:09 12 03/07/2006 09:05:00 \"50.00000 N\" \"122.50000 W\" " + kA +
        " -55 \"54 Mb/s\" 1500 good"}},
  });
}

// Cases that a decoded log cannot reach, on the writer directly.
std::string DirectLine(LogVariant variant, const ConversionOptions& options,
                       const std::function<void(RecordState&, StationList&)>& setUp) {
  testing::TempDir dir;
  const Frame frame;
  RecordDecoder decoder(variant);
  setUp(decoder.state, decoder.stations);
  OutputFile out(options.DelimiterChar());
  EXPECT_TRUE(out.Create(dir.File("line.out")));
  WriteRecordLine(out, LineSources{frame, decoder, options});
  EXPECT_TRUE(out.Close());
  return testing::AsText(testing::ReadFile(dir.File("line.out")));
}

TEST(RecordLines, WriterOnly) {
  const auto node = [](std::uint8_t isAp, std::int16_t signal) {
    return [=](RecordState& state, StationList& stations) {
      state.Kind = RecordKind::Survey;
      StationNode n;
      n.mac = kMacA;
      n.ssid = "Ghost";
      n.signal = signal;
      n.channel = 3;
      n.isAp = isAp;
      n.wep = 7;
      stations.InsertSorted(n);
    };
  };
  const ConversionOptions mac = Ticked({&O::survey, &O::single, &O::utilization});
  const ConversionOptions apOnly = Ticked({&O::survey, &O::accessPointsOnly});

  // The SSID belongs to access points only; "AP" needs isAp to be exactly 1.
  EXPECT_EQ(DirectLine(LogVariant::G, mac, node(0, -5)), "3," + kA + ",,-5,Yes,STA\r\n");
  EXPECT_EQ(DirectLine(LogVariant::B, mac, node(2, -5)), "3," + kA + ",Ghost,-5,Yes,STA\r\n");
  EXPECT_EQ(DirectLine(LogVariant::G, apOnly, node(2, -5)), "");
  EXPECT_EQ(DirectLine(LogVariant::G, apOnly, node(1, -5)), "3," + kA + ",Ghost,-5,Yes,AP\r\n");

  // The 802.11g layouts.
  const auto g = [](RecordState& s, StationList&) {
    s.Kind = RecordKind::Single;
    s.GSingle = {kMacC, -1, 4, 9, 0};
  };
  EXPECT_EQ(DirectLine(LogVariant::G, mac, g), kC + ",-1,2 Mb/s,9,good\r\n");

  // An 802.11b utilization record of a channel the table has no column for gives no line.
  EXPECT_EQ(DirectLine(LogVariant::B, mac,
                       [](RecordState& s, StationList&) {
                         s.Kind = RecordKind::Utilization;
                         s.CurrentChannel = 15;
                         for (auto& row : s.BUtilization) row.fill(125000);
                       }),
            "");
}

} // namespace
} // namespace veltrix
