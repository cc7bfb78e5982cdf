#pragma once
// Short texts kept in place (timestamps, GPS texts), and the text of a zero-padded field.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/number_format.h"

namespace veltrix {

// A short text kept in place, so framing a record or a GPS fix allocates nothing. Its whole array
// may be copied where its text goes: a fixed-size copy costs less than one of the text's length.
struct ShortText {
  std::array<char, 16> data{};
  std::uint8_t size = 0;
  std::string_view view() const { return {data.data(), size}; }
  operator std::string_view() const { return view(); }
  bool operator==(const ShortText& other) const { return view() == other.view(); }
};

// Three numbers joined by a separator, as printf's "%02d<sep>%02d<sep>%0<lastWidth>d": a date
// ("12/07/2007", month first) or a time ("13:00:11"). With the first two numbers bytes (0 to 255)
// and the last a 16-bit number, the text takes at most kTripleCapacity. Returns its end.
inline constexpr std::size_t kTripleCapacity = 14;
inline char* PutTriple(char* out, std::int64_t a, std::int64_t b, std::int64_t c, char separator,
                       int lastWidth) {
  out = PutZeroPadded(out, a, 2);
  *out++ = separator;
  out = PutZeroPadded(out, b, 2);
  *out++ = separator;
  return PutZeroPadded(out, c, lastWidth);
}
// The same into a short text.
inline void FormatTriple(ShortText& text, int a, int b, int c, char separator, int lastWidth) {
  text.size = static_cast<std::uint8_t>(PutTriple(text.data.data(), a, b, c, separator, lastWidth) -
                                        text.data.data());
}

// The text of a zero-padded field: its bytes up to the first zero byte, at most `size`.
inline std::string_view TextUpToZero(const void* data, std::size_t size) {
  const void* zero = std::memchr(data, 0, size);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) -
                                                             static_cast<const char*>(data))
                                  : size;
  return {static_cast<const char*>(data), length};
}

} // namespace veltrix
