#pragma once
// The payload types of both instrument generations: one named constant each, and their names.

#include <cstdint>

#include "reader/identify.h"

namespace veltrix {

// 802.11g logs.
namespace g_payload {
inline constexpr std::uint8_t kSingleSpectrum = 7;
inline constexpr std::uint8_t kFullSpectrum = 8;
inline constexpr std::uint8_t kSurvey = 16;
inline constexpr std::uint8_t kChannel = 17;
inline constexpr std::uint8_t kSingle = 19; // single-channel station data
inline constexpr std::uint8_t kUtilization = 21;
inline constexpr std::uint8_t kGps = 25;
} // namespace g_payload

// 802.11b logs. Two types report the channel and two carry single-channel captures, alike.
namespace b_payload {
inline constexpr std::uint8_t kChannel4 = 4;
inline constexpr std::uint8_t kSingleSpectrum = 5;
inline constexpr std::uint8_t kCapture6 = 6; // single-channel capture
inline constexpr std::uint8_t kGps = 7;
inline constexpr std::uint8_t kManagementCapture = 9;
inline constexpr std::uint8_t kSurveyCapture = 10;
inline constexpr std::uint8_t kChannel11 = 11;
inline constexpr std::uint8_t kFullSpectrum = 14;
inline constexpr std::uint8_t kCapture18 = 18; // single-channel capture
inline constexpr std::uint8_t kUtilization = 19;
} // namespace b_payload

// The name of a payload type of a generation, "unknown" for a type it does not define.
const char* PayloadTypeName(LogVariant variant, unsigned type);
// The payload type of GPS records in a generation.
std::uint8_t GpsPayloadType(LogVariant variant);

} // namespace veltrix
