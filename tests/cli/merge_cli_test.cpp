// --merge and the maps' filters, on a small survey of three logs that share access points.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/app.h"
#include "cli_process.h"
#include "decode/payload_types.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using testing::Bytes;
using testing::Rtc;

constexpr std::int32_t kDegree = 3600000; // milliarcseconds

testing::Mac Ap(std::uint8_t last) {
  return {0x00, 0x0A, 0x1B, 0x2C, 0x3D, last};
}

Rtc At(std::uint8_t minute, std::uint8_t second, std::uint8_t month = 7) {
  Rtc rtc;
  rtc.minute = minute;
  rtc.second = second;
  rtc.month = month;
  return rtc;
}

Bytes Gps(std::int32_t latitude, std::int32_t longitude = -441000000) {
  testing::GpsFix fix;
  fix.latitude = latitude;
  fix.longitude = longitude;
  return testing::GpsBody(fix);
}

Bytes Beacon(std::uint8_t last, std::string_view ssid, std::uint8_t channel, bool wep,
             std::int8_t rssi) {
  testing::CaptureHeader header;
  header.rssi = rssi;
  return testing::CaptureBody(
      header, testing::BeaconFrame(110, Ap(last), wep,
                                   {{0, testing::SsidElementContent(ssid)}, {3, {channel}}}));
}

// The survey: south.qx (802.11g) starts first, at 13:00; north.qx (802.11b) at 13:04; nowhere.qx
// has no record with an RTC in range. Access point 1 is strongest in south, 2 in nowhere.
class MergeCli : public ConvertCli {
protected:
  void SetUp() override {
    north = WriteLog(
        "north.qx",
        testing::LogBuilder("QXB ")
            .EmptyFrame("", At(0, 0)) // no record: not where north.qx starts
            .Frame(b_payload::kGps, Gps(50 * kDegree), "", At(4, 0))
            .Frame(b_payload::kManagementCapture, Beacon(1, "Office", 6, false, -50), "", At(10, 1))
            .Frame(b_payload::kManagementCapture, Beacon(2, "Guest", 1, false, -70), "", At(10, 2))
            .bytes());
    south = WriteLog("south.qx",
                     testing::LogBuilder("QXBG")
                         .Frame(g_payload::kChannel, {6}, "", At(0, 0))
                         .Frame(g_payload::kGps, Gps(51 * kDegree), "", At(0, 0))
                         .Frame(g_payload::kSurvey,
                                testing::GSurveyBody({{Ap(1), -40}}, {{0, "Office", 6, false}}), "",
                                At(0, 5))
                         .bytes());
    nowhere =
        WriteLog("nowhere.qx", testing::LogBuilder("QXB ")
                                   .Frame(b_payload::kManagementCapture,
                                          Beacon(2, "Guest-2", 11, true, -30), "", At(0, 0, 0))
                                   .bytes());
  }

  // Runs a merge into NAME `name` in `dir`; its four files' bytes.
  std::vector<std::string> Merge(const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(),
                {"--merge", "--kml", "--gpx", "--wigle", "--ap-summary", "-o", dir.File(name)});
    const Result r = RunCli(logs, args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> files;
    for (const char* suffix : {".kml", ".gpx", ".wigle.csv", ".aps.csv"})
      files.push_back(fs::exists(dir.File(name + suffix)) ? Slurp(dir.File(name + suffix)) : "");
    return files;
  }

  std::string north, south, nowhere;
};

constexpr const char* kTableHeader =
    "MAC,SSID,Channel,WEP,Sightings,First Seen,Last Seen,Max RSSI (dBm),Min RSSI (dBm),Latitude,"
    "Longitude,RSSI at Position (dBm)\r\n";

