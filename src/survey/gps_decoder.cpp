#include "survey/gps_decoder.h"

#include <cmath>

#include "text/byte_order.h"
#include "text/number_format.h"

namespace veltrix {
namespace {

constexpr double kDegreesPerMilliarcsecond = 1.0 / 3600000.0;

// "%.5f %c" of the absolute value and the hemisphere letter; at most 596.52324 degrees.
void PrintPosition(ShortText& text, double degrees, char positive, char negative) {
  char* end = FormatFixed(text.data.data(), std::fabs(degrees), 5);
  *end++ = ' ';
  *end++ = degrees > 0 ? positive : negative;
  text.size = static_cast<std::uint8_t>(end - text.data.data());
}

} // namespace

GpsDecoder::GpsDecoder() {
  UpdateTexts();
}

bool GpsDecoder::Decode(std::span<const std::uint8_t> payload) {
  if (payload.size() < kBlockSize) return false;
  const std::uint8_t* block = payload.data();
  Latitude = LoadBE32s(block + 31) * kDegreesPerMilliarcsecond;
  Longitude = LoadBE32s(block + 35) * kDegreesPerMilliarcsecond;
  Month = block[4];
  Day = block[5];
  Year = LoadBE16s(block + 6);
  Hours = block[8];
  Minutes = block[9];
  Seconds = block[10];
  ++Fixes;
  UpdateTexts();
  return true;
}

void GpsDecoder::UpdateTexts() {
  FormatTriple(date_, Month, Day, Year, '/', 4);
  FormatTriple(time_, Hours, Minutes, Seconds, ':', 2);
  PrintPosition(latitude_, Latitude, 'N', 'S');
  PrintPosition(longitude_, Longitude, 'E', 'W');
}

} // namespace veltrix
