#pragma once
// Base64 (RFC 4648, with padding): pictures inside a web page as data: addresses.

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrix {

inline std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    for (const int shift : {18, 12, 6, 0}) out += kDigits[(n >> shift) & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned n = byte(i) << 16 | (two ? byte(i + 1) << 8 : 0u);
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += two ? kDigits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

} // namespace veltrix
