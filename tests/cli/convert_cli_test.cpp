// The real veltrix-convert, run as a child process on logs built here.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>

#include <nlohmann/json.hpp>

#include "cli/app.h"
#include "cli_process.h"
#include "decode/decoders.h"

namespace veltrix {
namespace {

namespace fs = std::filesystem;
using namespace clitest;

std::string FirstLine(const std::string& text) {
  const std::size_t end = text.find("\r\n");
  return end == std::string::npos ? text : text.substr(0, end + 2);
}

std::string Repeated(const std::string& field, int count, char delimiter) {
  std::string line;
  for (int i = 0; i < count; ++i) line += (i ? std::string(1, delimiter) : "") + field;
  return line + "\r\n";
}

TEST_F(ConvertCli, WritesTheOutputNextToTheInputAndNothingToStdout) {
  const std::string g = Log("site.qx", LogVariant::G);
  const Result r = RunCli(logs, {"--full-spectrum", g});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const std::string output = Slurp(dir.File("site.out"));
  EXPECT_EQ(FirstLine(output), Repeated("RSSI (dBm)", 147, ','));
  EXPECT_GT(output.size(), FirstLine(output).size());
  EXPECT_EQ(output.substr(output.size() - 2), "\r\n");
}

TEST_F(ConvertCli, HeaderFollowsTheGenerationAndDelimiter) {
  struct Case {
    LogVariant generation;
    std::vector<std::string> flags;
    std::string header;
  };
  const Case cases[] = {
      {LogVariant::G, {"--full-spectrum", "-d", "tab"}, Repeated("RSSI (dBm)", 147, '\t')},
      {LogVariant::B, {"--full-spectrum"}, Repeated("RSSI (dBm)", 273, ',')},
      {LogVariant::G,
       {"--survey", "--rtc-date", "-d", "semicolon"},
       "RTC Date;Channel;MAC;SSID;RSSI (dBm);WEP (Y/N);AP/STA\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.flags));
    std::vector<std::string> args = c.flags;
    args.push_back(Log("h.qx", c.generation));
    const Result r = RunCli(logs, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FirstLine(Slurp(dir.File("h.out"))), c.header);
  }
}

TEST_F(ConvertCli, NoHeaderLeavesOutOnlyTheFirstLine) {
  const std::string g = Log("g.qx", LogVariant::G);
  ASSERT_EQ(RunCli(logs, {"--records", "--context", g}).status, 0);
  const std::string with = Slurp(dir.File("g.out"));
  ASSERT_EQ(RunCli(logs, {"--records", "--context", "--no-header", g}).status, 0);
  EXPECT_EQ(Slurp(dir.File("g.out")), with.substr(FirstLine(with).size()));
}

TEST_F(ConvertCli, OutputOption) {
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string chosen = dir.File("chosen.txt");
  const Result r = RunCli(logs, {"-o", chosen, "--util", g});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(chosen));
  EXPECT_FALSE(fs::exists(dir.File("g.out")));
}

TEST_F(ConvertCli, FailuresAreReportedWithTheirPathAndExitWithOne) {
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string bad = WriteLog("bad.qx", testing::Bytes{'H', 'E', 'L', 'L', 'O', '!'});
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{dir.File("missing.qx")},
       dir.File("missing.qx") + ": Cannot Open File. (No such file or directory)\n"},
      {{dir.path().string()}, dir.path().string() + ": Cannot Open File. (Is a directory)\n"},
      {{bad}, bad + ": Not a Valid Tarvik File.\n"},
      {{g, "-o", "/dev/full"},
       g + ": Cannot Write Output File. (/dev/full: No space left on device)\n"},
      {{g, "-o", dir.File("no/such/folder/g.out")},
       g + ": Cannot Create Output File. (" + dir.File("no/such/folder/g.out") +
           ": No such file or directory)\n"},
      {{g, "-o", g}, g + ": Output File Must Differ From Input File.\n"},
      // A database that is not one is refused before any log is read.
      {{g, "--sqlite", bad}, bad + ": not a SQLite database (file is not a database)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    args.push_back("--records");
    const Result r = RunCli(logs, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(dir.File("missing.out")));
  EXPECT_FALSE(fs::exists(dir.File("bad.out")));
  EXPECT_EQ(testing::ReadFile(g), tools::MakeExampleLog(LogVariant::G)); // never overwritten
}

// "-" is standard input or output; a pipe is read to its end, whatever its size claims.
TEST_F(ConvertCli, StandardStreams) {
  const std::string g = Log("g.qx", LogVariant::G, 3, 200000);
  const std::string expected = dir.File("expected.out");
  ASSERT_EQ(RunCli(logs, {"--records", "--context", "-o", expected, g}).status, 0);
  const std::string want = Slurp(expected);
  const std::string flags = "--records --context ";
  struct Case {
    std::string script;
    std::string output; // empty: the output is what the command wrote to stdout
  };
  const Case cases[] = {
      {"cat '" + g + "' | $CLI " + flags + "-o '" + dir.File("a.out") + "' -", dir.File("a.out")},
      {"cat '" + g + "' | $CLI " + flags + "-o '" + dir.File("b.out") + "' /dev/stdin",
       dir.File("b.out")},
      {"cat '" + g + "' | $CLI " + flags + "-", ""},
      {"$CLI " + flags + "-o - '" + g + "'", ""},
      {"$CLI " + flags + "- < '" + g + "'", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const Result r = RunShell(logs, c.script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE((c.output.empty() ? r.out : Slurp(c.output)) == want) << "output differs";
  }
  const Result twice = RunShell(logs, "$CLI --util - - < '" + g + "'");
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("standard input (-) can be given only once"), std::string::npos);
  const Result bad = RunShell(logs, "echo nonsense | $CLI --util -");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "standard input: Not a Valid Tarvik File.\n");
  EXPECT_EQ(bad.out, "");
}

// Damage is a warning on stderr (with -q too); the conversion still succeeds.
TEST_F(ConvertCli, DamagedLogsAreConvertedWithAWarning) {
  const testing::Bytes single = testing::GSingleBody({1, 2, 3, 4, 5, 6}, -50, 2, 100, 0);
  testing::Bytes block = {19};
  testing::Append(block, single);
  testing::Bytes cut = testing::EncodeFrame({}, "", block);
  cut.resize(20);
  const std::string damaged = WriteLog("damaged.qx", testing::LogBuilder("QXBG")
                                                         .Frame(19, single)
                                                         .Raw(testing::Bytes(100, 0x11))
                                                         .Frame(19, single)
                                                         .Raw(cut)
                                                         .bytes());
  for (const bool quiet : {false, true}) {
    std::vector<std::string> args = {"--single", damaged};
    if (quiet) args.push_back("-q");
    const Result r = RunCli(logs, args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, damaged + ": warning: 100 damaged bytes skipped in 1 place; 20 bytes at the "
                               "end are not a whole record\n");
    const std::string out = Slurp(dir.File("damaged.out"));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3); // the header and both records
  }
}

// On a terminal (and not with -q) each input converted gets a line, in the converter itself.
TEST_F(ConvertCli, ATerminalGetsALinePerConvertedInput) {
  testing::LogBuilder log("QXBG");
  for (int i = 0; i < 1234; ++i) log.Frame(19, testing::GSingleBody({}, -50, 2, 100, 0));
  const std::string g = WriteLog("g.qx", log.bytes());
  const std::string missing = dir.File("missing.qx");
  for (const bool quiet : {false, true}) {
    std::vector<const char*> argv = {"veltrix-convert", "--single", g.c_str(), missing.c_str()};
    if (quiet) argv.push_back("-q");
    std::ostringstream out, err;
    const std::atomic<bool> stop{false};
    EXPECT_EQ(cli::Run(static_cast<int>(argv.size()), argv.data(), out, err, stop, true), 1);
    const std::string failure = missing + ": Cannot Open File. (No such file or directory)\n";
    EXPECT_EQ(err.str(),
              quiet ? failure : g + " -> " + dir.File("g.out") + " (1,235 lines)\n" + failure);
    EXPECT_EQ(out.str(), "");
  }
}

// --waterfall: NAME.waterfall.png beside the text output, or alone; the text the same bytes.
TEST_F(ConvertCli, WaterfallPictures) {
  const std::string g = Log("g.qx", LogVariant::G);
  ASSERT_EQ(RunCli(logs, {"--records", "-o", dir.File("plain.out"), g}).status, 0);
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> written; // in the folder, besides the logs
  };
  const Case cases[] = {
      {{"--waterfall", "--records", "-o", dir.File("x.out")}, {"x.out", "x.waterfall.png"}},
      {{"--waterfall", "-o", dir.File("y")}, {"y.waterfall.png"}},
      {{"--waterfall"}, {"g.waterfall.png"}},
      {{"--waterfall", "--util", "-o", "-"}, {"g.waterfall.png"}},
      {{"--kml", "--gpx", "--wigle", "--ap-summary", "-o", dir.File("m.out")},
       {"m.aps.csv", "m.gpx", "m.kml", "m.wigle.csv"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    std::vector<std::string> args = c.args;
    args.push_back(g);
    const Result r = RunCli(logs, args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) {
      const std::string name = e.path().filename().string();
      if (name != "g.qx" && name != "plain.out") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.written);
    for (const std::string& name : names) {
      const std::string bytes = Slurp(dir.File(name));
      if (name.ends_with(".png")) {
        EXPECT_EQ(bytes.substr(0, 4), "\x89PNG");
      } else if (name.ends_with(".out")) {
        EXPECT_TRUE(bytes == Slurp(dir.File("plain.out"))) << "the text changed";
      }
      fs::remove(dir.File(name));
    }
  }

  // No full spectrum: a warning and no picture. A picture with no name, or no place: refused.
  const std::string noSpectrum =
      WriteLog("n.qx", testing::LogBuilder("QXBG").Frame(17, {6}).bytes());
  Result r = RunCli(logs, {"--waterfall", noSpectrum});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, noSpectrum + ": warning: No Full Spectrum Records in the Log.\n");
  EXPECT_FALSE(fs::exists(dir.File("n.waterfall.png")));
  r = RunShell(logs, "$CLI --waterfall - < '" + g + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--waterfall needs -o FILE"), std::string::npos) << r.err;
  r = RunCli(logs, {"--waterfall", "-o", dir.File("no/such/x.out"), g});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, g + ": Cannot Create Output File. (" + dir.File("no/such/x.waterfall.png") +
                       ": No such file or directory)\n");
}

TEST_F(ConvertCli, UsageErrorsExitWithTwoAndConvertNothing) {
  const std::string a = Log("a.qx", LogVariant::G);
  const std::string b = Log("a.QX", LogVariant::B);
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{a}, "record group"},
      {{"--util", "-o", dir.File("x.out"), a, b}, "exactly one INPUT"},
      {{"--util", "-d", "pipe", a}, "unknown delimiter"},
      {{"--util", "-j", "0", a}, "--jobs"},
      {{"--util", "--split", "-o", "-", a}, "--split writes files"},
      {{"--kml", "--split", a}, "--split needs at least one record group"},
      {{"--util", "--waterfall", "--db", "-20", "-100", a}, "--db needs MIN below MAX"},
      {{"--util", "--waterfall", "--db", "-20", "-20", a}, "--db needs MIN below MAX"},
      {{"--waterfall", "--db", "-1e9", "1e9", a}, "--db: MIN and MAX must lie within"},
      {{"--report", "--db", "-inf", "0", a}, "--db: MIN and MAX must lie within"},
      {{"--waterfall", "--db", "nan", "0", a}, "--db: MIN and MAX must lie within"},
      {{"--util", a, b}, a + " and " + b + " would both be converted to " + dir.File("a.out")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Result r = RunCli(logs, c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(dir.File("a.out")));
  }
}

