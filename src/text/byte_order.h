#pragma once
// The one place that turns bytes of the log into numbers. Frames are little-endian, the GPS
// receiver's message is big-endian; nothing casts a byte pointer to a wider type.

#include <array>
#include <cstddef>
#include <cstdint>

namespace veltrix {

inline std::uint16_t LoadLE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::int16_t LoadLE16s(const std::uint8_t* p) {
  return static_cast<std::int16_t>(LoadLE16(p));
}
// A run of them, as spectrum samples come: a loop of fixed length, which the compiler vectorizes.
template <std::size_t N> void LoadLE16s(std::array<std::int16_t, N>& out, const std::uint8_t* p) {
  for (std::size_t i = 0; i < N; ++i) out[i] = LoadLE16s(p + 2 * i);
}
inline std::uint16_t LoadBE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t LoadBE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}
inline std::int16_t LoadBE16s(const std::uint8_t* p) {
  return static_cast<std::int16_t>(LoadBE16(p));
}
inline std::int32_t LoadBE32s(const std::uint8_t* p) {
  return static_cast<std::int32_t>(LoadBE32(p));
}

} // namespace veltrix
