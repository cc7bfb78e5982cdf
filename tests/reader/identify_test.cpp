#include <gtest/gtest.h>

#include <sys/stat.h>

#include "reader/identify.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

using testing::Bytes;

TEST(Identify, Signatures) {
  using R = IdentifyResult;
  constexpr auto B = LogVariant::B, G = LogVariant::G;
  struct Case {
    Bytes head;
    IdentifyResult code;
    LogVariant variant = B;
  };
  const std::vector<Case> cases = {
      {{'Q', 'X', 'B', ' '}, R::Ok, B},
      {{'Q', 'X', 'B', 'G'}, R::Ok, G},
      {{'Q', 'X', 'A', ' '}, R::Ok, G},
      {{'Q', 'X', 'B', ' ', 0xff, 0x58, 0x58, 0x58}, R::Ok, B}, // anything may follow
      {{}, R::NotValid},
      {{'Q', 'X', 'B'}, R::NotValid},
      {{'Q', 'X', 'B', 0, 'G'}, R::NotValid},
      {{'q', 'x', 'b', ' '}, R::NotValid},
      {{'Q', 'X', 'B', 'g'}, R::NotValid},
      {{'Q', 'X', 'A', 'G'}, R::NotValid},
      {{' ', 'Q', 'X', 'B', ' '}, R::NotValid},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.head.begin(), c.head.end()));
    const std::string path = dir.File("log.qx");
    testing::WriteFile(path, c.head);
    const Identification found = IdentifyLog(path);
    EXPECT_EQ(found.result, c.code);
    if (c.code == R::Ok) {
      EXPECT_EQ(found.variant, c.variant);
    }
    // The check neither changes the file nor keeps it open.
    EXPECT_EQ(testing::ReadFile(path), c.head);
    EXPECT_EQ(IdentifyLog(path).result, c.code);
  }
}

TEST(Identify, CannotOpen) {
  testing::TempDir dir;
  EXPECT_EQ(IdentifyLog(dir.File("missing.qx")).result, IdentifyResult::CannotOpen);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.qx")));                  // never created
  EXPECT_EQ(IdentifyLog(dir.path().string()).result, IdentifyResult::CannotOpen); // a folder
  if (::geteuid() != 0) { // root reads anything
    const std::string path = dir.File("locked.qx");
    testing::WriteFile(path, {'Q', 'X', 'B', ' '});
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(IdentifyLog(path).result, IdentifyResult::CannotOpen);
  }
}

TEST(Identify, Messages) {
  EXPECT_STREQ(IdentifyMessage(IdentifyResult::Ok), "Tarvik File Has Been Loaded.");
  EXPECT_STREQ(IdentifyMessage(IdentifyResult::NotValid), "Not a Valid Tarvik File.");
  EXPECT_STREQ(IdentifyMessage(IdentifyResult::CannotOpen), "Cannot Open File.");
}

} // namespace
} // namespace veltrix
