#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "text/number_format.h"

namespace veltrix {
namespace {

std::string Fast(double v, int decimals = 2) {
  char buffer[kFixed2Capacity + 8];
  return std::string(buffer, FormatFixed(buffer, v, decimals));
}

std::string Printf(double v, int decimals = 2) {
  char buffer[kFixed2Capacity + 8];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

TEST(NumberFormat, FixedMatchesPrintf) {
  const double edges[] = {0.0,
                          -0.0,
                          0.005,
                          0.015,
                          0.125,
                          0.375,
                          1.005,
                          1.625,
                          2.675,
                          99.995,
                          100.0,
                          1e-300,
                          4.9e-324,
                          0.0049999999999999999,
                          1e15,
                          1e15 - 0.5,
                          123456789012.345,
                          -1.5,
                          -0.001,
                          1e300,
                          1.0 / 3,
                          2.0 / 3,
                          312361.26,
                          4294967295.0 * 800 / 1000000};
  // Shares that fall exactly halfway between two hundredths, and the whole.
  const std::pair<std::uint32_t, std::uint32_t> shares[] = {{1, 8},   {3, 8},       {1, 1}, {0, 5},
                                                            {1, 400}, {7, 1441792}, {5, 0}};
  for (const auto& [part, total] : shares) {
    char buffer[kFixed2Capacity + 8];
    EXPECT_EQ(std::string(buffer, FormatShare2(buffer, part, total)),
              Printf(static_cast<double>(part) * 100 / total))
        << part << '/' << total;
  }
  for (const double v : edges) {
    for (const int decimals : {0, 2, 5, 9}) EXPECT_EQ(Fast(v, decimals), Printf(v, decimals)) << v;
  }

  // Shares and percentages as the line writers compute them, and values near every halfway
  // point between two hundredths.
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const double power = static_cast<double>(random() % 32769);
    const double total = static_cast<double>(random() % 1441792 + 1);
    const double share = power * 100 / total;
    ASSERT_EQ(Fast(share), Printf(share)) << share;
    if (power <= total) {
      char buffer[kFixed2Capacity + 8];
      const std::string text(buffer, FormatShare2(buffer, static_cast<std::uint32_t>(power),
                                                  static_cast<std::uint32_t>(total)));
      ASSERT_EQ(text, Printf(share)) << power << '/' << total;
    }
    // Any 32-bit total, through the inverse that stands in for the division.
    const auto wideTotal = static_cast<std::uint32_t>(random() | 1);
    const auto widePart = static_cast<std::uint32_t>(random() % (std::uint64_t{wideTotal} + 1));
    char wide[kFixed2Capacity + 8];
    ASSERT_EQ(std::string(wide, Shares(wideTotal).Format(wide, widePart)),
              Printf(static_cast<double>(widePart) * 100 / wideTotal))
        << widePart << '/' << wideTotal;
    const double half = (static_cast<double>(random() % 10000000) + 0.5) / 100;
    const double near = std::nextafter(half, (i & 1) ? 1e9 : 0.0);
    ASSERT_EQ(Fast(half), Printf(half)) << half;
    ASSERT_EQ(Fast(near), Printf(near)) << near;
    // GPS positions: signed milliarcseconds to degrees, five decimals.
    const double degrees = std::fabs(static_cast<std::int32_t>(random()) * (1.0 / 3600000.0));
    ASSERT_EQ(Fast(degrees, 5), Printf(degrees, 5)) << degrees;
    const double tie = (static_cast<double>(random() % 60000000) + 0.5) / 100000;
    ASSERT_EQ(Fast(tie, 5), Printf(tie, 5)) << tie;
  }
}

// Zero-padded integers: the timestamps' fast paths and every other value, against printf's
// "%0*lld".
TEST(NumberFormat, ZeroPaddedMatchesPrintf) {
  const long long values[] = {0,    7,     99,     100, 255, 999,   1000,      2007,
                              9999, 10000, 123456, -5,  -99, -2007, INT64_MIN, INT64_MAX};
  for (const long long value : values) {
    for (const int width : {0, 1, 2, 3, 4, 6}) {
      char fast[48], printed[48];
      std::snprintf(printed, sizeof printed, "%0*lld", width, value);
      EXPECT_EQ(std::string(fast, PutZeroPadded(fast, value, width)), printed)
          << value << " in " << width;
    }
  }
}

} // namespace
} // namespace veltrix
