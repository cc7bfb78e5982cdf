// Logs built to hurt: each converts completely, with every field and group ticked, and leaves
// whole lines and an unchanged input behind.
#include <gtest/gtest.h>

#include "support/conversion_run.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"
#include "survey/station_list.h"

namespace veltrix {
namespace {

using testing::Bytes;
using testing::LogBuilder;

Bytes Repeat(const Bytes& unit, std::size_t times) {
  Bytes out;
  for (std::size_t i = 0; i < times; ++i) testing::Append(out, unit);
  return out;
}

Bytes Frame(std::uint8_t type, const Bytes& body) {
  Bytes block = {type};
  testing::Append(block, body);
  return testing::EncodeFrame(testing::Rtc{}, "", block);
}

// A beacon capture whose elements claim more bytes than the frame has.
Bytes OverrunningBeacon(std::uint8_t type) {
  Bytes frame = testing::BeaconFrame(110, {1, 2, 3, 4, 5, 6}, true, {});
  testing::Append(frame, Bytes{0, 200, 'a', 'b', 3, 255});
  return Frame(type, testing::CaptureBody({}, frame));
}

// Data captures from more distinct stations than the station list takes.
Bytes ManyStations(std::size_t count) {
  Bytes out;
  for (std::size_t i = 0; i < count; ++i) {
    const testing::Mac mac = {2,
                              0,
                              0,
                              static_cast<std::uint8_t>(i >> 16),
                              static_cast<std::uint8_t>(i >> 8),
                              static_cast<std::uint8_t>(i)};
    testing::Append(out, Frame(6, testing::CaptureBody({}, testing::DataFrame(20, mac))));
  }
  return out;
}

struct HostileCase {
  const char* name;
  const char* signature;
  Bytes body; // after the file header
};

TEST(Hostile, ConvertsCompletelyWithWholeLines) {
  Bytes shortSurvey = {16, 255};
  testing::Append(shortSurvey, Bytes(300, 0x41));
  std::vector<testing::GSurveyStation> stations(255, {{0, 1, 2, 3, 4, 5}, -50});
  std::vector<testing::GSurveyAccessPoint> aps(255, {200, "x", 1, false});
  const Bytes bigSurvey = Frame(16, testing::GSurveyBody(stations, aps));
  const Bytes largest = testing::EncodeFrameWithLengths(testing::Rtc{}, 65535, Bytes(65535, 'X'),
                                                        65535, Bytes(65535, 'X'));
  const std::vector<HostileCase> cases = {
      {"only sync bytes", "QXBG", Bytes(3 << 20, 0x58)},
      {"only zeros", "QXB ", Bytes(3 << 20, 0)},
      {"header alone", "QXBG", {}},
      {"largest lengths, many times", "QXB ", Repeat(largest, 40)},
      {"largest lengths, cut short", "QXBG", Bytes(largest.begin(), largest.end() - 9)},
      {"survey claiming 255 stations in a short body", "QXBG", Repeat(shortSurvey, 50)},
      {"survey of 255 stations and 255 access points", "QXBG", Repeat(bigSurvey, 20)},
      {"capture length past the payload", "QXB ",
       Repeat(
           Frame(18, testing::CaptureBody({}, testing::DataFrame(110, {1, 2, 3, 4, 5, 6}), 65535)),
           20)},
      {"management capture length past the payload", "QXB ",
       Repeat(Frame(10, testing::CaptureBody({}, Bytes(50, 0x80), 2000)), 20)},
      {"element lengths that overrun", "QXB ", Repeat(OverrunningBeacon(6), 10)},
      {"more stations than the list takes", "QXB ",
       ManyStations(StationList::kDefaultCapacity + 1000)},
  };
  testing::TempDir dir;
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = LogBuilder(c.signature).Raw(c.body).Write(dir.File("in.qx"));
    ConversionOptions o;
    o.TickAllContextFields();
    o.TickAllRecordGroups();
    // Without the header line, whose CR LF would end even an output cut short.
    o.header = false;
    const testing::RunResult r = testing::RunFiles(input, dir.File("out.out"), o);
    ASSERT_EQ(r.status, ConvertStatus::Completed);
    EXPECT_LE(r.bytesRead, static_cast<std::int64_t>(c.body.size()));
    EXPECT_TRUE(r.output.empty() || r.output.ends_with("\r\n"));
    EXPECT_EQ(testing::ReadFile(input), LogBuilder(c.signature).Raw(c.body).bytes());
  }
}

} // namespace
} // namespace veltrix
