#include "survey/gps_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "reader/byte_order.h"

namespace veltrix {
namespace {

constexpr double kDegreesPerMilliarcsecond = 1.0 / 3600000.0;

std::size_t Copy(const ShortText& text, char* out) {
  std::memcpy(out, text.data.data(), text.size);
  out[text.size] = '\0';
  return text.size;
}

void Print(ShortText& text, const char* format, auto... args) {
  const int n = std::snprintf(text.data.data(), text.data.size(), format, args...);
  text.size = static_cast<std::uint8_t>(std::clamp(n, 0, static_cast<int>(text.data.size()) - 1));
}

} // namespace

GpsDecoder::GpsDecoder() {
  UpdateTexts();
}

void GpsDecoder::Decode(std::span<const std::uint8_t> payload) {
  std::uint8_t block[kBlockSize] = {};
  if (!payload.empty()) std::memcpy(block, payload.data(), std::min(payload.size(), kBlockSize));
  Latitude = LoadBE32s(block + 31) * kDegreesPerMilliarcsecond;
  Longitude = LoadBE32s(block + 35) * kDegreesPerMilliarcsecond;
  Month = block[4];
  Day = block[5];
  Year = LoadBE16s(block + 6);
  Hours = block[8];
  Minutes = block[9];
  Seconds = block[10];
  UpdateTexts();
}

void GpsDecoder::UpdateTexts() {
  Print(date_, "%02d/%02d/%04d", Month, Day, Year);
  Print(time_, "%02d:%02d:%02d", Hours, Minutes, Seconds);
  Print(latitude_, "%.5f %c", std::fabs(Latitude), Latitude > 0 ? 'N' : 'S');
  Print(longitude_, "%.5f %c", std::fabs(Longitude), Longitude > 0 ? 'E' : 'W');
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