// The logs in the order of their first record, as one log; the same bytes whatever the order of
// the arguments and the number of jobs.
TEST_F(MergeCli, OneSurveyWhateverTheOrderAndTheJobs) {
  const std::vector<std::string> merged = Merge("a", {"-j", "1", north, south, nowhere});
  EXPECT_EQ(merged[3],
            std::string(kTableHeader) +
                "00-0A-1B-2C-3D-01,Office,6,No,2,2007-07-12T13:00:05,2007-07-12T13:10:01,-40,-50,"
                "51.00000,-122.50000,-40\r\n"
                "00-0A-1B-2C-3D-02,Guest-2,11,Yes,2,2007-07-12T13:10:02,,-30,-70,"
                "50.00000,-122.50000,-70\r\n");
  EXPECT_NE(merged[0].find("<Document>\n<name>a</name>"), std::string::npos);
  const std::size_t southTrack = merged[1].find("<trk><name>south.qx</name>");
  EXPECT_NE(southTrack, std::string::npos);
  EXPECT_LT(southTrack, merged[1].find("<trk><name>north.qx</name>"));
  EXPECT_EQ(merged[1].find("nowhere.qx"), std::string::npos); // no track without positions
  EXPECT_EQ(merged[2].substr(0, merged[2].find("\r\n")).find("model=Tarvik 802.11b/802.11g,"),
            std::string("WigleWifi-1.6,appRelease=1.0.0,").size());
  EXPECT_EQ(std::count(merged[2].begin(), merged[2].end(), '\n'), 2 + 3);

  for (const auto& args : {std::vector<std::string>{"-j", "2", nowhere, south, north},
                           std::vector<std::string>{"-j", "3", south, nowhere, north}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_TRUE(Merge("a", args) == merged);
  }
}

// One log merged is the same bytes as that log converted, filtered or not.
TEST_F(MergeCli, OneLogMergedIsTheLogConverted) {
  for (const std::string& log : {north, south, nowhere}) {
    for (const std::vector<std::string>& filters :
         {std::vector<std::string>{},
          {"--min-rssi", "-60", "--exclude-mac", "00:0a:1b:2c:3d:01"},
          {"--ssid", "Off*"}}) { // the last chooses the WiGLE rows by the table
      SCOPED_TRACE(log + ::testing::PrintToString(filters));
      std::vector<std::string> args = {
          "--kml", "--gpx", "--wigle", "--ap-summary", "-o", dir.File("alone.out"), log};
      args.insert(args.end(), filters.begin(), filters.end());
      ASSERT_EQ(RunCli(logs, args).status, 0);
      std::vector<std::string> merged = filters;
      merged.push_back(log);
      EXPECT_TRUE(Merge("one", merged) ==
                  (std::vector<std::string>{
                      Slurp(dir.File("alone.kml")), Slurp(dir.File("alone.gpx")),
                      Slurp(dir.File("alone.wigle.csv")), Slurp(dir.File("alone.aps.csv"))}));
    }
  }
}

// Sighting filters before the access points are gathered, access-point filters after.
TEST_F(MergeCli, FiltersInTheirOrder) {
  const struct {
    std::vector<std::string> filters;
    std::string table; // the rows
    std::size_t wigleRows;
    std::size_t tracks = 2; // the time window limits the tracks to the fixes recorded in it
  } cases[] = {
      {{"--min-rssi", "-60"}, // north's weak sighting of 2 goes: its only position with it
       "00-0A-1B-2C-3D-01,Office,6,No,2,2007-07-12T13:00:05,2007-07-12T13:10:01,-40,-50,"
       "51.00000,-122.50000,-40\r\n"
       "00-0A-1B-2C-3D-02,Guest-2,11,Yes,1,,,-30,-30,,,\r\n",
       2},
      {{"--from", "2007-07-12T13:05"}, // north only: its fix from 13:04 still places them
       "00-0A-1B-2C-3D-01,Office,6,No,1,2007-07-12T13:10:01,2007-07-12T13:10:01,-50,-50,"
       "50.00000,-122.50000,-50\r\n"
       "00-0A-1B-2C-3D-02,Guest,1,No,1,2007-07-12T13:10:02,2007-07-12T13:10:02,-70,-70,"
       "50.00000,-122.50000,-70\r\n",
       2,
       0},
      {{"--to", "2007-07-12T13:05:00"},
       "00-0A-1B-2C-3D-01,Office,6,No,1,2007-07-12T13:00:05,"
       "2007-07-12T13:00:05,-40,-40,51.00000,-122.50000,-40\r\n",
       1},
      // 2's strongest sighting is on channel 11; without it (no RTC), its channel is 1.
      {{"--channel", "1"}, "", 0},
      {{"--channel", "1", "--from", "2007-07-12"},
       "00-0A-1B-2C-3D-02,Guest,1,No,1,"
       "2007-07-12T13:10:02,2007-07-12T13:10:02,-70,"
       "-70,50.00000,-122.50000,-70\r\n",
       1},
      {{"--ssid", "Guest*", "--encryption", "wep"},
       "00-0A-1B-2C-3D-02,Guest-2,11,Yes,2,"
       "2007-07-12T13:10:02,,-30,-70,50.00000,"
       "-122.50000,-70\r\n",
       1},
      {{"--exclude-ssid", "G*", "--exclude-ssid", "x"},
       "00-0A-1B-2C-3D-01,Office,6,No,2,"
       "2007-07-12T13:00:05,2007-07-12T13:10:01,"
       "-40,-50,51.00000,-122.50000,-40\r\n",
       2},
      {{"--exclude-mac", "00-0A-1B-2C-3D-01,00:0a:1b:2c:3d:02"}, "", 0},
      {{"--encryption", "open", "--ssid", "Off[!f]ce"},
       "00-0A-1B-2C-3D-01,Office,6,No,2,"
       "2007-07-12T13:00:05,2007-07-12T13:10:01,"
       "-40,-50,51.00000,-122.50000,-40\r\n",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.filters));
    std::vector<std::string> args = c.filters;
    args.insert(args.end(), {north, south, nowhere});
    const std::vector<std::string> merged = Merge("f", args);
    EXPECT_EQ(merged[3], kTableHeader + c.table);
    EXPECT_EQ(static_cast<std::size_t>(std::count(merged[2].begin(), merged[2].end(), '\n')),
              2 + c.wigleRows);
    std::size_t tracks = 0;
    for (std::size_t at = merged[1].find("<trk>"); at != std::string::npos;
         at = merged[1].find("<trk>", at + 1))
      ++tracks;
    EXPECT_EQ(tracks, c.tracks);
  }
}

