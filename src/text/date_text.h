#pragma once
// A date and time as numbers: the RTC of a record or the time of a GPS fix, written as ISO 8601
// or as the log's RTC texts, and counted in seconds.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "text/number_format.h"

namespace veltrix {

struct DateTime {
  std::int64_t year = 0, month = 0, day = 0, hours = 0, minutes = 0, seconds = 0;

  // Month 1-12, day 1-31, hour 0-23, minute and second 0-59.
  bool InRange() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hours >= 0 && hours <= 23 &&
           minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59;
  }
  // Earlier first: by year, then month, day, hour, minute and second.
  auto operator<=>(const DateTime&) const = default;

  // "2007-12-07T13:00:11", or with `separator` ' ': "2007-12-07 13:00:11". Four-digit year.
  std::string Iso(char separator = 'T') const {
    char text[kIsoCapacity];
    return std::string(text, PutIso(text, separator));
  }
  // The same into `out`, which has room for kIsoCapacity bytes; returns the end of the text.
  static constexpr std::size_t kIsoCapacity = 80;
  char* PutIso(char* out, char separator = 'T') const {
    Writer w;
    w.Put(year, 4).Char('-').Put(month, 2).Char('-').Put(day, 2).Char(separator);
    w.Put(hours, 2).Char(':').Put(minutes, 2).Char(':').Put(seconds, 2);
    const auto size = static_cast<std::size_t>(w.out - w.text);
    std::memcpy(out, w.text, size);
    return out + size;
  }
  // As the log's RTC texts are written, month first: "12/07/2007 13:00:11".
  std::string RtcText() const {
    Writer w;
    w.Put(month, 2).Char('/').Put(day, 2).Char('/').Put(year, 4).Char(' ');
    w.Put(hours, 2).Char(':').Put(minutes, 2).Char(':').Put(seconds, 2);
    return w.Text();
  }
  // Seconds from 1970-01-01 00:00:00 on one continuous scale (a month or day out of range counts
  // on from its neighbours).
  std::int64_t Seconds() const {
    const std::int64_t y = year - (month <= 2);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + hours * 3600 + minutes * 60 + seconds;
  }

private:
  // Numbers zero-padded to a width, and separators, into a short text.
  struct Writer {
    char text[80];
    char* out = text;
    Writer& Put(std::int64_t value, int width) {
      out = PutZeroPadded(out, value, width);
      return *this;
    }
    Writer& Char(char c) {
      *out++ = c;
      return *this;
    }
    std::string Text() const { return std::string(text, static_cast<std::size_t>(out - text)); }
  };
};

} // namespace veltrix
