#pragma once
// The one place that turns bytes of the log into numbers. Frames are little-endian, the GPS
// receiver's message is big-endian; nothing casts a byte pointer to a wider type.

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
