#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

#include "io/output_file.h"
#include "support/conversion_run.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

// The bytes of `lines` numbered lines, as an OutputFile writes them.
std::string Lines(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::to_string(i) + ",\"a,b\",x\r\n";
  return text;
}

void Write(OutputFile& out, int lines) {
  for (int i = 0; i < lines; ++i) {
    out.IntegerField(i);
    out.Field("a,b");
    out.PlainField("x");
    out.EndLine();
  }
}

// Small files and files of many buffers (written in line, or in the background from the second
// on) come out whole and in order; a write that fails in the background still fails the file,
// which is then left out.
TEST(OutputFile, WritesEveryBufferInOrderAndReportsLateFailures) {
  testing::TempDir dir;
  SpareThread spare;
  const std::size_t buffer = OutputFile::kBufferSize;
  for (const bool background : {false, true}) {
    for (const int lines : {3, static_cast<int>(buffer / 8), static_cast<int>(12 * buffer / 13)}) {
      SCOPED_TRACE(std::to_string(lines) + (background ? " lines, in the background" : " lines"));
      OutputFile out(',');
      out.WriteInBackground(background ? &spare : nullptr);
      ASSERT_TRUE(out.Create(dir.File("out.csv")));
      Write(out, lines);
      ASSERT_TRUE(out.Close());
      EXPECT_TRUE(testing::AsText(testing::ReadFile(dir.File("out.csv"))) == Lines(lines));
    }
  }

  // Past the first buffer, every write in the background fails: the failure shows by the close at
  // the latest.
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = buffer + buffer / 2;
  ::setrlimit(RLIMIT_FSIZE, &small);
  OutputFile out(',');
  out.WriteInBackground(&spare);
  const bool created = out.Create(dir.File("big.csv"));
  Write(out, static_cast<int>(buffer)); // about 13 buffers
  const bool closed = out.Close();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(created);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(out.Failed());
  EXPECT_EQ(out.FailureDetail(), dir.File("big.csv") + ": File too large");
  EXPECT_FALSE(std::filesystem::exists(dir.File("big.csv")));
}

// The spare thread does the work of all its users in the order handed over, and what is still
// waiting when it goes.
TEST(SpareThread, DoesEveryWorkInTheOrderHandedOver) {
  std::vector<int> done;
  {
    SpareThread thread;
    for (int i = 0; i < 100; ++i) {
      thread.Post([&done, i] {
        if (i == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the rest queue up
        done.push_back(i);
      });
    }
  }
  ASSERT_EQ(done.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
}

} // namespace
} // namespace veltrix
