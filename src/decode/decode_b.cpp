// Payload decoding of 802.11b logs, captured 802.11 frames included.
#include <algorithm>
#include <cstring>

#include "decode/decoders.h"
#include "decode/payload_types.h"
#include "decode/rates.h"
#include "text/byte_order.h"

namespace veltrix {
namespace {

constexpr std::size_t kSingleSpectrumBytes = 2 + kBChannelSpectrumSize * 2;
constexpr std::size_t kFullSpectrumBytes = kBFullSpectrumSize * 2;
constexpr std::size_t kUtilBytes = 16;
constexpr std::size_t kMaxUtilChannel = 14;

// Offsets into a captured frame (a 4-byte prefix, then the 802.11 frame).
constexpr std::size_t kRateByte = 0;
constexpr std::size_t kFrameControl = 4;
constexpr std::size_t kTransmitter = 14;
constexpr std::size_t kBeaconFixed = 28;
constexpr std::size_t kElements = 40;
constexpr std::size_t kMaxElementBytes = 2047;

// Offsets into the capture header.
constexpr std::size_t kRssi = 1;
constexpr std::size_t kMultipath = 2;
constexpr std::size_t kFrameValid = 90;
constexpr std::size_t kFrameLength = 91;

struct Capture {
  const std::uint8_t* header;
  const std::uint8_t* frame;
  std::size_t length; // L: the body holds all of the frame's bytes
  bool valid;
};

// A capture whose body is shorter than its header and the L frame bytes it announces is cut;
// it is ignored rather than decoded from what is left.
bool ParseCapture(std::span<const std::uint8_t> body, Capture& c) {
  if (body.size() < kCaptureHeaderSize) return false;
  c.header = body.data();
  c.frame = body.data() + kCaptureHeaderSize;
  c.length = LoadLE16(c.header + kFrameLength);
  c.valid = c.header[kFrameValid] != 0;
  return body.size() - kCaptureHeaderSize >= c.length;
}

// Copies a captured frame: through the library's memcpy, as the length is known only now. Inline,
// the copy is a rep movs, several times slower on frames this short.
[[gnu::noinline]] void CopyFrame(std::uint8_t* to, const std::uint8_t* from, std::size_t size) {
  std::memcpy(to, from, size);
}

// The steps both kinds of capture end with.
void CommonCaptureSteps(RecordState& s, const std::uint8_t* header, std::uint8_t rate100k) {
  s.SingleRateCode = BRateCodeOfRateByte(rate100k);
  // The sum in a local: summed in the state, every point waited for the store of the last.
  std::uint32_t total = 0;
  for (std::size_t p = 0; p < kMultipathPoints; ++p) {
    const int i = static_cast<std::int8_t>(header[kMultipath + 2 * p]);
    const int q = static_cast<std::int8_t>(header[kMultipath + 2 * p + 1]);
    const auto power = static_cast<std::uint32_t>(i * i + q * q);
    s.MultipathPower[p] = power;
    total += power;
  }
  s.MultipathTotal = total;
  s.SingleRssi = static_cast<std::int8_t>(header[kRssi]);
}

void WalkElements(RecordState& s, std::size_t frameLength) {
  const std::uint8_t* f = s.MgmtFrame.data();
  const std::size_t end = kElements + std::min(frameLength - kElements, kMaxElementBytes);
  std::size_t pos = kElements;
  while (pos < end) {
    // A lone id byte at the end is an element with no content.
    const std::uint8_t id = f[pos];
    const std::size_t length = pos + 1 < end ? f[pos + 1] : 0;
    const std::size_t content = pos + 2;
    const std::size_t present = std::min(length, end > content ? end - content : 0);
    if (id == 0) {
      s.BeaconSsid = TextUpToZero(f + content, std::min<std::size_t>(present, kSsidCapacity));
    } else if (id == 3) {
      if (present >= 1) s.BeaconChannel = f[content];
    } else if (!(id == 1 || id == 2 || id == 4 || id == 5 || id == 6 || id == 16)) {
      break; // elements the instrument does not know end the walk
    }
    pos = content + length;
  }
}

// A station that cannot be added (the list is full) leaves the list as it is; the capture's own
// values still reach its line, and the sighting is still reported.
void DecodeManagementCapture(RecordState& s, StationList& stations, const Capture& c,
                             SightingSink* sightings) {
  std::memcpy(s.MgmtCapture.data(), c.header, kCaptureHeaderSize);
  if (c.length != 0) {
    CopyFrame(s.MgmtFrame.data(), c.frame, std::min<std::size_t>(c.length, kMgmtFrameCapacity));
    std::memcpy(s.BeaconFixed.data(), s.MgmtFrame.data() + kBeaconFixed, s.BeaconFixed.size());
    s.BeaconSsid.clear();
    if (c.valid && c.length > kElements) WalkElements(s, c.length);
  }
  // Without a frame this repeats the previous management frame's transmitter.
  const std::uint8_t* mac = s.MgmtFrame.data() + kTransmitter;
  std::memcpy(s.SingleMac.data(), mac, 6);
  const auto update = [&](StationNode& node) {
    node.signal = static_cast<std::int8_t>(c.header[kRssi]);
    node.channel = s.BeaconChannel;
    node.wep = (s.BeaconFixed[10] & 0x10) ? 1 : 0;
    node.isAp = 1;
    node.ssid = s.BeaconSsid;
  };
  if (StationNode* found = stations.FindByMac(mac)) {
    update(*found);
    if (c.valid && sightings != nullptr) sightings->AccessPointSighted(*found);
  } else if (c.valid) {
    std::optional<StationNode> node = stations.NewNode();
    StationNode unlisted;
    StationNode& added = node ? *node : unlisted;
    std::memcpy(added.mac.data(), mac, 6);
    update(added);
    if (sightings != nullptr) sightings->AccessPointSighted(added);
    if (node) stations.InsertSorted(std::move(*node));
  }
  CommonCaptureSteps(s, s.MgmtCapture.data(), s.MgmtFrame[kRateByte]);
}

// Data frames come here only with their transmitter address present.
void DecodeDataCapture(RecordState& s, StationList& stations, const Capture& c) {
  std::memcpy(s.DataCapture.data(), c.header, kCaptureHeaderSize);
  CopyFrame(s.DataFrame.data(), c.frame, std::min<std::size_t>(c.length, kDataFrameCapacity));
  const std::uint8_t* mac = s.DataFrame.data() + kTransmitter;
  std::memcpy(s.SingleMac.data(), mac, 6);
  const std::int16_t rssi = static_cast<std::int8_t>(c.header[kRssi]);
  if (StationNode* found = stations.FindByMac(mac)) {
    found->signal = rssi;
    found->channel = s.BeaconChannel;
  } else if (c.valid) {
    if (std::optional<StationNode> node = stations.NewNode()) {
      std::memcpy(node->mac.data(), mac, 6);
      node->signal = rssi;
      node->channel = s.BeaconChannel;
      node->wep = 0;
      node->isAp = 1;
      stations.InsertSorted(std::move(*node));
    }
  }
  CommonCaptureSteps(s, s.DataCapture.data(), s.DataFrame[kRateByte]);
}

// Types 6 and 18: data frames and beacons give a line; any other frame is not decoded.
DecodeResult DecodeSingleCapture(RecordState& s, StationList& stations, const Capture& c,
                                 SightingSink* sightings) {
  if (c.length <= kFrameControl) return DecodeResult::NothingToWrite;
  const std::uint8_t control = c.frame[kFrameControl];
  const int type = (control >> 2) & 3;
  const int subtype = control >> 4;
  if (type == 2) {
    if (c.length < kTransmitter + 6) return DecodeResult::NothingToWrite;
    DecodeDataCapture(s, stations, c);
  } else if (type == 0 && subtype == 8) {
    if (c.length < kElements) return DecodeResult::NothingToWrite;
    DecodeManagementCapture(s, stations, c, sightings);
  } else {
    return DecodeResult::NothingToWrite;
  }
  s.Kind = RecordKind::Single;
  return DecodeResult::RecordReady;
}

// Types 9 and 10 carry a management frame, or none at all (L = 0); a frame too short for its
// fixed fields is damaged.
bool UsableManagementCapture(const Capture& c) {
  return c.length == 0 || c.length >= kElements;
}

} // namespace

DecodeResult DecodeB(const Frame& frame, RecordState& s, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings) {
  if (!frame.PayloadDelivered) return DecodeResult::NothingToWrite;
  const std::span<const std::uint8_t> body = frame.Payload;
  Capture capture{};
  // A payload shorter than its layout is damaged; it is skipped rather than padded.
  switch (frame.PayloadType) {
  case b_payload::kChannel4:
  case b_payload::kChannel11:
    if (!body.empty()) s.CurrentChannel = body[0];
    return DecodeResult::NothingToWrite;
  case b_payload::kSingleSpectrum:
    if (!groups.singleSpectrum || body.size() < kSingleSpectrumBytes)
      return DecodeResult::NothingToWrite;
    s.BChannelSpectrum.Channel = body[0];
    LoadLE16s(s.BChannelSpectrum.Values, body.data() + 2);
    s.Kind = RecordKind::SingleSpectrum;
    return DecodeResult::RecordReady;
  case b_payload::kFullSpectrum:
    if (!groups.fullSpectrum || body.size() < kFullSpectrumBytes)
      return DecodeResult::NothingToWrite;
    LoadLE16s(s.BFullSpectrum, body.data());
    s.Kind = RecordKind::FullSpectrum;
    return DecodeResult::RecordReady;
  case b_payload::kUtilization:
    // The table has columns for channels 0..14 only; the line could show nothing else.
    if (!groups.utilization || body.size() < kUtilBytes || s.CurrentChannel > kMaxUtilChannel)
      return DecodeResult::NothingToWrite;
    for (int row = 0; row < 4; ++row)
      s.BUtilization[row][s.CurrentChannel] = LoadLE32(body.data() + 4 * row);
    s.Kind = RecordKind::Utilization;
    return DecodeResult::RecordReady;
  case b_payload::kGps:
    gps.Decode(body);
    return DecodeResult::NothingToWrite;
  case b_payload::kCapture6:
  case b_payload::kCapture18:
    if (!groups.single || !ParseCapture(body, capture)) return DecodeResult::NothingToWrite;
    return DecodeSingleCapture(s, stations, capture, sightings);
  case b_payload::kManagementCapture:
    if (ParseCapture(body, capture) && UsableManagementCapture(capture))
      DecodeManagementCapture(s, stations, capture, sightings);
    return DecodeResult::NothingToWrite;
  case b_payload::kSurveyCapture:
    if (!groups.survey || !ParseCapture(body, capture) || !UsableManagementCapture(capture))
      return DecodeResult::NothingToWrite;
    stations.Clear();
    DecodeManagementCapture(s, stations, capture, sightings);
    s.Kind = RecordKind::Survey;
    return DecodeResult::RecordReady;
  default:
    return DecodeResult::NothingToWrite;
  }
}

} // namespace veltrix
