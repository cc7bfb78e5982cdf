#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace veltrix {

// A short text kept in place, so framing a record or a GPS fix allocates nothing.
struct ShortText {
  std::array<char, 16> data{};
  std::uint8_t size = 0;
  std::string_view view() const { return {data.data(), size}; }
};

} // namespace veltrix

#include <cstddef>
#include <cstring>

namespace veltrix {

// The text of a zero-padded field: its bytes up to the first zero byte, at most `size`.
inline std::string_view TextUpToZero(const void* data, std::size_t size) {
  const void* zero = std::memchr(data, 0, size);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) -
                                                             static_cast<const char*>(data))
                                  : size;
  return {static_cast<const char*>(data), length};
}

} // namespace veltrix
