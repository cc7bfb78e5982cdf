#pragma once
// The latest fix of the instrument's GPS receiver, from its 152-byte big-endian message, and the
// four texts that every output line may carry.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "text/short_text.h"

namespace veltrix {

class GpsDecoder {
public:
  static constexpr std::size_t kBlockSize = 152;

  GpsDecoder();

  // Takes the first 152 bytes of a GPS payload and replaces the whole decoded state. A shorter
  // payload is a cut block: it is ignored and the previous fix stays (false). Nothing is
  // range-checked.
  bool Decode(std::span<const std::uint8_t> payload);

  // The texts of the fix, made once per fix for the line writers: "%02d/%02d/%04d" (month
  // first), "%02d:%02d:%02d", "%.5f N" or "%.5f S", "%.5f E" or "%.5f W".
  const ShortText& DateText() const { return date_; }
  const ShortText& TimeText() const { return time_; }
  const ShortText& LatitudeText() const { return latitude_; }
  const ShortText& LongitudeText() const { return longitude_; }

  std::int16_t Month = 0, Day = 0, Year = 0, Hours = 0, Minutes = 0, Seconds = 0;
  double Latitude = 0.0;   // degrees, positive north
  double Longitude = 0.0;  // degrees, positive east
  std::uint64_t Fixes = 0; // GPS blocks decoded since construction

private:
  void UpdateTexts();
  ShortText date_, time_, latitude_, longitude_;
};

} // namespace veltrix
