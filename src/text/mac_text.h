#pragma once

#include <cstdint>
#include <string_view>

namespace veltrix {

inline constexpr std::size_t kMacTextSize = 17;

// Writes a MAC address as "%02X-%02X-%02X-%02X-%02X-%02X", first byte first; returns its text.
inline std::string_view FormatMac(const std::uint8_t* mac, char* out) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (int i = 0; i < 6; ++i) {
    out[3 * i] = kHex[mac[i] >> 4];
    out[3 * i + 1] = kHex[mac[i] & 15];
    if (i < 5) out[3 * i + 2] = '-';
  }
  return {out, kMacTextSize};
}

} // namespace veltrix
