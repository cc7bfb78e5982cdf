// The maps' filters: their values read from text, SSID patterns, what each filter keeps, and the
// order the logs of a survey are merged in.
#include <gtest/gtest.h>

#include <fstream>

#include "analysis/map_filters.h"
#include "analysis/survey_merge.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

TEST(MapFilters, ValuesReadFromText) {
  EXPECT_EQ(ParseLevel("-75"), -75);
  EXPECT_EQ(ParseLevel("+3"), 3);
  for (const char* bad : {"", "-", "loud", "-75dBm", "7.5", " -75", "--75"})
    EXPECT_EQ(ParseLevel(bad), std::nullopt) << bad;

  const struct {
    const char* text;
    bool endOfDay;
    std::optional<DateTime> time;
  } times[] = {
      {"2007-07-12", false, DateTime{2007, 7, 12, 0, 0, 0}},
      {"2007-07-12", true, DateTime{2007, 7, 12, 23, 59, 59}},
      {"2007-07-12T13:05", true, DateTime{2007, 7, 12, 13, 5, 0}},
      {"2007-07-12 13:05:09", false, DateTime{2007, 7, 12, 13, 5, 9}},
      {"2008-02-29", false, DateTime{2008, 2, 29, 0, 0, 0}},
      {"2007-02-29", false, std::nullopt},
      {"2007-13-01", false, std::nullopt},
      {"2007-07-12T24:00", false, std::nullopt},
      {"2007-07-12T13:60", false, std::nullopt},
      {"2007-07-12X13:05", false, std::nullopt},
      {"2007-7-12", false, std::nullopt},
      {"2007-07-12T13", false, std::nullopt},
      {"yesterday", false, std::nullopt},
  };
  for (const auto& t : times) EXPECT_EQ(ParseTime(t.text, t.endOfDay), t.time) << t.text;

  const auto channels = [](const char* text) {
    const std::optional<std::bitset<256>> set = ParseChannels(text);
    std::string listed;
    for (std::size_t c = 0; set && c < 256; ++c)
      if (set->test(c)) listed += std::to_string(c) + " ";
    return set ? listed : "malformed";
  };
  EXPECT_EQ(channels("1,6,11"), "1 6 11 ");
  EXPECT_EQ(channels("1-3,11"), "1 2 3 11 ");
  EXPECT_EQ(channels("14"), "14 ");
  for (const char* bad : {"", "1-x", "6-1", "1,,6", "1,", "256", "-3", "1-", "a"})
    EXPECT_EQ(channels(bad), "malformed") << bad;

  const std::array<std::uint8_t, 6> mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
  EXPECT_EQ(ParseMac("00:0a:1B:2C:3d:4E"), mac);
  EXPECT_EQ(ParseMac("00-0A-1B-2C-3D-4E"), mac);
  for (const char* bad :
       {"00:0A:1B:2C:3D", "00:0A:1B:2C:3D:4G", "000A1B2C3D4E00000", "00.0A.1B.2C.3D.4E"})
    EXPECT_EQ(ParseMac(bad), std::nullopt) << bad;
}

