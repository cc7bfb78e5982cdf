#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>

#include "cli/arguments.h"
#include "cli/exit_codes.h"

namespace veltrix::cli {
namespace {

struct Parsed {
  std::optional<int> exit;
  CliSettings settings;
  std::string out, err;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "veltrix-convert");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  Parsed p;
  std::ostringstream out, err;
  p.exit = ParseArguments(static_cast<int>(argv.size()), argv.data(), p.settings, out, err);
  p.out = out.str();
  p.err = err.str();
  return p;
}

struct MappingCase {
  std::vector<std::string> args;
  std::function<void(ConversionOptions&)> expect; // applied to the defaults
};

TEST(Arguments, FlagsMapToOptions) {
  const MappingCase cases[] = {
      {{"--survey"}, [](auto& o) { o.survey = true; }},
      {{"--full-spectrum"}, [](auto& o) { o.fullSpectrum = true; }},
      {{"--single-spectrum"}, [](auto& o) { o.singleSpectrum = true; }},
      {{"--single"}, [](auto& o) { o.single = true; }},
      {{"--util"}, [](auto& o) { o.utilization = true; }},
      {{"--survey", "--ap-only"}, [](auto& o) { o.survey = o.accessPointsOnly = true; }},
      {{"--records"},
       [](auto& o) {
         o.fullSpectrum = o.singleSpectrum = o.survey = o.single = o.utilization = true;
       }},
      {{"--util", "--no-header"},
       [](auto& o) {
         o.utilization = true;
         o.header = false;
       }},
      {{"--util", "--rtc-date"}, [](auto& o) { o.utilization = o.rtcDate = true; }},
      {{"--util", "--rtc-time"}, [](auto& o) { o.utilization = o.rtcTime = true; }},
      {{"--util", "--marker"}, [](auto& o) { o.utilization = o.marker = true; }},
      {{"--util", "--gps-date"}, [](auto& o) { o.utilization = o.gpsDate = true; }},
      {{"--util", "--gps-time"}, [](auto& o) { o.utilization = o.gpsTime = true; }},
      {{"--util", "--gps-lat"}, [](auto& o) { o.utilization = o.gpsLatitude = true; }},
      {{"--util", "--gps-lon"}, [](auto& o) { o.utilization = o.gpsLongitude = true; }},
      {{"--util", "--context"},
       [](auto& o) {
         o.utilization = o.rtcDate = o.rtcTime = o.marker = true;
         o.gpsDate = o.gpsTime = o.gpsLatitude = o.gpsLongitude = true;
       }},
      {{"--util", "-d", "comma"}, [](auto& o) { o.utilization = true; }},
      {{"--util", "-d", "tab"},
       [](auto& o) {
         o.utilization = true;
         o.delimiter = static_cast<Delimiter>(1);
       }},
      {{"--util", "--delimiter", "space"},
       [](auto& o) {
         o.utilization = true;
         o.delimiter = static_cast<Delimiter>(2);
       }},
      {{"--util", "-d", "Semicolon"},
       [](auto& o) {
         o.utilization = true;
         o.delimiter = static_cast<Delimiter>(3);
       }},
      {{"--util", "-d", "TAB"},
       [](auto& o) {
         o.utilization = true;
         o.delimiter = static_cast<Delimiter>(1);
       }},
  };
  for (const MappingCase& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("log.qx");
    const Parsed p = Parse(args);
    SCOPED_TRACE(::testing::PrintToString(c.args));
    ASSERT_FALSE(p.exit.has_value()) << p.err;
    ConversionOptions expected;
    c.expect(expected);
    EXPECT_EQ(p.settings.options, expected);
    EXPECT_EQ(p.settings.inputs, std::vector<std::string>{"log.qx"});
    EXPECT_EQ(p.err, "");
  }
}

TEST(Arguments, OtherSettings) {
  const Parsed defaults = Parse({"--survey", "a.qx", "b.qx"});
  ASSERT_FALSE(defaults.exit.has_value());
  EXPECT_EQ(defaults.settings.inputs, (std::vector<std::string>{"a.qx", "b.qx"}));
  EXPECT_EQ(defaults.settings.output, "");
  EXPECT_EQ(defaults.settings.jobs, std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_FALSE(defaults.settings.quiet);
  EXPECT_FALSE(defaults.settings.info);

  const Parsed set = Parse({"a.qx", "-j", "3", "-q", "--single", "-o", "x.txt"});
  ASSERT_FALSE(set.exit.has_value()) << set.err;
  EXPECT_EQ(set.settings.jobs, 3u);
  EXPECT_TRUE(set.settings.quiet);
  EXPECT_EQ(set.settings.output, "x.txt");

  // --info needs no record group.
  const Parsed info = Parse({"--info", "a.qx"});
  ASSERT_FALSE(info.exit.has_value()) << info.err;
  EXPECT_TRUE(info.settings.info);
  EXPECT_FALSE(info.settings.json);
  EXPECT_TRUE(Parse({"--info", "--json", "a.qx"}).settings.json);
}

TEST(Arguments, UsageErrorsExitWithTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--survey"}, "INPUT"},
      {{"a.qx"}, "record group"},
      {{"--context", "--no-header", "a.qx"}, "record group"},
      {{"--ap-only", "a.qx"}, "--ap-only needs --survey"},
      {{"--survey", "-o", "x.out", "a.qx", "b.qx"}, "exactly one INPUT"},
      {{"--info", "-o", "x.out", "a.qx"}, "--info"},
      {{"--json", "a.qx"}, "--json applies to --info"},
      {{"--survey", "--json", "a.qx"}, "--json applies to --info"},
      {{"--survey", "-o", "", "a.qx"}, "--output needs a path"},
      {{"--survey", "-d", "pipe", "a.qx"}, "unknown delimiter 'pipe'"},
      {{"--survey", "-d", "", "a.qx"}, "unknown delimiter"},
      {{"--survey", "-j", "0", "a.qx"}, "--jobs must be at least 1"},
      {{"--survey", "-j", "-4", "a.qx"}, "--jobs must be at least 1"},
      {{"--survey", "-j", "many", "a.qx"}, "many"},
      {{"--survey", "--colour", "a.qx"}, "--colour"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const Parsed p = Parse(c.args);
    EXPECT_EQ(p.exit, kExitUsage);
    EXPECT_NE(p.err.find(c.says), std::string::npos) << p.err;
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
    EXPECT_EQ(p.out, "");
  }
}

TEST(Arguments, HelpAndVersionGoToStdoutAndExitWithZero) {
  const Parsed version = Parse({"--version"});
  EXPECT_EQ(version.exit, kExitOk);
  EXPECT_EQ(version.out, std::string("veltrix-convert ") + VELTRIX_VERSION + "\n");

  const Parsed help = Parse({"--help"});
  EXPECT_EQ(help.exit, kExitOk);
  EXPECT_EQ(help.err, "");
  for (const char* word :
       {"INPUT", "--records", "--ap-only", "--jobs", "--info", "--json", "130"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

} // namespace
} // namespace veltrix::cli