TEST_F(ConvertCli, AMissingInputDoesNotStopTheOthers) {
  const std::string a = Log("a.qx", LogVariant::G);
  const std::string b = Log("b.qx", LogVariant::B);
  const std::string missing = dir.File("missing.qx");
  for (const char* jobs : {"1", "3"}) {
    fs::remove(dir.File("a.out"));
    fs::remove(dir.File("b.out"));
    const Result r = RunCli(logs, {"-j", jobs, "--survey", a, missing, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, missing + ": Cannot Open File. (No such file or directory)\n");
    EXPECT_TRUE(fs::exists(dir.File("a.out")));
    EXPECT_TRUE(fs::exists(dir.File("b.out")));
  }
}

TEST_F(ConvertCli, ParallelJobsWriteTheSameBytesAsOne) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 6; ++i) {
    const std::string name = "log" + std::to_string(i);
    inputs.push_back(Log(name + ".qx", i % 3 ? LogVariant::G : LogVariant::B,
                         static_cast<std::uint32_t>(i + 7),
                         static_cast<std::size_t>(20000 + 9000 * i)));
  }
  std::vector<std::string> args = {"--records", "--context", "-d", "space"};
  args.insert(args.end(), inputs.begin(), inputs.end());

  args.insert(args.begin(), {"-j", "1"});
  ASSERT_EQ(RunCli(logs, args).status, 0);
  std::vector<std::string> sequential;
  for (int i = 0; i < 6; ++i) {
    sequential.push_back(Slurp(dir.File("log" + std::to_string(i) + ".out")));
    fs::remove(dir.File("log" + std::to_string(i) + ".out"));
  }
  args[1] = "4";
  const Result r = RunCli(logs, args);
  ASSERT_EQ(r.status, 0) << r.err;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Slurp(dir.File("log" + std::to_string(i) + ".out")), sequential[i]) << i;
  }
}

