#include <gtest/gtest.h>

#include <set>

#include "decode/log_summary.h"
#include "decode/payload_types.h"
#include "example_log.h"
#include "reader/identify.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

const std::string kExamples = std::string(VELTRIX_SOURCE_DIR) + "/examples/";

struct ExampleCase {
  const char* file;
  LogVariant generation;
  std::set<unsigned> types; // every payload type the generation defines
};

// The payload types that a log holds records of.
std::set<unsigned> TypesIn(const LogSummary& s) {
  std::set<unsigned> present;
  for (unsigned t = 0; t < 256; ++t)
    if (s.RecordsPerType[t] > 0) present.insert(t);
  return present;
}

const ExampleCase kCases[] = {
    {"tarvik-g.qx", LogVariant::G, {7, 8, 16, 17, 19, 21, 25}},
    {"tarvik-b.qx", LogVariant::B, {4, 5, 6, 7, 9, 10, 11, 14, 18, 19}},
};

TEST(Examples, AreWhatTheGeneratorMakes) {
  for (const ExampleCase& c : kCases) {
    EXPECT_EQ(testing::ReadFile(kExamples + c.file), tools::MakeExampleLog(c.generation)) << c.file;
  }
}

TEST(Examples, HoldEveryPayloadTypeOfTheirGeneration) {
  for (const ExampleCase& c : kCases) {
    SCOPED_TRACE(c.file);
    LogSummary s;
    ASSERT_EQ(SummarizeLog(kExamples + c.file, s), IdentifyResult::Ok);
    EXPECT_EQ(s.Variant, c.generation);
    EXPECT_EQ(TypesIn(s), c.types);
    for (const unsigned t : c.types) EXPECT_STRNE(PayloadTypeName(c.generation, t), "unknown");
    EXPECT_EQ(s.SkippedBytes, 0);
    EXPECT_EQ(s.Damage.tailBytes, 0);
    EXPECT_EQ(s.EmptyPayloads, 0);
    EXPECT_GT(s.GpsFixes, 0);
    EXPECT_LT(s.SizeBytes, 16 * 1024);
  }
}

// The simulated site surveys: a quarter of an hour of sweeps, fixes, sightings and utilization,
// clean and small enough to keep in the repository.
const ExampleCase kSurveys[] = {
    {"site-survey-g.qx", LogVariant::G, {8, 16, 17, 21, 25}},
    {"site-survey-b.qx", LogVariant::B, {4, 7, 9, 14, 19}},
};

TEST(Examples, SurveysAreWhatTheGeneratorMakes) {
  for (const ExampleCase& c : kSurveys) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(testing::ReadFile(kExamples + c.file), tools::MakeSurveyLog(c.generation));
    LogSummary s;
    ASSERT_EQ(SummarizeLog(kExamples + c.file, s), IdentifyResult::Ok);
    EXPECT_EQ(s.Variant, c.generation);
    EXPECT_EQ(TypesIn(s), c.types);
    EXPECT_EQ(s.SkippedBytes + s.Damage.tailBytes + s.EmptyPayloads, 0);
    EXPECT_EQ(s.LastClock.Seconds() - s.FirstClock.Seconds(), 15 * 60 - 1);
    EXPECT_EQ(s.GpsFixes, 15 * 30); // one every 2 s
    EXPECT_LT(s.SizeBytes, 2 * 1024 * 1024);
  }
}

TEST(Examples, SummaryOfADamagedLog) {
  testing::TempDir dir;
  testing::Bytes log = tools::MakeExampleLog(LogVariant::G);
  log.insert(log.begin() + 14, {1, 2, 3, 4, 5}); // garbage before the first frame
  log.resize(log.size() - 3);                    // the last frame cut short
  testing::WriteFile(dir.File("d.qx"), log);
  LogSummary s;
  ASSERT_EQ(SummarizeLog(dir.File("d.qx"), s), IdentifyResult::Ok);
  EXPECT_EQ(s.SkippedBytes, 5);
  EXPECT_GT(s.Damage.tailBytes, 3);
  const std::string text = FormatSummary(s);
  EXPECT_NE(text.find("generation: 802.11g"), std::string::npos) << text;
  EXPECT_NE(text.find("5 bytes while resynchronising"), std::string::npos) << text;
  EXPECT_NE(text.find("damage:     5 damaged bytes skipped in 1 place; "), std::string::npos)
      << text;
  EXPECT_NE(text.find("full spectrum"), std::string::npos) << text;
}

} // namespace
} // namespace veltrix
