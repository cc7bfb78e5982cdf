#include "decode/payload_types.h"

#include <array>

namespace veltrix {
namespace {

struct NamedType {
  std::uint8_t type;
  const char* name;
};

constexpr std::array<NamedType, 7> kGNames = {{
    {g_payload::kSingleSpectrum, "single-channel spectrum"},
    {g_payload::kFullSpectrum, "full spectrum"},
    {g_payload::kSurvey, "survey"},
    {g_payload::kChannel, "channel"},
    {g_payload::kSingle, "single-channel station data"},
    {g_payload::kUtilization, "utilization"},
    {g_payload::kGps, "GPS"},
}};

constexpr std::array<NamedType, 10> kBNames = {{
    {b_payload::kChannel4, "channel"},
    {b_payload::kSingleSpectrum, "single-channel spectrum"},
    {b_payload::kCapture6, "single-channel capture"},
    {b_payload::kGps, "GPS"},
    {b_payload::kManagementCapture, "management capture"},
    {b_payload::kSurveyCapture, "survey capture"},
    {b_payload::kChannel11, "channel"},
    {b_payload::kFullSpectrum, "full spectrum"},
    {b_payload::kCapture18, "single-channel capture"},
    {b_payload::kUtilization, "utilization"},
}};

template <std::size_t N> const char* NameIn(const std::array<NamedType, N>& table, unsigned type) {
  for (const NamedType& t : table) {
    if (t.type == type) return t.name;
  }
  return "unknown";
}

} // namespace

const char* PayloadTypeName(LogVariant variant, unsigned type) {
  return variant == LogVariant::B ? NameIn(kBNames, type) : NameIn(kGNames, type);
}

std::uint8_t GpsPayloadType(LogVariant variant) {
  return variant == LogVariant::B ? b_payload::kGps : g_payload::kGps;
}

} // namespace veltrix