TEST_F(ConvertCli, InfoDescribesEachLogOnStdout) {
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string b = Log("b.qx", LogVariant::B);
  const std::string missing = dir.File("missing.qx");
  const Result r = RunCli(logs, {"--info", g, missing, b});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, missing + ": Cannot Open File.\n");
  const std::size_t gAt = r.out.find(g + "\n  generation: 802.11g");
  const std::size_t bAt = r.out.find(b + "\n  generation: 802.11b");
  EXPECT_EQ(gAt, 0u) << r.out;
  EXPECT_NE(bAt, std::string::npos) << r.out;
  EXPECT_LT(gAt, bAt);
  for (const char* word : {"frames:", "full spectrum", "first RTC:", "GPS fixes:", "skipped:"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
  EXPECT_FALSE(fs::exists(dir.File("g.out")));

  EXPECT_EQ(RunCli(logs, {"--info", g}).status, 0);
}

// One array, an object per input in order. The counts of the records are checked against the
// text of each group that --split writes (one line per record after the header).
TEST_F(ConvertCli, InfoJsonDescribesEachLogInOneArray) {
  const std::string g = Log("g.qx", LogVariant::G);
  const std::string b = Log("b.qx", LogVariant::B, 3);
  const Result r = RunCli(logs, {"--info", "--json", g, dir.File("gone\xFF.qx"), b});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.back(), '\n');
  const nlohmann::json all = nlohmann::json::parse(r.out);
  ASSERT_EQ(all.size(), 3u) << r.out;
  EXPECT_EQ(all[1], (nlohmann::json{{"path", dir.File("gone\\xFF.qx")},
                                    {"error", "Cannot Open File. (No such file or directory)"}}));
  const char* keys[] = {"full_spectrum", "single_spectrum", "survey", "single", "utilization"};
  for (const auto& [at, path, generation] :
       {std::tuple{0, g, "802.11g"}, std::tuple{2, b, "802.11b"}}) {
    SCOPED_TRACE(path);
    const nlohmann::json& log = all[at];
    EXPECT_EQ(log.at("path"), path);
    EXPECT_EQ(log.at("generation"), generation);
    EXPECT_EQ(log.at("bytes"), fs::file_size(path));
    EXPECT_TRUE(log.at("frames").is_number_integer());
    EXPECT_EQ(log.at("damaged_bytes"), 0);
    EXPECT_EQ(log.at("tail_bytes"), 0);
    EXPECT_EQ(log.at("first_rtc"), "2007-07-12T13:05:00");
    EXPECT_TRUE(log.at("last_rtc").is_string());
    ASSERT_EQ(RunCli(logs, {"--records", "--context", "--split", path}).status, 0);
    ASSERT_EQ(log.at("records").size(), std::size(keys));
    for (std::size_t i = 0; i < std::size(keys); ++i) {
      const std::string text =
          Slurp(path.substr(0, path.size() - 3) + "." + std::string(RecordGroupNames[i]) + ".out");
      const auto lines = static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
      EXPECT_EQ(log.at("records").at(keys[i]), lines - 1) << keys[i];
    }
  }
}

