#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/conversion_run.h"

namespace veltrix {
namespace {

using testing::Concat;
using testing::Join;
using testing::LogBuilder;
using testing::Repeat;
using testing::RunConversion;
using testing::RunResult;
using Columns = std::vector<std::string>;
using Flag = bool ConversionOptions::*;

ConversionOptions Ticked(std::initializer_list<Flag> flags, int delimiterIndex = 0) {
  ConversionOptions o;
  for (const Flag f : flags) o.*f = true;
  o.delimiter = static_cast<Delimiter>(delimiterIndex);
  return o;
}

const ConversionOptions kEverything =
    Ticked({&ConversionOptions::rtcDate, &ConversionOptions::rtcTime, &ConversionOptions::marker,
            &ConversionOptions::gpsDate, &ConversionOptions::gpsTime,
            &ConversionOptions::gpsLatitude, &ConversionOptions::gpsLongitude,
            &ConversionOptions::fullSpectrum, &ConversionOptions::singleSpectrum,
            &ConversionOptions::survey, &ConversionOptions::accessPointsOnly,
            &ConversionOptions::single, &ConversionOptions::utilization});

const Columns kContext = {"RTC Date", "RTC Time",     "Marker",       "GPS Date",
                          "GPS Time", "GPS Latitude", "GPS Longitude"};
const Columns kSurvey = {"Channel", "MAC", "SSID", "RSSI (dBm)", "WEP (Y/N)", "AP/STA"};
const Columns kGSingle = {"MAC", "RSSI (dBm)", "Data Rate (Mb/s)", "Packet Length (bytes)",
                          "Good/Bad"};
const Columns kBUtil = {"Channel", "1 Mb/s", "2 Mb/s", "5.5 Mb/s", "11 Mb/s"};
const Columns kGUtil = {"1 Mb/s",  "2 Mb/s",  "5.5 Mb/s", "6 Mb/s",  "9 Mb/s",
                        "11 Mb/s", "12 Mb/s", "18 Mb/s",  "22 Mb/s", "24 Mb/s",
                        "33 Mb/s", "36 Mb/s", "48 Mb/s",  "54 Mb/s"};

Columns BSingle() {
  Columns c = {"MAC", "RSSI (dBm)", "Data Rate (Mb/s)"};
  for (int i = 1; i <= 44; ++i) c.push_back("Multipath Point #" + std::to_string(i));
  return c;
}
Columns SingleSpectrum(int samples) {
  return Concat({{"Channel"}, Repeat("RSSI (dBm)", samples)});
}

// The first line of converting a log that holds nothing but its file header.
std::string HeaderLine(std::string_view signature, const ConversionOptions& options) {
  const RunResult r = RunConversion(LogBuilder(signature), options);
  EXPECT_EQ(r.status, ConvertStatus::Completed);
  return r.output;
}

TEST(HeaderRecord, EveryBoxTicked) {
  const Columns b =
      Concat({kContext, Repeat("RSSI (dBm)", 273), SingleSpectrum(64), kSurvey, BSingle(), kBUtil});
  const Columns g =
      Concat({kContext, Repeat("RSSI (dBm)", 147), SingleSpectrum(128), kSurvey, kGSingle, kGUtil});
  ASSERT_EQ(b.size(), 403u);
  ASSERT_EQ(g.size(), 308u);
  EXPECT_EQ(HeaderLine("QXB ", kEverything), Join(b) + "\r\n");
  EXPECT_EQ(HeaderLine("QXBG", kEverything), Join(g) + "\r\n");
  EXPECT_EQ(HeaderLine("QXA ", kEverything), Join(g) + "\r\n");
}

TEST(HeaderRecord, GroupsAndLayouts) {
  using O = ConversionOptions;
  struct Case {
    const char* name;
    std::string_view signature;
    ConversionOptions options;
    Columns columns;
  };
  const std::vector<Case> cases = {
      {"nothing ticked: an empty line", "QXB ", Ticked({}), {}},
      {"access points only alone names no column", "QXBG", Ticked({&O::accessPointsOnly}), {}},
      {"full spectrum, b", "QXB ", Ticked({&O::fullSpectrum}), Repeat("RSSI (dBm)", 273)},
      {"full spectrum, g", "QXBG", Ticked({&O::fullSpectrum}), Repeat("RSSI (dBm)", 147)},
      {"single spectrum, b", "QXB ", Ticked({&O::singleSpectrum}), SingleSpectrum(64)},
      {"single spectrum, g", "QXA ", Ticked({&O::singleSpectrum}), SingleSpectrum(128)},
      {"survey", "QXBG", Ticked({&O::survey, &O::accessPointsOnly}), kSurvey},
      {"single, b", "QXB ", Ticked({&O::single}), BSingle()},
      {"single, g", "QXBG", Ticked({&O::single}), kGSingle},
      {"utilization, b", "QXB ", Ticked({&O::utilization}), kBUtil},
      {"utilization, g", "QXBG", Ticked({&O::utilization}), kGUtil},
      {"context columns keep their order",
       "QXBG",
       Ticked({&O::gpsLongitude, &O::marker, &O::rtcDate}),
       {"RTC Date", "Marker", "GPS Longitude"}},
      {"groups follow the context in table order", "QXB ",
       Ticked({&O::utilization, &O::survey, &O::gpsTime}), Concat({{"GPS Time"}, kSurvey, kBUtil})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HeaderLine(c.signature, c.options), Join(c.columns) + "\r\n");
  }
}

TEST(HeaderRecord, DelimitersAndQuoting) {
  using O = ConversionOptions;
  const ConversionOptions someColumns = Ticked({&O::rtcDate, &O::gpsLatitude, &O::survey});
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "RTC Date,GPS Latitude,Channel,MAC,SSID,RSSI (dBm),WEP (Y/N),AP/STA"},
      {1, "RTC Date\tGPS Latitude\tChannel\tMAC\tSSID\tRSSI (dBm)\tWEP (Y/N)\tAP/STA"},
      // Column names holding a space are quoted when space is the delimiter.
      {2, "\"RTC Date\" \"GPS Latitude\" Channel MAC SSID \"RSSI (dBm)\" \"WEP (Y/N)\" AP/STA"},
      {3, "RTC Date;GPS Latitude;Channel;MAC;SSID;RSSI (dBm);WEP (Y/N);AP/STA"},
  };
  for (const auto& [index, line] : cases) {
    SCOPED_TRACE(index);
    ConversionOptions o = someColumns;
    o.delimiter = static_cast<Delimiter>(index);
    EXPECT_EQ(HeaderLine("QXBG", o), line + "\r\n");
  }

  // Every column of the widest header, with space as the delimiter.
  Columns b =
      Concat({kContext, Repeat("RSSI (dBm)", 273), SingleSpectrum(64), kSurvey, BSingle(), kBUtil});
  for (std::string& column : b)
    if (column.find(' ') != std::string::npos) column = '"' + column + '"';
  ConversionOptions everything = kEverything;
  everything.delimiter = static_cast<Delimiter>(2);
  EXPECT_EQ(HeaderLine("QXB ", everything), Join(b, ' ') + "\r\n");
}

TEST(HeaderRecord, OmittedWithoutCbHeader) {
  ConversionOptions o = kEverything;
  o.header = false;
  const RunResult r = RunConversion(LogBuilder("QXBG"), o);
  EXPECT_EQ(r.status, ConvertStatus::Completed);
  EXPECT_TRUE(r.outputExists);
  EXPECT_EQ(r.output, "");
}

} // namespace
} // namespace veltrix
