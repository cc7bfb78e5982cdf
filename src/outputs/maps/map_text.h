#pragma once
// The texts the map and table writers share: MACs, coordinates, times and names as map programs
// and WiGLE read them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/clean_text.h"
#include "text/date_text.h"
#include "text/mac_text.h"
#include "text/number_format.h"

namespace veltrix::maps {

inline constexpr int kMapDecimals = 7; // the fixes' resolution is a milliarcsecond: 2.8e-7 degrees
inline constexpr int kTableDecimals = 5;

inline std::string Number(std::int64_t value) {
  return std::to_string(value);
}

inline std::string Degrees(double value, int decimals) {
  char text[kFixed2Capacity];
  return std::string(text, FormatFixed(text, value, decimals));
}

// "00:0A:1B:2C:3D:4E", as map programs and WiGLE write them, put in `text`.
inline std::string_view ColonMac(const std::array<std::uint8_t, 6>& mac,
                                 char (&text)[kMacTextSize]) {
  const std::string_view dashed = FormatMac(mac.data(), text);
  std::replace(text, text + dashed.size(), '-', ':');
  return dashed;
}
inline std::string ColonMac(const std::array<std::uint8_t, 6>& mac) {
  char text[kMacTextSize];
  return std::string(ColonMac(mac, text));
}

// A text from the log as XML character data.
inline std::string Xml(std::string_view bytes) {
  return CleanText(bytes, Clean::Xml);
}

inline std::string SsidName(const std::string& ssid) {
  return ssid.empty() ? std::string("(no SSID)") : Xml(ssid);
}

// A GPS time as XML's UTC: "2007-12-07T13:00:11Z".
inline std::string UtcText(const DateTime& time) {
  return time.Iso('T') + 'Z';
}

} // namespace veltrix::maps
