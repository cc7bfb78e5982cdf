#include <gtest/gtest.h>

#include "decode/decoders.h"
#include "decode/rates.h"
#include "reader/log_reader.h"

namespace veltrix {
namespace {

TEST(RecordState, StartUpDefaults) {
  const LogReader reader;
  const RecordDecoder decoder(LogVariant::B);
  const RecordState& s = decoder.state;
  EXPECT_EQ(decoder.variant, LogVariant::B);
  EXPECT_EQ(s.CurrentChannel, 1);
  EXPECT_EQ(s.Kind, RecordKind::None);
  EXPECT_EQ(s.BeaconChannel, 0);
  for (const double u : s.GUtilization) EXPECT_EQ(u, 0.0);
  for (const auto& row : s.BUtilization)
    for (const auto v : row) EXPECT_EQ(v, 0u);
  EXPECT_TRUE(s.BeaconSsid.empty());
  EXPECT_TRUE(reader.Current().MarkerText.empty());
  EXPECT_FALSE(reader.Current().PayloadDelivered);
}

TEST(RecordState, RateTables) {
  const std::vector<std::pair<unsigned, const char*>> names = {
      {2, "1 Mb/s"},   {4, "2 Mb/s"},   {11, "5.5 Mb/s"}, {12, "6 Mb/s"},   {18, "9 Mb/s"},
      {22, "11 Mb/s"}, {24, "12 Mb/s"}, {36, "18 Mb/s"},  {44, "22 Mb/s"},  {48, "24 Mb/s"},
      {66, "33 Mb/s"}, {72, "36 Mb/s"}, {96, "48 Mb/s"},  {108, "54 Mb/s"}, {0, "???"},
      {13, "???"},     {255, "???"}};
  for (const auto& [code, name] : names) EXPECT_STREQ(RateName(code), name) << code;
  // Each named code, in the same order as the table of rates in bytes per second (Mb/s * 125000).
  for (std::size_t i = 0; i < names.size() - 3; ++i)
    EXPECT_EQ(RateBytesPerSecond[i], names[i].first * 62500u) << i;
}

} // namespace
} // namespace veltrix
