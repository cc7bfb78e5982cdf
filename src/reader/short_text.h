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
