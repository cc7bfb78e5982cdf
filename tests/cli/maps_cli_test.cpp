// The maps, tables and split texts of veltrix-convert, read back by the programs that read them.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "cli_process.h"
#include "decode/payload_types.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using testing::Bytes;

bool Installed(const char* program) {
  return fs::exists(std::string("/usr/bin/") + program);
}

// The published GPX 1.1 schema, beside the project's folder.
const std::string kGpxSchema = std::string(VELTRIX_SOURCE_DIR) + "/../shared/schemas/gpx11.xsd";

// xmllint's verdict on a GPX file against the schema.
Result ValidateGpx(const TempDir& logs, const std::string& gpx) {
  return RunShell(logs, "xmllint --nonet --noout --schema '" + kGpxSchema + "' '" + gpx + "'");
}

Bytes Beacon(std::uint8_t last, std::string_view ssid, bool wep, std::int8_t rssi) {
  testing::CaptureHeader header;
  header.rssi = rssi;
  const testing::Mac mac = {0x00, 0x0A, 0x1B, 0x2C, 0x3D, last};
  return testing::CaptureBody(
      header,
      testing::BeaconFrame(110, mac, wep, {{0, testing::SsidElementContent(ssid)}, {3, {6}}}));
}

Bytes Gps(std::int32_t latitude, std::uint8_t seconds) {
  testing::GpsFix fix;
  fix.latitude = latitude;
  fix.seconds = seconds;
  return testing::GpsBody(fix);
}

// Hostile SSIDs make valid XML and CSV, every file is read back by its reader, and the text
// output is the same bytes with the maps as without.
TEST_F(ConvertCli, MapsAndTablesParseBackWithTheirReaders) {
  const std::string ssids[] = {"<&>\"'", "a,b \"c\"", std::string("\xFF\x01\r\n", 4), "Caf\xC3\xA9",
                               ""};
  testing::LogBuilder log("QXB ");
  log.Frame(b_payload::kGps, Gps(180000000, 1))
      .Frame(b_payload::kGps, Gps(180003600, 2))
      .Frame(b_payload::kGps, Gps(180000000, 3)); // back where it was: not again in the track
  for (std::uint8_t i = 0; i < 5; ++i)
    log.Frame(b_payload::kManagementCapture, Beacon(i, ssids[i], i % 2 == 1, -50));
  const std::string qx = WriteLog("m.qx", log.bytes());

  ASSERT_EQ(
      RunCli(logs, {"--survey", "--single", "-d", "space", "-o", dir.File("plain.out"), qx}).status,
      0);
  const Result r = RunCli(logs, {"--survey", "--single", "-d", "space", "--kml", "--gpx", "--wigle",
                                 "--ap-summary", qx});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(Slurp(dir.File("m.out")) == Slurp(dir.File("plain.out")));

  const std::string kml = Slurp(dir.File("m.kml"));
  EXPECT_NE(kml.find("<name>&lt;&amp;&gt;&quot;&apos;</name>"), std::string::npos);
  EXPECT_NE(kml.find("<name>\\xFF\\x01\\x0D\\x0A</name>"), std::string::npos);
  EXPECT_NE(kml.find("<name>(no SSID)</name>"), std::string::npos);
  EXPECT_NE(kml.find("<coordinates>-122.5000000,50.0000000</coordinates>"), std::string::npos);
  if (Installed("xmllint")) {
    const Result lint =
        RunShell(logs, "xmllint --noout '" + dir.File("m.kml") + "' '" + dir.File("m.gpx") + "'");
    EXPECT_EQ(lint.status, 0) << lint.err;
    if (fs::exists(kGpxSchema)) {
      const Result valid = ValidateGpx(logs, dir.File("m.gpx"));
      EXPECT_EQ(valid.status, 0) << valid.err;
    } else {
      std::cout << "GPX schema check left out: no " << kGpxSchema << '\n';
    }
  }
  if (Installed("gpsbabel")) {
    // Five waypoints; a track of two distinct positions.
    const Result wpt =
        RunShell(logs, "gpsbabel -i gpx -f '" + dir.File("m.gpx") + "' -o unicsv -F -");
    EXPECT_EQ(std::count(wpt.out.begin(), wpt.out.end(), '\n'), 1 + 5) << wpt.out << wpt.err;
    const Result trk =
        RunShell(logs, "gpsbabel -t -i gpx -f '" + dir.File("m.gpx") + "' -o unicsv -F -");
    EXPECT_EQ(std::count(trk.out.begin(), trk.out.end(), '\n'), 1 + 2) << trk.out << trk.err;
  }
  if (Installed("python3")) {
    // Strict UTF-8; every WiGLE row 14 fields and every table row 12; the SSIDs as read.
    const Result csv = RunShell(logs, R"(python3 - ')" + dir.File("m") + R"(' <<'EOF'
import csv, sys
stem = sys.argv[1]
for name in ('.kml', '.gpx'):
    open(stem + name, encoding='utf-8', errors='strict').read()
with open(stem + '.wigle.csv', encoding='utf-8', errors='strict', newline='') as f:
    assert f.readline().startswith('WigleWifi-1.6,appRelease=')
    rows = list(csv.reader(f))
    assert rows[0][0] == 'MAC' and rows[0][13] == 'Type', rows[0]
    assert all(len(row) == 14 for row in rows), rows
    print(len(rows) - 1)
with open(stem + '.aps.csv', encoding='utf-8', errors='strict', newline='') as f:
    rows = list(csv.reader(f, delimiter=' '))
    assert rows[0][5] == 'First Seen' and all(len(row) == 12 for row in rows), rows
    for row in rows[1:]:
        print(row[1])
EOF
)");
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "5\n<&>\"'\na,b \"c\"\n\\xFF\\x01\\x0D\\x0A\nCaf\xC3\xA9\n\n");
  }
}

