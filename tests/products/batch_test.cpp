#include <gtest/gtest.h>

#include <filesystem>

#include "example_log.h"
#include "products/batch.h"
#include "products/filter_texts.h"
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
      RunBatch(jobs, CatalogueOutputs(jobs, AllRecords(), 3), 3, stop, progress);
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
      RunBatch(jobs, CatalogueOutputs(jobs, AllRecords(), 2), 2, stop, progress);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_FALSE(results[i].started);
    EXPECT_FALSE(std::filesystem::exists(jobs[i].PathOf(ProductId::Text)));
  }
  EXPECT_EQ(progress.Sample().filesDone, 0u);
}

// How the batch's lines name what was written: a text with its lines, a database's import.
TEST(DescribeBatch, NamesWrittenFilesAndImports) {
  const std::pair<WrittenFile, std::string> written[] = {
      {WrittenFile("a.kml"), "a.kml"},
      {WrittenFile("a.out", 1), "a.out (1 line)"},
      {WrittenFile("a.out", 25698), "a.out (25,698 lines)"},
  };
  for (const auto& [file, text] : written) EXPECT_EQ(WrittenText(file.path, file), text);
  const std::pair<WrittenFile, std::string> imports[] = {
      {WrittenFile("s.db", 1, false), "a.qx: imported into s.db (1 record)"},
      {WrittenFile("s.db", 1234, false), "a.qx: imported into s.db (1,234 records)"},
      {WrittenFile("s.db", 1234, true), "a.qx: replaced its earlier import in s.db"},
  };
  for (const auto& [file, text] : imports) EXPECT_EQ(ImportLine("a.qx", file), text);
}

// A wrong filter value is named the way the front end names it, the window's labels here.
TEST(ReadFilters, NamesTheValueThatIsWrong) {
  const FilterNames names{"Minimum RSSI", "From",       "To",
                          "Channels",     "Encryption", "MACs to leave out"};
  const auto texts = [](auto set) {
    FilterTexts t;
    set(t);
    return t;
  };
  const std::pair<FilterTexts, std::string> cases[] = {
      {texts([](FilterTexts& t) { t.minRssi = "loud"; }),
       "Minimum RSSI: 'loud' is not a whole number of dBm, such as -75"},
      {texts([](FilterTexts& t) {
         t.from = "2007-07-12";
         t.to = "2007-07-11";
       }),
       "To: '2007-07-11' is before From '2007-07-12'"},
      {texts([](FilterTexts& t) { t.channels = "1-x"; }),
       "Channels: '1-x' is not a list of channels such as 1,6,11 or 1-3,11"},
      {texts([](FilterTexts& t) { t.encryption = "wpa"; }),
       "Encryption: 'wpa' is neither open nor wep"},
      {texts([](FilterTexts& t) { t.macLists = {"00:11"}; }), "MACs to leave out: '00:11' "},
  };
  for (const auto& [given, says] : cases) {
    MapFilters filters;
    const std::optional<std::string> problem = ReadFilters(given, names, filters);
    ASSERT_TRUE(problem.has_value()) << says;
    EXPECT_EQ(problem->substr(0, says.size()), says);
  }
  MapFilters filters;
  EXPECT_FALSE(ReadFilters(texts([](FilterTexts& t) {
                             t.channels = "1,6";
                             t.encryption = "wep";
                           }),
                           names, filters));
  EXPECT_TRUE(filters.accessPoints.channels->test(6));
  EXPECT_EQ(filters.accessPoints.encryption, Encryption::Wep);
}

// The conversions take the threads first; a conversion gets the rest only when they go round.
TEST(Batch, SpareThreads) {
  struct Case {
    unsigned workers;
    std::size_t conversions;
    unsigned spare;
  };
  for (const Case c : {Case{1, 1, 0}, Case{2, 1, 1}, Case{2, 4, 0}, Case{4, 2, 1}, Case{8, 3, 1},
                       Case{4, 1, 3}, Case{0, 1, 0}, Case{3, 0, 0}}) {
    EXPECT_EQ(SpareThreads(c.workers, c.conversions), c.spare)
        << c.workers << " workers, " << c.conversions << " conversions";
  }
}

} // namespace
} // namespace veltrix
