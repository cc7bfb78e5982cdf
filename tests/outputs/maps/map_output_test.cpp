#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "convert/convert.h"
#include "decode/payload_types.h"
#include "outputs/maps/map_output.h"
#include "support/conversion_run.h"

namespace veltrix {
namespace {

using testing::Bytes;
using testing::LogBuilder;
using testing::Mac;
using testing::Rtc;

constexpr Mac kA = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x01};
constexpr Mac kB = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x02};
constexpr Mac kC = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x03};

Rtc At(std::uint8_t second) {
  Rtc rtc;
  rtc.second = second;
  return rtc;
}

testing::GpsFix Fix(std::int32_t latitude, std::int32_t longitude, std::uint8_t month = 3) {
  testing::GpsFix fix;
  fix.latitude = latitude;
  fix.longitude = longitude;
  fix.month = month;
  return fix;
}

Bytes Beacon(const Mac& mac, std::string_view ssid, std::uint8_t channel, bool wep,
             std::int8_t rssi, std::uint8_t valid = 1) {
  testing::CaptureHeader header;
  header.rssi = rssi;
  header.frameValid = valid;
  return testing::CaptureBody(
      header, testing::BeaconFrame(110, mac, wep,
                                   {{0, testing::SsidElementContent(ssid)}, {3, {channel}}}));
}

struct MapRun {
  std::string table; // the access-point table without its header line
  std::vector<std::string> warnings;
};

// The table and warnings of the log, which come out the same with the sightings handled on a
// thread aside: every file is compared.
MapRun MapOf(const Bytes& log, std::size_t capacity = AccessPointTable::kDefaultCapacity) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("in.qx"), log);
  const auto run = [&](bool aside) {
    const std::string name = aside ? "aside" : "in";
    MapFiles files;
    files.kml = OutputDestination{dir.File(name + ".kml")};
    files.gpx = OutputDestination{dir.File(name + ".gpx")};
    files.accessPoints = OutputDestination{dir.File(name + ".aps.csv")};
    MapSettings settings;
    settings.name = "in.qx";
    if (aside) settings.spare = std::make_shared<SpareThread>();
    auto map = std::make_unique<MapOutput>(files, settings, MapFilters{}, capacity);
    const MapOutput& output = *map;
    Convert::Outputs outputs;
    outputs.push_back(std::move(map));
    ConversionObserver observer;
    Convert conversion(dir.File("in.qx"), std::move(outputs), observer);
    EXPECT_EQ(conversion.Execute().status, ConvertStatus::Completed);
    return output.Warnings();
  };
  const std::vector<std::string> warnings = run(false);
  EXPECT_EQ(run(true), warnings);
  for (const char* suffix : {".kml", ".gpx", ".aps.csv"}) {
    EXPECT_EQ(testing::ReadFile(dir.File(std::string("aside") + suffix)),
              testing::ReadFile(dir.File(std::string("in") + suffix)))
        << suffix;
  }
  std::string table = testing::AsText(testing::ReadFile(dir.File("in.aps.csv")));
  table.erase(0, table.find("\r\n") + 2);
  return {table, warnings};
}