// On a terminal a merge ends with the order and what the filters left out.
TEST_F(MergeCli, ATerminalSeesTheOrderAndWhatWasLeftOut) {
  const std::string name = dir.File("s");
  std::vector<const char*> argv = {"veltrix-convert", "--merge",    "--kml", "-o",
                                   name.c_str(),      "--ssid",     "Off*",  north.c_str(),
                                   nowhere.c_str(),   south.c_str()};
  std::ostringstream out, err;
  const std::atomic<bool> stop{false};
  EXPECT_EQ(cli::Run(static_cast<int>(argv.size()), argv.data(), out, err, stop, true), 0);
  // After what a progress display drew, if it drew.
  const std::string said = err.str().substr(err.str().find_last_of('\r') + 1);
  EXPECT_EQ(said, name + ": 3 logs merged (south.qx, north.qx, nowhere.qx); 1 access point, "
                         "1 left out by the filters\n");
}

// A log that cannot be read leaves the merged files as they were; usage errors name the problem.
TEST_F(MergeCli, FailuresAndUsageErrors) {
  testing::WriteFile(dir.File("s.kml"), {'o', 'l', 'd'});
  const Result failed =
      RunCli(logs, {"--merge", "--kml", "-o", dir.File("s"), north, dir.File("missing.qx")});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.err, dir.File("missing.qx") +
                            ": Cannot Open File. (No such file or directory)\n" + dir.File("s") +
                            ": Not merged: the merged files are left as they were.\n");
  EXPECT_EQ(Slurp(dir.File("s.kml")), "old");

  // The WiGLE rows, copied on a second thread while the sightings are gathered, onto a full disk.
  ASSERT_EQ(::symlink("/dev/full", dir.File("s.wigle.csv").c_str()), 0);
  const Result full =
      RunCli(logs, {"--merge", "--kml", "--wigle", "-j", "2", "-o", dir.File("s"), north, south});
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.err.find(dir.File("s.wigle.csv") + ": No space left on device"), std::string::npos)
      << full.err;
  EXPECT_EQ(Slurp(dir.File("s.kml")), "old");

  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"--merge", "--kml", north}, "--merge needs -o NAME"},
      {{"--merge", "--kml", "-o", "-", north}, "cannot be used with -o -"},
      {{"--merge", "--kml", "--survey", "-o", "s", north}, "not a record group"},
      {{"--merge", "--gpx", "--waterfall", "-o", "s", north}, "not --waterfall"},
      {{"--merge", "--survey", "--split", "-o", "s", north}, "not a record group or --split"},
      {{"--merge", "-o", "s", north},
       "--merge needs --kml, --gpx, --wigle, --ap-summary or --report"},
      {{"--merge", "--kml", "-o", "s", north, dir.File("./north.qx")}, "are the same file"},
      {{"--merge", "--kml", "-o", dir.File("t"), north, dir.File("t.kml")},
       "would overwrite the input"},
      {{"--survey", "--ssid", "x", north}, "--ssid filters the maps, tables and report"},
      {{"--kml", "--channel", "1-x", north}, "--channel: '1-x' is not a list of channels"},
      {{"--kml", "--from", "yesterday", north}, "--from: 'yesterday' is not a time"},
      {{"--kml", "--from", "2007-07-12", "--to", "2007-07-11", north}, "is before --from"},
      {{"--kml", "--min-rssi", "loud", north}, "--min-rssi: 'loud' is not a whole number"},
      {{"--kml", "--encryption", "tkip", north}, "--encryption: 'tkip' is neither open nor wep"},
      {{"--kml", "--exclude-mac", "@" + dir.File("none"), north},
       "--exclude-mac: '@" + dir.File("none") + "' cannot read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Result r = RunCli(logs, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

} // namespace
} // namespace veltrix
