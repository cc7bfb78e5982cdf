// Payload decoding of 802.11g logs.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "decode/decoders.h"
#include "decode/payload_types.h"
#include "decode/rates.h"
#include "text/byte_order.h"

namespace veltrix {
namespace {

constexpr std::size_t kSingleSpectrumBytes = kGChannelSpectrumSize * 2;
constexpr std::size_t kFullSpectrumBytes = kGFullSpectrumSize * 2;
constexpr std::size_t kSingleBytes = 12;
constexpr std::size_t kUtilBytes = 14 * 4;
constexpr std::size_t kStationEntryBytes = 8;
constexpr std::size_t kAccessPointEntryBytes = 37;
constexpr std::size_t kMaxMappedStations = 64; // access-point entries may name stations 0..63

// Channels outside 1..14 have no slot: such a record is not reported and changes nothing.
DecodeResult DecodeUtilization(RecordState& s, const std::uint8_t* p) {
  if (s.CurrentChannel < 1 || s.CurrentChannel > 14) return DecodeResult::NothingToWrite;
  double sum = 0.0;
  for (std::size_t i = 0; i < s.GUtilCounts.size(); ++i) {
    s.GUtilCounts[i] = LoadLE32(p + 4 * i);
    sum += static_cast<double>(s.GUtilCounts[i]) / static_cast<double>(RateBytesPerSecond[i]);
  }
  s.GUtilization[s.CurrentChannel - 1u] = sum * 100;
  s.Kind = RecordKind::Utilization;
  return DecodeResult::RecordReady;
}

DecodeResult DecodeSurvey(RecordState& s, StationList& stations, std::span<const std::uint8_t> body,
                          SightingSink* sightings) {
  if (body.empty()) return DecodeResult::NothingToWrite;
  const std::size_t n = body[0];
  const std::size_t apOffset = 1 + kStationEntryBytes * n;
  if (body.size() < apOffset + 1) return DecodeResult::NothingToWrite;
  const std::size_t m = body[apOffset];
  const std::size_t bssidOffset = apOffset + 1 + kAccessPointEntryBytes * m;
  if (body.size() < bssidOffset)
    return DecodeResult::NothingToWrite; // the counts claim more than is there

  // Entries beyond the working tables are dropped.
  const std::size_t used = std::min<std::size_t>(n, kMaxSurveyStations);
  const std::size_t usedAps = std::min<std::size_t>(m, kMaxSurveyAccessPoints);
  s.GStationCount = static_cast<std::uint16_t>(used);
  s.GAccessPointCount = static_cast<std::uint16_t>(usedAps);
  for (std::size_t i = 0; i < used; ++i) {
    const std::uint8_t* e = body.data() + 1 + kStationEntryBytes * i;
    std::memcpy(s.GStations[i].Mac.data(), e, 6);
    s.GStations[i].Rssi = LoadLE16s(e + 6);
  }
  s.GBssidsPresent = body.size() >= bssidOffset + 6 * n;
  if (s.GBssidsPresent) {
    for (std::size_t i = 0; i < std::min(used, s.GStationBssids.size()); ++i)
      std::memcpy(s.GStationBssids[i].data(), body.data() + bssidOffset + 6 * i, 6);
  }

  // The access-point entry of each station index, the last one for an index winning.
  std::array<int, kMaxMappedStations> apOf;
  apOf.fill(-1);
  for (std::size_t a = 0; a < usedAps; ++a) {
    const std::uint8_t* e = body.data() + apOffset + 1 + kAccessPointEntryBytes * a;
    GAccessPointEntry& ap = s.GAccessPoints[a];
    ap.StationIndex = e[0];
    ap.SsidLength = e[1];
    std::memcpy(ap.Ssid.data(), e + 2, ap.Ssid.size());
    ap.Ssid[std::min<std::size_t>(ap.SsidLength, 31)] = '\0'; // an SSID keeps at most 31 characters
    ap.Channel = e[34];
    ap.Capability = LoadLE16(e + 35);
    if (ap.StationIndex < kMaxMappedStations && ap.StationIndex < used)
      apOf[ap.StationIndex] = static_cast<int>(a);
  }

  // A client's channel is that of its access point, wherever that stands in the record.
  const auto channelOfClient = [&](std::size_t i) -> std::uint8_t {
    if (!s.GBssidsPresent || i >= s.GStationBssids.size()) return s.CurrentChannel;
    for (std::size_t k = 0; k < std::min(used, kMaxMappedStations); ++k) {
      if (apOf[k] >= 0 && s.GStations[k].Mac == s.GStationBssids[i])
        return s.GAccessPoints[static_cast<std::size_t>(apOf[k])].Channel;
    }
    return s.CurrentChannel;
  };

  stations.Clear();
  for (std::size_t i = 0; i < used; ++i) {
    std::optional<StationNode> fresh = stations.NewNode();
    if (!fresh) break;
    StationNode& node = *fresh;
    node.mac = s.GStations[i].Mac;
    const int a = i < kMaxMappedStations ? apOf[i] : -1;
    if (a >= 0) {
      const GAccessPointEntry& ap = s.GAccessPoints[static_cast<std::size_t>(a)];
      node.isAp = 1;
      node.wep = (ap.Capability & 0x10) ? 1 : 0;
      node.channel = ap.Channel;
      node.ssid = TextUpToZero(ap.Ssid.data(), ap.Ssid.size());
      node.signal = ap.Channel == s.CurrentChannel ? s.GStations[i].Rssi : std::int16_t{-100};
      if (sightings != nullptr) sightings->AccessPointSighted(node);
    } else {
      node.isAp = 0;
      node.wep = 0;
      node.signal = s.GStations[i].Rssi;
      node.channel = channelOfClient(i);
    }
    stations.InsertSorted(std::move(node));
  }
  s.Kind = RecordKind::Survey;
  return stations.Count() != 0 ? DecodeResult::RecordReady : DecodeResult::NothingToWrite;
}

} // namespace

DecodeResult DecodeG(const Frame& frame, RecordState& s, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings) {
  if (!frame.PayloadDelivered) return DecodeResult::NothingToWrite;
  const std::span<const std::uint8_t> body = frame.Payload;
  // A payload shorter than its layout is damaged; it is skipped rather than padded.
  switch (frame.PayloadType) {
  case g_payload::kSingleSpectrum:
    if (!groups.singleSpectrum || body.size() < kSingleSpectrumBytes)
      return DecodeResult::NothingToWrite;
    LoadLE16s(s.GChannelSpectrum, body.data());
    s.Kind = RecordKind::SingleSpectrum;
    return DecodeResult::RecordReady;
  case g_payload::kFullSpectrum:
    if (!groups.fullSpectrum || body.size() < kFullSpectrumBytes)
      return DecodeResult::NothingToWrite;
    LoadLE16s(s.GFullSpectrum, body.data());
    s.Kind = RecordKind::FullSpectrum;
    return DecodeResult::RecordReady;
  case g_payload::kSurvey:
    if (!groups.survey) return DecodeResult::NothingToWrite;
    return DecodeSurvey(s, stations, body, sightings);
  case g_payload::kChannel:
    if (!body.empty()) s.CurrentChannel = body[0];
    return DecodeResult::NothingToWrite;
  case g_payload::kSingle:
    if (!groups.single || body.size() < kSingleBytes) return DecodeResult::NothingToWrite;
    std::memcpy(s.GSingle.Mac.data(), body.data(), 6);
    s.GSingle.Rssi = LoadLE16s(body.data() + 6);
    s.GSingle.RateCode = body[8];
    s.GSingle.PacketLength = LoadLE16(body.data() + 9);
    s.GSingle.Bad = body[11];
    s.Kind = RecordKind::Single;
    return DecodeResult::RecordReady;
  case g_payload::kUtilization:
    if (!groups.utilization || body.size() < kUtilBytes) return DecodeResult::NothingToWrite;
    return DecodeUtilization(s, body.data());
  case g_payload::kGps:
    gps.Decode(body);
    return DecodeResult::NothingToWrite;
  default:
    return DecodeResult::NothingToWrite;
  }
}

} // namespace veltrix
