#include <gtest/gtest.h>

#include <filesystem>

#include "example_log.h"
#include "products/batch.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

std::vector<Job> ExampleJobs(const testing::TempDir& dir, int count) {
  std::vector<Job> jobs;
  for (int i = 0; i < count; ++i) {
    const std::string name = "log" + std::to_string(i);
    const testing::Bytes log = tools::MakeExampleLog(i % 2 ? LogVariant::B : LogVariant::G, 4096,
                                                     static_cast<std::uint32_t>(i + 1));
    testing::WriteFile(dir.File(name + ".qx"), log);
    Job& job = jobs.emplace_back();
    job.input = dir.File(name + ".qx");
    job.files.push_back({ProductId::Text, dir.File(name + ".out")});
    job.sizeBytes = static_cast<std::int64_t>(log.size());
  }
  return jobs;
}

ProductSettings AllRecords() {
  ProductSettings settings;
  settings.options.TickAllRecordGroups();
  return settings;
}

TEST(RunBatch, ConvertsEveryJobAndFinishesTheProgress) {
  testing::TempDir dir;
  std::vector<Job> jobs = ExampleJobs(dir, 5);
  jobs[2].input = dir.File("missing.qx");
  jobs[2].sizeBytes = 0;
  std::vector<std::int64_t> sizes;
  for (const Job& job : jobs) sizes.push_back(job.sizeBytes);
  ProgressCounters progress(sizes);
  const std::atomic<bool> stop{false};

  const std::vector<JobResult> results =
      RunBatch(jobs, CatalogueOutputs(jobs, AllRecords()), 3, stop, progress);
  ASSERT_EQ(results.size(), jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_TRUE(results[i].started) << i;
    EXPECT_EQ(results[i].status, i == 2 ? ConvertStatus::CannotOpen : ConvertStatus::Completed);
    EXPECT_EQ(std::filesystem::exists(jobs[i].PathOf(ProductId::Text)), i != 2) << i;
  }
  const ProgressSnapshot s = progress.Sample();
  EXPECT_EQ(s.filesDone, jobs.size());
  EXPECT_EQ(s.bytesDone, s.bytesTotal);
}

TEST(RunBatch, StartsNothingOnceStopped) {
  testing::TempDir dir;
  const std::vector<Job> jobs = ExampleJobs(dir, 3);
  ProgressCounters progress({1, 1, 1});
  const std::atomic<bool> stop{true};
  const std::vector<JobResult> results =
      RunBatch(jobs, CatalogueOutputs(jobs, AllRecords()), 2, stop, progress);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_FALSE(results[i].started);
    EXPECT_FALSE(std::filesystem::exists(jobs[i].PathOf(ProductId::Text)));
  }
  EXPECT_EQ(progress.Sample().filesDone, 0u);
}

} // namespace
} // namespace veltrix
