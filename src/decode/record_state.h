#pragma once
// The decoded record state: what the payload decoders leave behind for the line writers. Each
// decoder owns one copy, created with the start-up defaults below.

#include <array>
#include <cstdint>
#include <string>

namespace veltrix {

// Kinds of decoded records, the same numbers for both generations.
enum class RecordKind : std::int16_t {
  None = 0,
  SingleSpectrum = 7,
  FullSpectrum = 8,
  Survey = 16,
  Single = 19, // single-channel station data
  Utilization = 21,
};

// Result of a payload decoder: nothing to write, or a record of the state's Kind is ready.
enum class DecodeResult { NothingToWrite, RecordReady };

inline constexpr int kGFullSpectrumSize = 147;
inline constexpr int kGChannelSpectrumSize = 128;
inline constexpr int kBFullSpectrumSize = 273;
inline constexpr int kBChannelSpectrumSize = 64;
// A spectrum sample is RSSI times this count; its level in dBm is the sample divided by it.
inline constexpr int kGSampleCount = 16;
inline constexpr int kBSampleCount = 256;
inline constexpr int kMaxSurveyStations = 80;
inline constexpr int kMaxSurveyAccessPoints = 64;
inline constexpr int kCaptureHeaderSize = 93;
inline constexpr int kMgmtFrameCapacity = 2344;
inline constexpr int kDataFrameCapacity = 2350;
inline constexpr int kMultipathPoints = 44;
inline constexpr int kSsidCapacity = 32;

struct GSingleData {
  std::array<std::uint8_t, 6> Mac{};
  std::int16_t Rssi = 0;
  std::uint8_t RateCode = 0;
  std::uint16_t PacketLength = 0;
  std::uint8_t Bad = 0;
};

struct GStationEntry {
  std::array<std::uint8_t, 6> Mac{};
  std::int16_t Rssi = 0;
};

// One 37-byte access-point entry of an 802.11g survey.
struct GAccessPointEntry {
  std::uint8_t StationIndex = 0;
  std::uint8_t SsidLength = 0;
  std::array<char, 32> Ssid{};
  std::uint8_t Channel = 0;
  std::uint16_t Capability = 0;
};

struct BChannelSpectrumData {
  std::uint8_t Channel = 0;
  std::array<std::int16_t, kBChannelSpectrumSize> Values{};
};

struct RecordState {
  // General
  RecordKind Kind = RecordKind::None;
  std::uint8_t CurrentChannel = 1;
  std::uint8_t BeaconChannel = 0;

  // 802.11g logs
  std::array<std::int16_t, kGFullSpectrumSize> GFullSpectrum{};
  std::array<std::int16_t, kGChannelSpectrumSize> GChannelSpectrum{};
  GSingleData GSingle;
  std::array<std::uint32_t, 14> GUtilCounts{};
  std::array<double, 14> GUtilization{}; // slot n - 1 holds channel n
  std::uint16_t GStationCount = 0;
  std::uint16_t GAccessPointCount = 0;
  std::array<GStationEntry, kMaxSurveyStations> GStations{};
  std::array<GAccessPointEntry, kMaxSurveyAccessPoints> GAccessPoints{};
  std::array<std::array<std::uint8_t, 6>, kMaxSurveyAccessPoints> GStationBssids{};
  bool GBssidsPresent = false;

  // 802.11b logs
  std::array<std::int16_t, kBFullSpectrumSize> BFullSpectrum{};
  BChannelSpectrumData BChannelSpectrum;
  std::array<std::uint8_t, kCaptureHeaderSize> MgmtCapture{};
  std::array<std::uint8_t, kCaptureHeaderSize> DataCapture{};
  std::array<std::uint8_t, 12> BeaconFixed{};
  std::array<std::uint8_t, kMgmtFrameCapacity> MgmtFrame{};
  std::array<std::uint8_t, kDataFrameCapacity> DataFrame{};
  std::string BeaconSsid;                  // at most 32 characters
  std::array<std::uint8_t, 6> SingleMac{}; // the transmitter of the last capture
  std::int8_t SingleRssi = 0;
  std::uint16_t SingleRateCode = 0;
  std::array<std::uint32_t, kMultipathPoints> MultipathPower{};
  std::uint32_t MultipathTotal = 0;
  std::array<std::array<std::uint32_t, 15>, 4> BUtilization{}; // [rate row][channel 0..14]
};

} // namespace veltrix
