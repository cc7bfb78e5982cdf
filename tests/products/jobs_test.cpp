#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "products/jobs.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

TEST(DefaultOutputPath, ReplacesATrailingQxOrAddsOut) {
  const std::pair<const char*, const char*> cases[] = {
      {"log.qx", "log.out"},
      {"/data/site 1/log.qx", "/data/site 1/log.out"},
      {"LOG.QX", "LOG.out"},
      {"a.Qx", "a.out"},
      {"mylog", "mylog.out"},
      {"survey.qx.bak", "survey.qx.bak.out"},
      {"a.qxyz", "a.qxyz.out"},
      {"logqx", "logqx.out"},
      {".qx", ".out"},
      {"d.qx/b", "d.qx/b.out"},
      {"-", "-"}, // standard input goes to standard output
  };
  for (const auto& [input, output] : cases) EXPECT_EQ(DefaultOutputPath(input), output) << input;
}

TEST(PlanJobs, OneJobPerInputInOrder) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("a.qx"), testing::Bytes(100, 'x'));
  std::vector<Job> jobs;
  std::string problem;
  ASSERT_TRUE(PlanJobs({dir.File("a.qx"), dir.File("missing.qx")}, "", jobs, problem)) << problem;
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].PathOf(ProductId::Text), dir.File("a.out"));
  EXPECT_EQ(jobs[0].sizeBytes, 100);
  EXPECT_EQ(jobs[1].input, dir.File("missing.qx"));
  EXPECT_EQ(jobs[1].sizeBytes, 0);

  // A pipe has no size beforehand; standard input goes to standard output unless told otherwise.
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
  ASSERT_TRUE(PlanJobs({dir.File("fifo"), "-"}, "", jobs, problem)) << problem;
  EXPECT_EQ(jobs[0].sizeBytes, -1);
  EXPECT_EQ(jobs[1].PathOf(ProductId::Text), "-");
  ASSERT_TRUE(PlanJobs({"-"}, "x.out", jobs, problem)) << problem;
  EXPECT_EQ(jobs[0].PathOf(ProductId::Text), "x.out");

  // Into a folder: the same file names there, beside nothing.
  ASSERT_TRUE(PlanJobs({dir.File("a.qx")}, "", jobs, problem, {ProductId::Text, ProductId::Kml}, {},
                       "/srv/out"));
  EXPECT_EQ(jobs[0].PathOf(ProductId::Text), "/srv/out/a.out");
  EXPECT_EQ(jobs[0].PathOf(ProductId::Kml), "/srv/out/a.kml");

  ASSERT_TRUE(PlanJobs({"a.qx"}, "elsewhere.txt", jobs, problem));
  EXPECT_EQ(jobs[0].PathOf(ProductId::Text), "elsewhere.txt");
  // An output naming its own input is for the conversion to refuse.
  EXPECT_TRUE(PlanJobs({"a.qx"}, "a.qx", jobs, problem));
}

TEST(PlanJobs, RefusesOutputsThatCollide) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "sub");
  const std::string d = dir.path().string();
  testing::WriteFile(d + "/a.qx", testing::Bytes(10, 'x'));
  std::filesystem::create_symlink(d + "/a.qx", d + "/symbolic.qx");
  std::filesystem::create_hard_link(d + "/a.qx", d + "/hard.qx");
  struct Case {
    std::vector<std::string> inputs;
    std::string says;
  };
  const Case cases[] = {
      {{d + "/a.qx", d + "/a.QX"}, "would both be converted to"},
      {{"-", d + "/b.qx", "-"}, "standard input (-) can be given only once"},
      {{d + "/a.qx", d + "/b.qx", d + "/a.qx"}, "are the same file"},
      {{d + "/a.qx", d + "/symbolic.qx"}, "are the same file"},
      {{d + "/hard.qx", d + "/b.qx", d + "/a.qx"},
       d + "/hard.qx and " + d + "/a.qx are the same file"},
      {{d + "/c.qx", d + "/sub/../c.qx"}, "are the same file"}, // even when missing
      {{d + "/c.qx", d + "/./c.qX"}, "would both be converted to"},
      {{d + "/c.qx", d + "/sub/../c.Qx"}, "would both be converted to"},
      {{d + "/a.out", d + "/a.qx"}, "would overwrite the input " + std::string(d) + "/a.out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.inputs));
    std::vector<Job> jobs;
    std::string problem;
    EXPECT_FALSE(PlanJobs(c.inputs, "", jobs, problem));
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
  }
  // Logs of one name from two folders collide in one folder.
  std::vector<Job> jobs;
  std::string problem;
  EXPECT_FALSE(PlanJobs({d + "/a.qx", d + "/sub/a.qx"}, "", jobs, problem, {ProductId::Kml}, {},
                        d + "/out"));
  EXPECT_EQ(problem,
            d + "/a.qx and " + d + "/sub/a.qx would both be converted to " + d + "/out/a.kml");
}

} // namespace
} // namespace veltrix