// A record that gives no line is not counted (a survey capture of an invalid frame lists no
// station), and the clocks are those of records (not of empty or oversized frames) whose clock is
// in range.
TEST_F(ConvertCli, InfoJsonCountsRecordsThatGiveLines) {
  using testing::Rtc;
  const testing::Bytes oversized =
      testing::EncodeFrameWithLengths(Rtc{1, 1, 7, 8, 0, 0}, 0, {}, 8193, testing::Bytes(8193, 0));
  const testing::Bytes beacon = testing::BeaconFrame(10, {0, 1, 2, 3, 4, 5}, false, {});
  testing::CaptureHeader invalid;
  invalid.frameValid = 0;
  const std::string log = WriteLog(
      "hand.qx", testing::LogBuilder("QXB ")
                     .Raw(oversized)
                     .EmptyFrame({}, Rtc{1, 1, 7, 9, 0, 0})
                     .Frame(4, {6}, {}, Rtc{1, 13, 7, 9, 0, 1}) // month 13
                     .Frame(19, testing::BUtilBody({}), {}, Rtc{2, 1, 7, 9, 0, 2})
                     .Raw({1, 2, 3})
                     .Frame(10, testing::CaptureBody(invalid, beacon), {}, Rtc{3, 1, 7, 9, 0, 3})
                     .Frame(10, testing::CaptureBody({}, beacon), {}, Rtc{4, 1, 7, 9, 0, 4})
                     .EmptyFrame({}, Rtc{5, 1, 7, 9, 0, 5})
                     .Raw({4, 5, 6, 7})
                     .bytes());
  const Result r = RunShell(logs, "$CLI --info --json - < '" + log + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json described = {{"path", "-"},
                                    {"generation", "802.11b"},
                                    {"bytes", fs::file_size(log)},
                                    {"frames", 7},
                                    {"damaged_bytes", oversized.size() + 3},
                                    {"tail_bytes", 4},
                                    {"first_rtc", "2007-01-02T09:00:02"},
                                    {"last_rtc", "2007-01-04T09:00:04"},
                                    {"records",
                                     {{"full_spectrum", 0},
                                      {"single_spectrum", 0},
                                      {"survey", 1},
                                      {"single", 0},
                                      {"utilization", 1}}}};
  EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::array({described}));
}

