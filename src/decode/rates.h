#pragma once
// The data rates of 802.11b/g, in one table: their codes in 500 kb/s units, their display names
// and their speeds in bytes per second.

#include <array>
#include <cstdint>
#include <string_view>

namespace veltrix {

struct DataRate {
  std::uint8_t code; // in 500 kb/s units
  const char* name;  // "5.5 Mb/s"
  std::uint32_t bytesPerSecond;
};

// Every rate, slowest first: the order of the 802.11g utilization counts and columns.
inline constexpr std::array<DataRate, 14> kDataRates = {{
    {2, "1 Mb/s", 125000},
    {4, "2 Mb/s", 250000},
    {11, "5.5 Mb/s", 687500},
    {12, "6 Mb/s", 750000},
    {18, "9 Mb/s", 1125000},
    {22, "11 Mb/s", 1375000},
    {24, "12 Mb/s", 1500000},
    {36, "18 Mb/s", 2250000},
    {44, "22 Mb/s", 2750000},
    {48, "24 Mb/s", 3000000},
    {66, "33 Mb/s", 4125000},
    {72, "36 Mb/s", 4500000},
    {96, "48 Mb/s", 6000000},
    {108, "54 Mb/s", 6750000},
}};

// The four rates of 802.11b (1, 2, 5.5 and 11 Mb/s): the order of its utilization rows and columns.
inline constexpr std::array<const DataRate*, 4> kBRates = {&kDataRates[0], &kDataRates[1],
                                                           &kDataRates[2], &kDataRates[5]};

// The speeds of kDataRates in bytes per second, in the same order.
inline constexpr std::array<std::uint32_t, 14> RateBytesPerSecond = [] {
  std::array<std::uint32_t, 14> speeds{};
  for (std::size_t i = 0; i < speeds.size(); ++i) speeds[i] = kDataRates[i].bytesPerSecond;
  return speeds;
}();

// The rate of a code, or null for a code that names none.
const DataRate* FindRate(unsigned code);
// Display name of a rate code ("54 Mb/s"), "???" for a code without a name.
const char* RateName(unsigned code);
// The number of megabits alone ("5.5"), "" for a code without a name.
std::string_view RateMegabits(unsigned code);
// The code of an 802.11b frame's rate byte (in 100 kb/s units: 10, 20, 55, 110); 0 for any other.
std::uint16_t BRateCodeOfRateByte(std::uint8_t rate100k);

} // namespace veltrix