TEST(MapFilters, MacListsGivenOrInAFile) {
  testing::TempDir dir;
  std::ofstream(dir.File("macs.txt")) << "# ours\n00:0A:1B:2C:3D:4E\r\n\n  00-0a-1b-2c-3d-4f  \n";
  std::ofstream(dir.File("bad.txt")) << "00:0A:1B:2C:3D:4E\nnot a mac\n";
  const struct {
    std::string text;
    std::size_t macs;
    std::string problem;
  } cases[] = {
      {"00:0A:1B:2C:3D:4E,00:0A:1B:2C:3D:4F", 2, ""},
      {"00:0A:1B:2C:3D:4E, 00:0A:1B:2C:3D:4E", 1, ""},
      {"@" + dir.File("macs.txt"), 2, ""},
      {"00:0A:1B:2C:3D:4E,", 0, "'' is not a MAC address"},
      {"@" + dir.File("bad.txt"), 0,
       dir.File("bad.txt") + ", line 2: 'not a mac' is not a MAC address"},
      {"@" + dir.File("none.txt"), 0,
       "cannot read " + dir.File("none.txt") + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::unordered_set<std::uint64_t> macs;
    std::string problem;
    EXPECT_EQ(ParseMacList(c.text, macs, problem), c.problem.empty());
    EXPECT_EQ(problem, c.problem);
    if (c.problem.empty()) {
      EXPECT_EQ(macs.size(), c.macs);
    }
  }
}

TEST(MapFilters, GlobMatchesWholeSsids) {
  const struct {
    const char* pattern;
    const char* text;
    bool matches;
  } cases[] = {
      {"Office", "Office", true},
      {"Office", "office", false},
      {"Off*", "Office", true},
      {"*", "", true},
      {"?", "", false},
      {"", "", true},
      {"", "a", false},
      {"*ice", "Office", true},
      {"O*i*e", "Office", true},
      {"O*x*e", "Office", false},
      {"Caf?", "Caf\xC3\xA9", true},
      {"Caf??", "Caf\xC3\xA9", false},
      {"[A-Z]ab", "Lab", true},
      {"[!A-Z]ab", "Lab", false},
      {"[!A-Z]ab", "lab", true},
      {"[]x]", "]", true},
      {"[!]x]", "y", true},
      {"[!]x]", "]", false},
      {"[a-", "[a-", true},
      {"[abc", "a", false},
      {"a,b", "a,b", true},
      {" x ", " x ", true},
      {"*\\x00*", "a\\x00b", true},
      {"net[0-9]*", "net7-guest", true},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GlobMatch(c.pattern, c.text), c.matches) << c.pattern << " on " << c.text;
}

TEST(MapFilters, WhatEachFilterKeeps) {
  Sighting s;
  s.level = -70;
  s.rtc = {2007, 7, 12, 13, 5, 9};
  const struct {
    const char* name;
    SightingFilter filter;
    bool keeps;
  } sightings[] = {
      {"no filter", {}, true},
      {"level at the minimum", {-70, {}, {}}, true},
      {"level below the minimum", {-69, {}, {}}, false},
      {"inside the window, both ends inclusive", {{}, s.rtc, s.rtc}, true},
      {"before the window", {{}, DateTime{2007, 7, 12, 13, 5, 10}, {}}, false},
      {"after the window", {{}, {}, DateTime{2007, 7, 12, 13, 5, 8}}, false},
  };
  for (const auto& c : sightings) EXPECT_EQ(c.filter.Keeps(s), c.keeps) << c.name;
  SightingFilter window;
  window.from = DateTime{2000, 1, 1, 0, 0, 0};
  EXPECT_FALSE(window.InWindow({2007, 0, 12, 13, 5, 9})) << "an RTC out of range";
  EXPECT_TRUE(SightingFilter{}.InWindow({2007, 0, 12, 13, 5, 9}));

  AccessPoint ap;
  ap.mac = {0, 1, 2, 3, 4, 5};
  ap.ssid = "Guest\x01";
  ap.channel = 6;
  ap.wep = true;
  const auto with = [](auto set) {
    AccessPointFilter f;
    set(f);
    return f;
  };
  const struct {
    const char* name;
    AccessPointFilter filter;
    bool keeps;
  } points[] = {
      {"SSID as written", with([](auto& f) { f.ssids = {"Guest\\x01"}; }), true},
      {"one SSID pattern of several", with([](auto& f) {
         f.ssids = {"Lab", "G*"};
       }),
       true},
      {"no SSID pattern", with([](auto& f) { f.ssids = {"Lab"}; }), false},
      {"excluded SSID", with([](auto& f) {
         f.excludeSsids = {"Lab", "*\\x01"};
       }),
       false},
      {"kept then excluded", with([](auto& f) { f.ssids = {"G*"}, f.excludeSsids = {"Gu*"}; }),
       false},
      {"excluded MAC", with([](auto& f) {
         f.excludeMacs = {MacKey({0, 1, 2, 3, 4, 5})};
       }),
       false},
      {"other MAC excluded", with([](auto& f) {
         f.excludeMacs = {MacKey({0, 1, 2, 3, 4, 6})};
       }),
       true},
      {"channel listed", with([](auto& f) { f.channels = ParseChannels("1-6"); }), true},
      {"channel not listed", with([](auto& f) { f.channels = ParseChannels("1,11"); }), false},
      {"WEP asked", with([](auto& f) { f.encryption = Encryption::Wep; }), true},
      {"open asked", with([](auto& f) { f.encryption = Encryption::Open; }), false},
  };
  for (const auto& c : points) {
    EXPECT_TRUE(c.filter.Active()) << c.name;
    EXPECT_EQ(c.filter.Keeps(ap), c.keeps) << c.name;
  }
}

TEST(SurveyMerge, LogsInTheOrderOfTheirFirstRecord) {
  const DateTime early{2007, 7, 12, 13, 5, 9}, late{2007, 7, 12, 13, 5, 10};
  const std::vector<MergeKey> keys = {
      {late, "a.qx"}, {std::nullopt, "z.qx"}, {early, "b.qx"},
      {late, "A.qx"}, {std::nullopt, "-"},    {late, "\xC3\xA9.qx"},
  };
  EXPECT_EQ(MergeOrder(keys), (std::vector<std::size_t>{2, 3, 0, 5, 4, 1}));
}

TEST(SurveyMerge, SightingsComeBackAsTheyWent) {
  Sighting a;
  a.mac = {1, 2, 3, 4, 5, 6};
  a.ssid = "Caf\xC3\xA9 \x01";
  a.channel = 11;
  a.wep = true;
  a.level = -128;
  a.rtc = {2255, 12, 31, 23, 59, 59};
  a.position = GpsPosition{-90.0, 180.0, {2099, 1, 2, 3, 4, 5}};
  Sighting b;
  const std::string longSsid(40, 'x'); // a view's storage
  b.ssid = longSsid;
  std::string bytes;
  AppendSightingRecord(bytes, a, true);
  AppendSightingRecord(bytes, b, false);
  std::string_view in = bytes;
  for (const auto& [expected, kept] : {std::pair{a, true}, std::pair{b, false}}) {
    Sighting s;
    std::string ssid;
    bool wasKept = !kept;
    const std::size_t length = ReadSightingRecord(in, s, ssid, wasKept);
    ASSERT_NE(length, 0u);
    EXPECT_EQ(ReadSightingRecord(in.substr(0, length - 1), s, ssid, wasKept), 0u) << "cut short";
    in.remove_prefix(length);
    EXPECT_EQ(wasKept, kept);
    EXPECT_EQ(s.mac, expected.mac);
    EXPECT_EQ(s.ssid, expected.ssid);
    EXPECT_EQ(
        std::tie(s.channel, s.wep, s.level, s.rtc, s.position),
        std::tie(expected.channel, expected.wep, expected.level, expected.rtc, expected.position));
  }
  EXPECT_TRUE(in.empty());
}

} // namespace
} // namespace veltrix
