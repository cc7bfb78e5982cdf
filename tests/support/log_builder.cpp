#include "support/log_builder.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace veltrix::testing {

void PutLE16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutLE32(Bytes& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void PutBE16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}
void PutBE32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}
void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}
void Append(Bytes& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

Bytes EncodeFrameWithLengths(const Rtc& rtc, std::uint16_t markerLength, const Bytes& markerBytes,
                             std::uint16_t payloadLength, const Bytes& payloadBytes) {
  Bytes out = {'X', 'X', 'X', rtc.day, rtc.month, rtc.year, rtc.hour, rtc.minute, rtc.second};
  PutLE16(out, markerLength);
  Append(out, markerBytes);
  PutLE16(out, payloadLength);
  Append(out, payloadBytes);
  return out;
}

Bytes EncodeFrame(const Rtc& rtc, std::string_view marker, const Bytes& payloadBlock) {
  return EncodeFrameWithLengths(rtc, static_cast<std::uint16_t>(marker.size()),
                                Bytes(marker.begin(), marker.end()),
                                static_cast<std::uint16_t>(payloadBlock.size()), payloadBlock);
}

LogBuilder::LogBuilder(std::string_view signature) {
  bytes_ = {' ', ' ', ' ', ' ', 0x01, 'V', '2', '.', '1', '1', 0, 0, 0, 0};
  for (std::size_t i = 0; i < signature.size() && i < 4; ++i)
    bytes_[i] = static_cast<std::uint8_t>(signature[i]);
}

LogBuilder& LogBuilder::Frame(std::uint8_t type, const Bytes& body, std::string_view marker,
                              const Rtc& rtc) {
  Bytes block = {type};
  Append(block, body);
  Append(bytes_, EncodeFrame(rtc, marker, block));
  return *this;
}

LogBuilder& LogBuilder::EmptyFrame(std::string_view marker, const Rtc& rtc) {
  Append(bytes_, EncodeFrame(rtc, marker, {}));
  return *this;
}

LogBuilder& LogBuilder::Raw(const Bytes& bytes) {
  Append(bytes_, bytes);
  return *this;
}

std::string LogBuilder::Write(const std::string& path) const {
  WriteFile(path, bytes_);
  return path;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes SpectrumBody(const std::vector<std::int16_t>& samples) {
  Bytes out;
  for (const std::int16_t s : samples) PutLE16(out, static_cast<std::uint16_t>(s));
  return out;
}

Bytes GSingleBody(const Mac& mac, std::int16_t rssi, std::uint8_t rateCode,
                  std::uint16_t packetLength, std::uint8_t bad) {
  Bytes out(mac.begin(), mac.end());
  PutLE16(out, static_cast<std::uint16_t>(rssi));
  out.push_back(rateCode);
  PutLE16(out, packetLength);
  out.push_back(bad);
  return out;
}

Bytes GUtilBody(const std::array<std::uint32_t, 14>& counts) {
  Bytes out;
  for (const std::uint32_t c : counts) PutLE32(out, c);
  return out;
}

Bytes GSurveyBody(const std::vector<GSurveyStation>& stations,
                  const std::vector<GSurveyAccessPoint>& accessPoints,
                  const std::vector<Mac>& bssids) {
  Bytes out = {static_cast<std::uint8_t>(stations.size())};
  for (const auto& s : stations) {
    out.insert(out.end(), s.mac.begin(), s.mac.end());
    PutLE16(out, static_cast<std::uint16_t>(s.rssi));
  }
  out.push_back(static_cast<std::uint8_t>(accessPoints.size()));
  for (const auto& ap : accessPoints) {
    out.push_back(ap.stationIndex);
    out.push_back(static_cast<std::uint8_t>(ap.ssidLength >= 0 ? ap.ssidLength : ap.ssid.size()));
    Bytes ssid(32, 0);
    for (std::size_t i = 0; i < ap.ssid.size() && i < 32; ++i)
      ssid[i] = static_cast<std::uint8_t>(ap.ssid[i]);
    Append(out, ssid);
    out.push_back(ap.channel);
    PutLE16(out, ap.wep ? 0x0011 : 0x0001);
  }
  for (const Mac& b : bssids) out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes GpsBody(const GpsFix& fix) {
  Bytes out = {0x40, 0x40, 0x48, 0x61}; // message header, not interpreted
  out.push_back(fix.month);
  out.push_back(fix.day);
  PutBE16(out, static_cast<std::uint16_t>(fix.year));
  out.push_back(fix.hours);
  out.push_back(fix.minutes);
  out.push_back(fix.seconds);
  PutBE32(out, 0);          // fraction of a second
  PutBE32(out, 0x7fffffff); // first position set: not used
  PutBE32(out, 0x7fffffff);
  PutBE32(out, 0);
  PutBE32(out, 0);
  PutBE32(out, static_cast<std::uint32_t>(fix.latitude));
  PutBE32(out, static_cast<std::uint32_t>(fix.longitude));
  out.resize(151, 0);
  out.push_back(0x5a); // checksum, not checked
  return out;
}

Bytes BChannelSpectrumBody(std::uint8_t channel, const std::vector<std::int16_t>& samples) {
  Bytes out = {channel, 0};
  Append(out, SpectrumBody(samples));
  return out;
}

Bytes BUtilBody(const std::array<std::uint32_t, 4>& bytesPerSecond) {
  Bytes out;
  for (const std::uint32_t v : bytesPerSecond) PutLE32(out, v);
  return out;
}

Bytes CaptureBody(const CaptureHeader& header, const Bytes& frame, int lengthField) {
  Bytes out = {0, static_cast<std::uint8_t>(header.rssi)};
  for (const auto& [i, q] : header.multipath) {
    out.push_back(static_cast<std::uint8_t>(i));
    out.push_back(static_cast<std::uint8_t>(q));
  }
  out.push_back(header.frameValid);
  PutLE16(out, static_cast<std::uint16_t>(lengthField >= 0 ? lengthField : frame.size()));
  Append(out, frame);
  return out;
}

namespace {
Bytes FrameStart(std::uint8_t rate100k, std::uint8_t frameControl, const Mac& transmitter) {
  Bytes out = {rate100k, 0, 0, 0, frameControl, 0, 0, 0};
  Append(out, Bytes(6, 0xff)); // address 1
  out.insert(out.end(), transmitter.begin(), transmitter.end());
  Append(out, Bytes(8, 0x11)); // address 3, sequence control
  return out;
}
} // namespace

Bytes DataFrame(std::uint8_t rate100k, const Mac& transmitter) {
  Bytes out = FrameStart(rate100k, 0x08, transmitter); // type 2, subtype 0
  Append(out, Bytes(24, 0xaa));                        // some payload
  return out;
}

Bytes BeaconFrame(std::uint8_t rate100k, const Mac& transmitter, bool privacy,
                  const std::vector<Element>& elements, std::uint8_t subtype) {
  Bytes out = FrameStart(rate100k, static_cast<std::uint8_t>(subtype << 4), transmitter);
  Append(out, Bytes{1, 2, 3, 4, 5, 6, 7, 8}); // timestamp
  PutLE16(out, 100);                          // beacon interval
  PutLE16(out, privacy ? 0x0011 : 0x0001);    // capability
  for (const Element& e : elements) {
    out.push_back(e.id);
    out.push_back(static_cast<std::uint8_t>(e.content.size()));
    Append(out, e.content);
  }
  return out;
}

Bytes SsidElementContent(std::string_view ssid) {
  return Bytes(ssid.begin(), ssid.end());
}

} // namespace veltrix::testing
