#include "convert/record_lines.h"

#include <array>
#include <cassert>
#include <cstring>
#include <string>

#include "decode/rates.h"
#include "text/mac_text.h"
#include "text/number_format.h"
#include "text/short_text.h"

namespace veltrix {
namespace {

// Decimal texts of the whole-dBm values a spectrum sample can become (-2048..2047), made once,
// so a spectrum line is a run of table copies.
struct SampleTexts {
  static constexpr int kMin = -2048;
  static constexpr int kCount = 4096;
  struct Entry {
    char text[8];
    std::uint8_t size;
  };
  std::array<Entry, kCount> entries{};
  SampleTexts() {
    for (int v = kMin; v < kMin + kCount; ++v) {
      Entry& e = entries[static_cast<std::size_t>(v - kMin)];
      const std::string text = std::to_string(v);
      std::memcpy(e.text, text.data(), text.size());
      e.size = static_cast<std::uint8_t>(text.size());
    }
  }
};

const SampleTexts& Samples() {
  static const SampleTexts texts;
  return texts;
}

// Writes each sample divided by `divisor` (truncated toward zero) as one field.
template <std::size_t N>
void SpectrumFields(OutputFile& out, const std::array<std::int16_t, N>& samples, int divisor) {
  const auto& table = Samples().entries;
  // Each value takes at most 6 bytes with its separator, but its copy writes 9.
  char* p = out.Reserve(N * 6 + 9);
  const char* start = p;
  const char delimiter = out.Delimiter();
  std::size_t i = 0;
  if (!out.FieldWritten()) {
    const auto& e = table[static_cast<std::size_t>(samples[0] / divisor - SampleTexts::kMin)];
    std::memcpy(p, e.text, sizeof e.text);
    p += e.size;
    i = 1;
  }
  for (; i < N; ++i) {
    const auto& e = table[static_cast<std::size_t>(samples[i] / divisor - SampleTexts::kMin)];
    *p = delimiter;
    std::memcpy(p + 1, e.text, sizeof e.text);
    p += 1 + e.size;
  }
  out.Commit(static_cast<std::size_t>(p - start));
  out.MarkFieldWritten();
}

void MacField(OutputFile& out, const std::uint8_t* mac) {
  char text[kMacTextSize];
  out.PlainField(FormatMac(mac, text));
}

// Three numbers of the frame's clock as one field: written here, as only the frames that give a
// line need their clock as text.
void ClockField(OutputFile& out, std::int64_t a, std::int64_t b, std::int64_t c, char separator,
                int lastWidth) {
  out.Reserve(kTripleCapacity + 1);
  out.PutSeparator();
  char* start = out.Reserve(kTripleCapacity);
  out.Commit(static_cast<std::size_t>(PutTriple(start, a, b, c, separator, lastWidth) - start));
}

// The context fields after the clock.
void TailFields(OutputFile& out, const Frame& frame, const GpsDecoder& gps,
                const ConversionOptions& o) {
  if (o.marker) out.Field(frame.MarkerText);
  if (o.gpsDate) out.PlainField(gps.DateText());
  if (o.gpsTime) out.PlainField(gps.TimeText());
  if (o.gpsLatitude) out.Field(gps.LatitudeText());
  if (o.gpsLongitude) out.Field(gps.LongitudeText());
}

// The most those fields take: each quoted with every character doubled, and a separator.
constexpr std::size_t kLongestTail =
    2 * (LogReader::kMaxMarkerLength + 4 * sizeof(ShortText::data)) + 5 * 3;

void ContextPrefix(OutputFile& out, const LineSources& src) {
  const ConversionOptions& o = src.options;
  const DateTime& rtc = src.frame.Rtc;
  if (o.rtcDate) ClockField(out, rtc.month, rtc.day, rtc.year, '/', 4);
  if (o.rtcTime) ClockField(out, rtc.hours, rtc.minutes, rtc.seconds, ':', 2);
  if (src.tail != nullptr) {
    src.tail->Write(out, src.frame, src.decoder.gps, o);
  } else {
    TailFields(out, src.frame, src.decoder.gps, o);
  }
}

void SurveyFields(OutputFile& out, const StationNode& n) {
  out.IntegerField(n.channel);
  MacField(out, n.mac.data());
  out.Field(n.isAp ? std::string_view(n.ssid) : std::string_view());
  out.IntegerField(n.signal);
  out.PlainField(n.wep ? "Yes" : "No");
  out.PlainField(n.isAp == 1 ? "AP" : "STA");
}

void SingleFields(OutputFile& out, const RecordState& s, bool b) {
  if (!b) {
    MacField(out, s.GSingle.Mac.data());
    out.IntegerField(s.GSingle.Rssi);
    out.Field(RateName(s.GSingle.RateCode));
    out.IntegerField(s.GSingle.PacketLength);
    out.PlainField(s.GSingle.Bad ? "bad" : "good");
    return;
  }
  MacField(out, s.SingleMac.data());
  out.IntegerField(s.SingleRssi);
  out.PlainField(RateMegabits(s.SingleRateCode));
  // Each point's share of the total power, in percent; a run of fields written in one go.
  char* p = out.Reserve(kMultipathPoints * (kFixed2Capacity + 1));
  const char* start = p;
  const Shares shares(s.MultipathTotal);
  for (const std::uint32_t power : s.MultipathPower) {
    *p++ = out.Delimiter(); // the MAC field always precedes
    if (s.MultipathTotal != 0) {
      p = shares.Format(p, power);
    } else {
      std::memcpy(p, "0.00", 4);
      p += 4;
    }
  }
  out.Commit(static_cast<std::size_t>(p - start));
}

void UtilizationFields(OutputFile& out, const RecordState& s, bool b) {
  if (!b) {
    for (const double percent : s.GUtilization) out.Fixed2Field(percent);
    return;
  }
  out.IntegerField(s.CurrentChannel);
  for (int row = 0; row < 4; ++row) {
    const double n = s.BUtilization[row][s.CurrentChannel];
    const double bitsPerSecond = kBRates[row]->bytesPerSecond * 8.0;
    out.Fixed2Field(n * 8 * 100 / bitsPerSecond);
  }
}

} // namespace

void ContextTail::Write(OutputFile& out, const Frame& frame, const GpsDecoder& gps,
                        const ConversionOptions& o) {
  const bool any = o.marker || o.gpsDate || o.gpsTime || o.gpsLatitude || o.gpsLongitude;
  if (!any) return;
  if (valid_ && fixes_ == gps.Fixes && marker_ == frame.MarkerText) {
    char* p = out.Reserve(bytes_.size());
    std::memcpy(p, bytes_.data(), bytes_.size());
    out.Commit(bytes_.size());
    out.MarkFieldWritten();
    return;
  }
  // With room for the longest fields, the buffer is not written out between them.
  const char* begin = out.Reserve(kLongestTail);
  TailFields(out, frame, gps, o);
  bytes_.assign(begin, static_cast<const char*>(out.Reserve(0)));
  marker_ = frame.MarkerText;
  fixes_ = gps.Fixes;
  valid_ = true;
}

void WriteHeaderRecord(OutputFile& out, const ConversionOptions& o, LogVariant variant) {
  const bool b = variant == LogVariant::B;
  const auto repeat = [&](std::string_view name, int times) {
    for (int i = 0; i < times; ++i) out.Field(name);
  };
  if (o.rtcDate) out.Field("RTC Date");
  if (o.rtcTime) out.Field("RTC Time");
  if (o.marker) out.Field("Marker");
  if (o.gpsDate) out.Field("GPS Date");
  if (o.gpsTime) out.Field("GPS Time");
  if (o.gpsLatitude) out.Field("GPS Latitude");
  if (o.gpsLongitude) out.Field("GPS Longitude");
  if (o.fullSpectrum) repeat("RSSI (dBm)", b ? kBFullSpectrumSize : kGFullSpectrumSize);
  if (o.singleSpectrum) {
    out.Field("Channel");
    repeat("RSSI (dBm)", b ? kBChannelSpectrumSize : kGChannelSpectrumSize);
  }
  if (o.survey) {
    for (const char* name : {"Channel", "MAC", "SSID", "RSSI (dBm)", "WEP (Y/N)", "AP/STA"})
      out.Field(name);
  }
  if (o.single) {
    for (const char* name : {"MAC", "RSSI (dBm)", "Data Rate (Mb/s)"}) out.Field(name);
    if (b) {
      for (int point = 1; point <= kMultipathPoints; ++point)
        out.Field("Multipath Point #" + std::to_string(point));
    } else {
      out.Field("Packet Length (bytes)");
      out.Field("Good/Bad");
    }
  }
  if (o.utilization) {
    if (b) {
      out.Field("Channel");
      for (const DataRate* rate : kBRates) out.Field(rate->name);
    } else {
      for (const DataRate& rate : kDataRates) out.Field(rate.name);
    }
  }
  out.EndLine();
}

bool WriteRecordLine(OutputFile& out, const LineSources& src) {
  const RecordState& s = src.decoder.state;
  const bool b = src.decoder.variant == LogVariant::B;
  const RecordKind kind = s.Kind;
  // The decoders report records of the ticked groups alone.
  assert(src.options.Has(kind));
  if (!src.options.Has(kind)) return false;
  // An 802.11b utilization table has columns for channels 0 to 14 only: another channel has no
  // line, as the decoder gives none.
  if (kind == RecordKind::Utilization && b && s.CurrentChannel >= s.BUtilization[0].size())
    return false;
  const StationNode* first = nullptr;
  if (kind == RecordKind::Survey) {
    // A survey gives the line of its weakest station, or no line at all.
    first = src.decoder.stations.First();
    if (first == nullptr) return false;
    if (first->isAp != 1 && src.options.accessPointsOnly) return false;
  }
  ContextPrefix(out, src);
  switch (kind) {
  case RecordKind::FullSpectrum:
    if (b) {
      SpectrumFields(out, s.BFullSpectrum, kBSampleCount);
    } else {
      SpectrumFields(out, s.GFullSpectrum, kGSampleCount);
    }
    break;
  case RecordKind::SingleSpectrum:
    if (b) {
      out.IntegerField(s.BChannelSpectrum.Channel);
      SpectrumFields(out, s.BChannelSpectrum.Values, kBSampleCount);
    } else {
      out.IntegerField(s.CurrentChannel);
      SpectrumFields(out, s.GChannelSpectrum, kGSampleCount);
    }
    break;
  case RecordKind::Survey:
    SurveyFields(out, *first);
    break;
  case RecordKind::Single:
    SingleFields(out, s, b);
    break;
  case RecordKind::Utilization:
    UtilizationFields(out, s, b);
    break;
  default:
    break;
  }
  out.EndLine();
  return true;
}

} // namespace veltrix