// Who is an access point, which sighting gives the channel and the position, and what is no
// position, in both generations.
TEST(MapOutput, SightingRules) {
  struct Case {
    const char* name;
    Bytes log;
    std::string table;
    std::vector<std::string> warnings;
  };
  using G = testing::GSurveyAccessPoint;
  const auto survey = [](std::int16_t rssi, std::string ssid, std::uint8_t channel) {
    // A is the access point; C, louder, is a client.
    return testing::GSurveyBody({{kA, rssi}, {kC, -20}}, {G{0, std::move(ssid), channel, true}});
  };
  const Bytes gps50 = testing::GpsBody(Fix(180000000, -441000000)); // 50 N, 122.5 W
  const Bytes gpsZero = testing::GpsBody(Fix(0, 0));
  const Case cases[] = {
      {"802.11g: the strongest sighting with a fix places it; 0,0 and no fix yet are no position",
       LogBuilder("QXBG")
           .Frame(g_payload::kChannel, {6})
           .Frame(g_payload::kSurvey, survey(-70, "Office", 6), "", At(1))
           .Frame(g_payload::kGps, gps50)
           .Frame(g_payload::kSurvey, survey(-60, "Office", 6), "", At(2))
           .Frame(g_payload::kGps, gpsZero)
           .Frame(g_payload::kSurvey, survey(-40, "", 6), "", At(3))
           .Frame(g_payload::kSurvey, survey(-40, "Lobby", 1), "", At(4)) // elsewhere: -100
           .bytes(),
       "00-0A-1B-2C-3D-01,Lobby,6,Yes,4,2007-07-12T13:05:01,2007-07-12T13:05:04,-40,-100,"
       "50.00000,-122.50000,-60\r\n",
       {}},
      {"802.11g: a fix with a date out of range is no position",
       LogBuilder("QXBG")
           .Frame(g_payload::kGps, testing::GpsBody(Fix(180000000, 1000, 13)))
           .Frame(g_payload::kSurvey, survey(-70, "Office", 1))
           .bytes(),
       "00-0A-1B-2C-3D-01,Office,1,Yes,1,2007-07-12T13:05:09,2007-07-12T13:05:09,-70,-70,,,\r\n",
       {"1 of 1 access point has no GPS position and is not on the map."}},
      {"802.11b: beacons and management captures with FrameValid; data frames are no access points",
       LogBuilder("QXB ")
           .Frame(b_payload::kManagementCapture, Beacon(kA, "Lab", 3, false, -60), "", At(1))
           .Frame(b_payload::kManagementCapture, Beacon(kB, "Ghost", 3, false, -10, 0))
           .Frame(b_payload::kCapture6, testing::CaptureBody({}, testing::DataFrame(110, kC)))
           .Frame(b_payload::kGps, gps50)
           .Frame(b_payload::kCapture6, testing::CaptureBody({}, testing::DataFrame(110, kA)))
           .Frame(b_payload::kCapture18, Beacon(kA, "", 3, true, -50), "", At(2))
           .Frame(b_payload::kSurveyCapture, Beacon(kC, "Hall", 11, false, -70), "", At(3))
           .Frame(b_payload::kGps, Bytes(100, 0x55)) // a cut GPS block changes nothing
           .Frame(b_payload::kCapture18, Beacon(kC, "Hall", 11, false, -30), "", At(4))
           .bytes(),
       "00-0A-1B-2C-3D-01,Lab,3,Yes,2,2007-07-12T13:05:01,2007-07-12T13:05:02,-50,-60,"
       "50.00000,-122.50000,-50\r\n"
       "00-0A-1B-2C-3D-03,Hall,11,No,2,2007-07-12T13:05:03,2007-07-12T13:05:04,-30,-70,"
       "50.00000,-122.50000,-30\r\n",
       {}},
      {"of two sightings at the same level, the earlier gives the channel and the position",
       LogBuilder("QXB ")
           .Frame(b_payload::kGps, gps50)
           .Frame(b_payload::kManagementCapture, Beacon(kA, "Tie", 3, false, -50), "", At(1))
           .Frame(b_payload::kGps, testing::GpsBody(Fix(36000000, 72000000))) // 10 N, 20 E
           .Frame(b_payload::kManagementCapture, Beacon(kA, "Tie", 6, false, -50), "", At(2))
           .bytes(),
       "00-0A-1B-2C-3D-01,Tie,3,No,2,2007-07-12T13:05:01,2007-07-12T13:05:02,-50,-50,"
       "50.00000,-122.50000,-50\r\n",
       {}},
      {"a fix on the equator or on the prime meridian is a position",
       LogBuilder("QXB ")
           .Frame(b_payload::kGps, testing::GpsBody(Fix(0, 36000000))) // 0 N, 10 E
           .Frame(b_payload::kManagementCapture, Beacon(kA, "Equator", 1, false, -60), "", At(1))
           .Frame(b_payload::kGps, testing::GpsBody(Fix(36000000, 0))) // 10 N, 0 E
           .Frame(b_payload::kManagementCapture, Beacon(kB, "Meridian", 1, false, -60), "", At(2))
           .bytes(),
       "00-0A-1B-2C-3D-01,Equator,1,No,1,2007-07-12T13:05:01,2007-07-12T13:05:01,-60,-60,"
       "0.00000,10.00000,-60\r\n"
       "00-0A-1B-2C-3D-02,Meridian,1,No,1,2007-07-12T13:05:02,2007-07-12T13:05:02,-60,-60,"
       "10.00000,0.00000,-60\r\n",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MapRun run = MapOf(c.log);
    EXPECT_EQ(run.table, c.table);
    EXPECT_EQ(run.warnings, c.warnings);
  }

  // A full table counts the access points it turns away, each once.
  const MapRun full =
      MapOf(LogBuilder("QXB ")
                .Frame(b_payload::kManagementCapture, Beacon(kA, "a", 1, false, -60))
                .Frame(b_payload::kManagementCapture, Beacon(kB, "b", 1, false, -60))
                .Frame(b_payload::kManagementCapture, Beacon(kB, "b", 1, false, -60))
                .Frame(b_payload::kManagementCapture, Beacon(kC, "c", 1, false, -60))
                .bytes(),
            1);
  EXPECT_EQ(full.warnings,
            (std::vector<std::string>{
                "1 of 1 access point has no GPS position and is not on the map.",
                "2 access points beyond the first 1 left out of the access-point list."}));
}

} // namespace
} // namespace veltrix
