#pragma once
// Writes logs byte by byte from their layouts, so every test (and the example generator) makes
// exactly the log it needs.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace veltrix::testing {

using Bytes = std::vector<std::uint8_t>;
using Mac = std::array<std::uint8_t, 6>;

struct Rtc {
  std::uint8_t day = 12, month = 7, year = 7, hour = 13, minute = 5, second = 9;
};

// Little-endian and big-endian appenders.
void PutLE16(Bytes& out, std::uint16_t value);
void PutLE32(Bytes& out, std::uint32_t value);
void PutBE16(Bytes& out, std::uint16_t value);
void PutBE32(Bytes& out, std::uint32_t value);
void Append(Bytes& out, const Bytes& more);
void Append(Bytes& out, std::string_view text);

// One record frame: sync mark, timestamp, marker block and payload block. The length fields are
// the real lengths unless given.
Bytes EncodeFrame(const Rtc& rtc, std::string_view marker, const Bytes& payloadBlock);
Bytes EncodeFrameWithLengths(const Rtc& rtc, std::uint16_t markerLength, const Bytes& markerBytes,
                             std::uint16_t payloadLength, const Bytes& payloadBytes);

class LogBuilder {
public:
  // Starts with the 14-byte file header: the signature, one byte, a five-character text, four
  // bytes.
  explicit LogBuilder(std::string_view signature = "QXBG");

  // A frame whose payload block is the type byte followed by `body`.
  LogBuilder& Frame(std::uint8_t type, const Bytes& body, std::string_view marker = {},
                    const Rtc& rtc = {});
  // A frame with an empty payload block (p = 0).
  LogBuilder& EmptyFrame(std::string_view marker = {}, const Rtc& rtc = {});
  LogBuilder& Raw(const Bytes& bytes);

  const Bytes& bytes() const { return bytes_; }
  // Writes the log to `path` and returns the path.
  std::string Write(const std::string& path) const;

private:
  Bytes bytes_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

// ---- Payload bodies (what follows the type byte) ----

Bytes SpectrumBody(const std::vector<std::int16_t>& samples); // little-endian int16s

// 802.11g
Bytes GSingleBody(const Mac& mac, std::int16_t rssi, std::uint8_t rateCode,
                  std::uint16_t packetLength, std::uint8_t bad);
Bytes GUtilBody(const std::array<std::uint32_t, 14>& counts);
struct GSurveyStation {
  Mac mac;
  std::int16_t rssi;
};
struct GSurveyAccessPoint {
  std::uint8_t stationIndex;
  std::string ssid;
  std::uint8_t channel;
  bool wep;
  int ssidLength = -1; // the stored length; -1 for the SSID's own length
};
Bytes GSurveyBody(const std::vector<GSurveyStation>& stations,
                  const std::vector<GSurveyAccessPoint>& accessPoints,
                  const std::vector<Mac>& bssids = {});

// GPS receiver message (152 bytes, big-endian)
struct GpsFix {
  std::uint8_t month = 3, day = 7;
  std::int16_t year = 2006;
  std::uint8_t hours = 9, minutes = 5, seconds = 0;
  std::int32_t latitude = 180000000;   // milliarcseconds
  std::int32_t longitude = -441000000; // milliarcseconds
};
Bytes GpsBody(const GpsFix& fix);

// 802.11b
Bytes BChannelSpectrumBody(std::uint8_t channel, const std::vector<std::int16_t>& samples);
Bytes BUtilBody(const std::array<std::uint32_t, 4>& bytesPerSecond);
struct CaptureHeader {
  std::int8_t rssi = -60;
  std::array<std::pair<std::int8_t, std::int8_t>, 44> multipath{}; // I, Q
  std::uint8_t frameValid = 1;
};
// A capture body: the 93-byte header, then the captured frame. `lengthField` overrides L.
Bytes CaptureBody(const CaptureHeader& header, const Bytes& frame, int lengthField = -1);
// Captured frames: a 4-byte prefix (rate in 100 kb/s first), then the 802.11 frame.
Bytes DataFrame(std::uint8_t rate100k, const Mac& transmitter);
struct Element {
  std::uint8_t id;
  Bytes content;
};
Bytes BeaconFrame(std::uint8_t rate100k, const Mac& transmitter, bool privacy,
                  const std::vector<Element>& elements, std::uint8_t subtype = 8);
Bytes SsidElementContent(std::string_view ssid);

} // namespace veltrix::testing