// Positions at the poles and on the antimeridian make valid GPX: GPX's longitudes end before
// +180, which is written as -180 there (KML keeps it).
TEST_F(ConvertCli, GpxAtTheEdgesOfTheMap) {
  if (!Installed("xmllint")) GTEST_SKIP() << "xmllint is not installed";
  if (!fs::exists(kGpxSchema)) GTEST_SKIP() << "no GPX schema at " << kGpxSchema;
  constexpr std::int32_t kDegree = 3600000;
  const std::pair<std::int32_t, std::int32_t> places[] = {
      {90 * kDegree, 180 * kDegree}, {-90 * kDegree, -180 * kDegree}, {1, 180 * kDegree}};
  testing::LogBuilder log("QXB ");
  for (std::uint8_t i = 0; i < 3; ++i) {
    testing::GpsFix fix;
    fix.latitude = places[i].first;
    fix.longitude = places[i].second;
    log.Frame(b_payload::kGps, testing::GpsBody(fix))
        .Frame(b_payload::kManagementCapture, Beacon(i, "edge", false, -50));
  }
  const std::string qx = WriteLog("edge.qx", log.bytes());
  ASSERT_EQ(RunCli(logs, {"--gpx", "--kml", qx}).status, 0);
  const Result valid = ValidateGpx(logs, dir.File("edge.gpx"));
  EXPECT_EQ(valid.status, 0) << valid.err;
  const std::string gpx = Slurp(dir.File("edge.gpx"));
  EXPECT_NE(gpx.find("<wpt lat=\"90.0000000\" lon=\"-180.0000000\">"), std::string::npos);
  EXPECT_NE(gpx.find("<trkpt lat=\"-90.0000000\" lon=\"-180.0000000\">"), std::string::npos);
  EXPECT_EQ(gpx.find("lon=\"180"), std::string::npos);
  EXPECT_NE(Slurp(dir.File("edge.kml")).find("<coordinates>180.0000000,90.0000000</coordinates>"),
            std::string::npos);
}

// --split: each file is what a conversion with its group alone writes.
TEST_F(ConvertCli, SplitFilesEqualOneGroupConversions) {
  const std::string g = Log("g.qx", LogVariant::G);
  const Result r =
      RunCli(logs, {"--split", "--records", "--context", "-d", "tab", "-o", dir.File("s.out"), g});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir.File("s.out")));
  for (const char* group : {"full-spectrum", "single-spectrum", "survey", "single", "util"}) {
    SCOPED_TRACE(group);
    ASSERT_EQ(RunCli(logs, {std::string("--") + group, "--context", "-d", "tab", "-o",
                            dir.File("one.out"), g})
                  .status,
              0);
    EXPECT_TRUE(Slurp(dir.File(std::string("s.") + group + ".out")) == Slurp(dir.File("one.out")));
  }
}

// Each product comes out the same alone on one thread as beside the others (which decode alike
// and share its decoder) with a thread to spare (-j 2 for one log: the maps' sightings and the
// text's writes go to it).
TEST_F(ConvertCli, ProductsAreTheSameAloneAndTogetherWithASpareThread) {
  struct Product {
    std::vector<std::string> flags;
    std::vector<std::string> suffixes;
  };
  const Product products[] = {
      {{"--survey", "--single", "--context"}, {".out"}},
      {{"--kml", "--gpx", "--wigle", "--ap-summary"}, {".kml", ".gpx", ".wigle.csv", ".aps.csv"}},
      {{"--report"}, {".report.html"}},
  };
  for (const LogVariant generation : {LogVariant::B, LogVariant::G}) {
    SCOPED_TRACE(generation == LogVariant::B ? "802.11b" : "802.11g");
    const std::string qx = Log("in.qx", generation, 5, 3u << 20);
    std::vector<std::string> together = {"-j", "2", "-o", dir.File("all.out"), qx};
    for (const Product& product : products)
      together.insert(together.end(), product.flags.begin(), product.flags.end());
    const Result r = RunCli(logs, together);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const Product& product : products) {
      std::vector<std::string> alone = {"-j", "1", "-o", dir.File("one.out"), qx};
      alone.insert(alone.end(), product.flags.begin(), product.flags.end());
      ASSERT_EQ(RunCli(logs, alone).status, 0) << product.flags.front();
      for (const std::string& suffix : product.suffixes) {
        const std::string one = Slurp(dir.File("one" + suffix));
        EXPECT_FALSE(one.empty()) << suffix;
        EXPECT_TRUE(Slurp(dir.File("all" + suffix)) == one) << suffix;
      }
    }
  }
}

} // namespace
} // namespace veltrix
