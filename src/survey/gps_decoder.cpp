#include "survey/gps_decoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "text/byte_order.h"
#include "text/number_format.h"

namespace veltrix {
namespace {

constexpr double kDegreesPerMilliarcsecond = 1.0 / 3600000.0;

std::size_t Copy(const ShortText& text, char* out) {
  std::memcpy(out, text.data.data(), text.size);
  out[text.size] = '\0';
  return text.size;
}

// printf's "%0<width>d": the sign counts towards the width.
char* PutPadded(char* out, int value, int width) {
  if (value < 0) {
    *out++ = '-';
    --width;
  }
  char digits[8];
  const char* end = std::to_chars(digits, digits + sizeof digits, std::abs(value)).ptr;
  for (int n = static_cast<int>(end - digits); n < width; ++n) *out++ = '0';
  for (const char* d = digits; d != end; ++d) *out++ = *d;
  return out;
}

// Three numbers joined by a separator, as "%02d<sep>%02d<sep>%0<lastWidth>d".
void PrintTriple(ShortText& text, int a, int b, int c, char separator, int lastWidth) {
  char* out = text.data.data();
  out = PutPadded(out, a, 2);
  *out++ = separator;
  out = PutPadded(out, b, 2);
  *out++ = separator;
  out = PutPadded(out, c, lastWidth);
  text.size = static_cast<std::uint8_t>(out - text.data.data());
}

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
  PrintTriple(date_, Month, Day, Year, '/', 4);
  PrintTriple(time_, Hours, Minutes, Seconds, ':', 2);
  PrintPosition(latitude_, Latitude, 'N', 'S');
  PrintPosition(longitude_, Longitude, 'E', 'W');
}

std::size_t GpsDecoder::FormatDate(char* out) const {
  return Copy(date_, out);
}
std::size_t GpsDecoder::FormatTime(char* out) const {
  return Copy(time_, out);
}
std::size_t GpsDecoder::FormatLatitude(char* out) const {
  return Copy(latitude_, out);
}
std::size_t GpsDecoder::FormatLongitude(char* out) const {
  return Copy(longitude_, out);
}

} // namespace veltrix
