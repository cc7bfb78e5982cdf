#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "cli/progress.h"

namespace veltrix::cli {
namespace {

TEST(Progress, FormatBytes) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.0 KiB"},
      {1536, "1.5 KiB"},
      {5 << 20, "5.0 MiB"},
      {std::int64_t{3} << 30, "3.0 GiB"},
      {std::int64_t{2048} << 30, "2.0 TiB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatBytes(bytes), text) << bytes;
}

TEST(Progress, Line) {
  struct Case {
    ProgressSnapshot snapshot;
    double seconds;
    std::string expected;
  };
  const Case cases[] = {
      {{1, 2, 2048, 4096},
       2.0,
       "[##########..........] 1/2 files  2.0 KiB / 4.0 KiB   50%  1.0 KiB/s"},
      {{0, 3, 0, 3 << 20}, 0.0, "[....................] 0/3 files  0 B / 3.0 MiB    0%"},
      // A log that grew while it was read never shows more than everything.
      {{1, 1, 5000, 4000},
       1.0,
       "[####################] 1/1 files  3.9 KiB / 3.9 KiB  100%  3.9 KiB/s"},
      // Inputs that did not exist count nothing, yet a finished batch is complete.
      {{2, 2, 0, 0}, 1.0, "[####################] 2/2 files  0 B / 0 B  100%  0 B/s"},
      {{1, 2, 0, 0}, 1.0, "[....................] 1/2 files  0 B / 0 B    0%  0 B/s"},
      // A pipe among the inputs: bytes, but no total and no percentage.
      {{1, 2, 3 << 20, 1000, false}, 2.0, "1/2 files  3.0 MiB  1.5 MiB/s"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatProgressLine(c.snapshot, c.seconds), c.expected);
}

TEST(Progress, CountersAddUpJobsAndCountFinishedOnesWhole) {
  ProgressCounters counters({1000, 2000, 30});
  EXPECT_EQ(counters.Sample().bytesTotal, 3030);
  counters.SetBytes(0, 400);
  counters.SetBytes(1, 100);
  counters.SetBytes(1, 900);
  ProgressSnapshot s = counters.Sample();
  EXPECT_EQ(s.bytesDone, 1300);
  EXPECT_EQ(s.filesDone, 0u);
  EXPECT_EQ(s.files, 3u);
  // The conversion's own count leaves out the file header; a finished job counts whole.
  counters.SetBytes(0, 986);
  counters.FinishJob(0);
  counters.FinishJob(2);
  s = counters.Sample();
  EXPECT_EQ(s.bytesDone, 1930);
  EXPECT_EQ(s.filesDone, 2u);
}

TEST(Progress, DisplayRedrawsOneLineAndClearsIt) {
  ProgressCounters counters({4096});
  std::ostringstream out;
  {
    ProgressDisplay display(counters, out, std::chrono::milliseconds(2));
    counters.SetBytes(0, 2048);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    display.Stop();
  }
  const std::string text = out.str();
  EXPECT_EQ(text.find('\n'), std::string::npos);
  ASSERT_GT(text.size(), 2u);
  EXPECT_EQ(text.front(), '\r');
  EXPECT_NE(text.find(" 50%"), std::string::npos);
  // It ends with the line blanked and the cursor back in the first column.
  const std::size_t last = text.rfind('\r', text.size() - 2);
  ASSERT_NE(last, std::string::npos);
  EXPECT_EQ(text.back(), '\r');
  EXPECT_EQ(text.substr(last + 1, text.size() - last - 2).find_first_not_of(' '),
            std::string::npos);
}

TEST(Progress, ABatchShorterThanOneIntervalDrawsNothing) {
  ProgressCounters counters({10});
  std::ostringstream out;
  ProgressDisplay display(counters, out, std::chrono::seconds(30));
  display.Stop();
  EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace veltrix::cli
