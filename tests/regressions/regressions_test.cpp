// Inputs that once broke the converter (found by the fuzzers), converted again as logs of both
// generations with every field and group ticked.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/conversion_run.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

TEST(Regressions, FuzzerFindingsConvertCleanly) {
  const std::filesystem::path dir = std::filesystem::path(VELTRIX_SOURCE_DIR) / "tests/regressions";
  testing::TempDir tmp;
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".bin") continue;
    ++inputs;
    const testing::Bytes body = testing::ReadFile(entry.path().string());
    for (const char* signature : {"QXBG", "QXB "}) {
      SCOPED_TRACE(entry.path().filename().string() + " as " + signature);
      const std::string input = testing::LogBuilder(signature).Raw(body).Write(tmp.File("in.qx"));
      for (int delimiter = 0; delimiter < 4; ++delimiter) {
        ConversionOptions o;
        o.TickAllContextFields();
        o.TickAllRecordGroups();
        o.delimiter = static_cast<Delimiter>(delimiter);
        // Without the header line, whose CR LF would end even an output cut short.
        o.header = false;
        const testing::RunResult r = testing::RunFiles(input, tmp.File("out.out"), o);
        EXPECT_EQ(r.status, ConvertStatus::Completed);
        EXPECT_TRUE(r.output.empty() || r.output.ends_with("\r\n"));
      }
    }
  }
  EXPECT_GT(inputs, 0);
}

} // namespace
} // namespace veltrix