TEST_F(ConvertCli, Version) {
  const Result r = RunCli(logs, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("veltrix-convert ") + VELTRIX_VERSION + "\n");
}

TEST_F(ConvertCli, InterruptEndsRunningConversionsWithWholeLinesAndStartsNoMore) {
  // Two small logs, then larger ones that take a while each.
  const testing::Bytes small = tools::MakeExampleLog(LogVariant::G, 1u << 20);
  const testing::Bytes big = tools::MakeExampleLog(LogVariant::G, 8u << 20);
  std::vector<std::string> args = {"-j", "2", "--records", "--context"};
  for (int i = 0; i < 6; ++i)
    args.push_back(WriteLog("big" + std::to_string(i) + ".qx", i < 2 ? small : big));

  const pid_t pid = Start(logs, args);
  ASSERT_GT(pid, 0);
  // Once the third log's output is being written (outputs are renamed into place only when they
  // are complete), a conversion is under way and the batch is far from its end.
  const auto writingThird = [&] {
    for (const std::string& name : TemporaryFiles(dir))
      if (name.starts_with(".big2.out")) return true;
    return fs::exists(dir.File("big2.out"));
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!writingThird() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGINT);
  const Result r = Finish(logs, pid);
  if (r.status == 0) GTEST_SKIP() << "the batch ended before the interrupt arrived";

  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(".qx: Interrupted; the output ends with the last whole line.\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(args[9] + ": Not converted (interrupted).\n"), std::string::npos) << r.err;
  for (int i = 0; i < 6; ++i) {
    const std::string output = dir.File("big" + std::to_string(i) + ".out");
    if (!fs::exists(output)) continue;
    const std::string text = Slurp(output);
    if (!text.empty()) {
      EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << output;
    }
  }
  EXPECT_FALSE(fs::exists(dir.File("big5.out")));
}

} // namespace
} // namespace veltrix
