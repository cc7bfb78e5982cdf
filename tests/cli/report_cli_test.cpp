// --report: one page per log or per merged survey, read back by Python's HTML parser.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_process.h"
#include "decode/payload_types.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using namespace clitest;
using testing::Bytes;

const std::string kCheck = std::string(VELTRIX_SOURCE_DIR) + "/tests/cli/report_check.py";

testing::Rtc At(std::uint8_t minute, std::uint8_t second) {
  testing::Rtc rtc;
  rtc.minute = minute;
  rtc.second = second;
  return rtc;
}

// An 802.11g log of everything a report shows, its SSIDs made to break a page that trusts them.
Bytes StoryLog(std::uint8_t minute) {
  const std::vector<std::string> ssids = {"<script>alert(1)</script>", "\"><i id=x>",
                                          "Caf\xC3\xA9 & bar", std::string("\xFF\x01", 2)};
  std::vector<testing::GSurveyStation> stations;
  std::vector<testing::GSurveyAccessPoint> aps;
  for (std::uint8_t i = 0; i < ssids.size(); ++i) {
    stations.push_back({{0x00, 0x0A, 0x1B, 0x2C, minute, i}, static_cast<std::int16_t>(-40 - i)});
    aps.push_back({i, ssids[i], static_cast<std::uint8_t>(1 + 5 * i), i % 2 == 1});
  }
  testing::LogBuilder log("QXBG");
  log.Frame(g_payload::kChannel, {6}, "", At(minute, 0))
      .Frame(g_payload::kGps, testing::GpsBody({}), "", At(minute, 0));
  for (std::uint8_t s = 1; s < 4; ++s) {
    std::vector<std::int16_t> sweep(147, static_cast<std::int16_t>(-1400 - 16 * s));
    log.Frame(g_payload::kFullSpectrum, testing::SpectrumBody(sweep), "1", At(minute, s));
  }
  std::array<std::uint32_t, 14> counts{};
  counts[5] = 125000;
  return log.Frame(g_payload::kSurvey, testing::GSurveyBody(stations, aps), "", At(minute, 5))
      .Frame(g_payload::kUtilization, testing::GUtilBody(counts), "", At(minute, 6))
      .bytes();
}

class ReportCli : public ConvertCli {
protected:
  void SetUp() override {
    if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is not installed";
  }
  Result Check(const std::vector<std::string>& args) {
    std::string line = "python3 '" + kCheck + "'";
    for (const std::string& arg : args) line += " '" + arg + "'";
    return RunShell(logs, line);
  }
};

// The page fetches nothing, has every table, the same access-point rows as --ap-summary and the
// same waterfall as --waterfall, and no element or attribute from an SSID.
TEST_F(ReportCli, APageThatTrustsNothingFromTheLog) {
  const std::string log = WriteLog("story.qx", StoryLog(5));
  const Result r =
      RunCli(logs, {"--report", "--waterfall", "--ap-summary", "-o", dir.File("r"), log});
  ASSERT_EQ(r.status, 0) << r.err;
  const Result check = Check({dir.File("r.report.html"), "--tables", "records-1", "channels",
                              "utilization", "channel-use", "access-points", "--aps",
                              dir.File("r.aps.csv"), "--waterfalls", dir.File("r.waterfall.png")});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  const std::string page = Slurp(dir.File("r.report.html"));
  EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("\\xFF\\x01"), std::string::npos);
}

// A merged survey: a summary and a waterfall per log in merge order, the rest over all logs.
TEST_F(ReportCli, OnePageForASurvey) {
  const std::string late = WriteLog("late.qx", StoryLog(9));
  const std::string early = WriteLog("early.qx", StoryLog(2));
  for (const auto& [log, name] : {std::pair{late, "late"}, std::pair{early, "early"}})
    ASSERT_EQ(RunCli(logs, {"--waterfall", "-o", dir.File(name), log}).status, 0);
  const Result r = RunCli(logs, {"--merge", "--report", "--ap-summary", "--exclude-ssid", "Caf*",
                                 "-o", dir.File("s"), late, early});
  ASSERT_EQ(r.status, 0) << r.err;
  const Result check =
      Check({dir.File("s.report.html"), "--tables", "records-1", "records-2", "channels",
             "utilization", "channel-use", "access-points", "--aps", dir.File("s.aps.csv"),
             "--waterfalls", dir.File("early.waterfall.png"), dir.File("late.waterfall.png")});
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("3 pictures"), std::string::npos) << check.out; // and the density
  EXPECT_EQ(Slurp(dir.File("s.report.html")).find("Caf\xC3\xA9 &amp; bar"), std::string::npos);
}

TEST_F(ReportCli, BusyThresholdOnlyWithAReport) {
  const std::string log = WriteLog("story.qx", StoryLog(5));
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"--kml", "--busy-db", "-70", log}, "--busy-db applies to --report"},
      {{"--report", "--busy-db", "loud", log}, "--busy-db: 'loud' is not a whole number"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(logs, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  ASSERT_EQ(RunCli(logs, {"--report", "--busy-db", "-70", "-o", dir.File("b"), log}).status, 0);
  EXPECT_NE(Slurp(dir.File("b.report.html")).find("at or above -70.0 dBm"), std::string::npos);
}

} // namespace
} // namespace veltrix
