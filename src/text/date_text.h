#pragma once
// Reading the date and time texts of the log back into numbers, and writing ISO 8601 ones.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrix {

// The first three numbers of a text such as "07/12/2007", in order; false when it has fewer.
inline bool ThreeNumbers(std::string_view text, std::int64_t (&numbers)[3]) {
  std::size_t found = 0;
  bool inNumber = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      if (!inNumber) {
        if (found == 3) break;
        numbers[found++] = 0;
        inNumber = true;
      }
      if (numbers[found - 1] < 1000000) numbers[found - 1] = numbers[found - 1] * 10 + (c - '0');
    } else {
      inNumber = false;
    }
  }
  return found == 3;
}

struct DateTime {
  std::int64_t year = 0, month = 0, day = 0, hours = 0, minutes = 0, seconds = 0;

  // Month 1-12, day 1-31, hour 0-23, minute and second 0-59.
  bool InRange() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hours >= 0 && hours <= 23 &&
           minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59;
  }
  // "2007-12-07T13:00:11", or with `separator` ' ': "2007-12-07 13:00:11". Four-digit year.
  std::string Iso(char separator = 'T') const {
    char text[64];
    char* out = text;
    const auto put = [&](std::int64_t value, int width) {
      char digits[24];
      const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
      for (int n = static_cast<int>(end - digits); n < width; ++n) *out++ = '0';
      for (const char* d = digits; d != end; ++d) *out++ = *d;
    };
    put(year, 4);
    *out++ = '-';
    put(month, 2);
    *out++ = '-';
    put(day, 2);
    *out++ = separator;
    put(hours, 2);
    *out++ = ':';
    put(minutes, 2);
    *out++ = ':';
    put(seconds, 2);
    return std::string(text, out);
  }
};

// The record's RTC from its texts ("12/07/2007", "13:00:11": month first); nothing when a text
// lacks a number.
inline bool ParseRtc(std::string_view date, std::string_view time, DateTime& out) {
  std::int64_t d[3], t[3];
  if (!ThreeNumbers(date, d) || !ThreeNumbers(time, t)) return false;
  out = {d[2], d[0], d[1], t[0], t[1], t[2]};
  return true;
}

} // namespace veltrix
