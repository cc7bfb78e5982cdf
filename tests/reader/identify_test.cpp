#include <gtest/gtest.h>

#include <sys/stat.h>

#include "reader/identify.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

using testing::Bytes;

TEST(Identify, Signatures) {
  struct Case {
    Bytes head;
    std::int16_t code;
    LogVariant variant;
  };
  const std::vector<Case> cases = {
      {{'Q', 'X', 'B', ' '}, IdentifyOk, 'B'},
      {{'Q', 'X', 'B', 'G'}, IdentifyOk, 'G'},
      {{'Q', 'X', 'A', ' '}, IdentifyOk, 'G'},
      {{'Q', 'X', 'B', ' ', 0xff, 0x58, 0x58, 0x58}, IdentifyOk, 'B'}, // anything may follow
      {{}, IdentifyNotValid, 0},
      {{'Q', 'X', 'B'}, IdentifyNotValid, 0},
      {{'Q', 'X', 'B', 0, 'G'}, IdentifyNotValid, 0},
      {{'q', 'x', 'b', ' '}, IdentifyNotValid, 0},
      {{'Q', 'X', 'B', 'g'}, IdentifyNotValid, 0},
      {{'Q', 'X', 'A', 'G'}, IdentifyNotValid, 0},
      {{' ', 'Q', 'X', 'B', ' '}, IdentifyNotValid, 0},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.head.begin(), c.head.end()));
    const std::string path = dir.File("log.qx");
    testing::WriteFile(path, c.head);
    Load load(path);
    EXPECT_EQ(load.IdentifyFile(), c.code);
    if (c.code == IdentifyOk) {
      EXPECT_EQ(load.Variant(), c.variant);
    }
    // The check neither changes the file nor keeps it open.
    EXPECT_EQ(testing::ReadFile(path), c.head);
    EXPECT_EQ(Load(path).IdentifyFile(), c.code);
  }
}

TEST(Identify, CannotOpen) {
  testing::TempDir dir;
  EXPECT_EQ(Load(dir.File("missing.qx")).IdentifyFile(), IdentifyCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.qx")));           // never created
  EXPECT_EQ(Load(dir.path().string()).IdentifyFile(), IdentifyCannotOpen); // a folder
  if (::geteuid() != 0) {                                                  // root reads anything
    const std::string path = dir.File("locked.qx");
    testing::WriteFile(path, {'Q', 'X', 'B', ' '});
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(Load(path).IdentifyFile(), IdentifyCannotOpen);
  }
}

TEST(Identify, Messages) {
  EXPECT_STREQ(IdentifyMessage(IdentifyOk), "Tarvik File Has Been Loaded.");
  EXPECT_STREQ(IdentifyMessage(IdentifyNotValid), "Not a Valid Tarvik File.");
  EXPECT_STREQ(IdentifyMessage(IdentifyCannotOpen), "Cannot Open File.");
}

} // namespace
} // namespace veltrix
