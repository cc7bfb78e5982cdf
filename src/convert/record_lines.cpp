#include "convert/record_lines.h"

#include <array>
#include <cstring>
#include <string>

#include "reader/mac_text.h"
#include "reader/number_format.h"

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

void ContextPrefix(OutputFile& out, const LineSources& src) {
  const ConversionOptions& o = src.options;
  if (o.cbRTCDate) out.PlainField(src.reader.RtcDateText.view());
  if (o.cbRTCTime) out.PlainField(src.reader.RtcTimeText.view());
  if (o.cbMarker) out.Field(src.reader.MarkerText);
  if (o.cbGPSDate) out.PlainField(src.gps.DateText());
  if (o.cbGPSTime) out.PlainField(src.gps.TimeText());
  if (o.cbGPSLat) out.Field(src.gps.LatitudeText());
  if (o.cbGPSLon) out.Field(src.gps.LongitudeText());
}

bool GroupTicked(const ConversionOptions& o, std::int16_t kind) {
  switch (kind) {
  case kKindSingleSpectrum:
    return o.cbSingleSpectrum;
  case kKindFullSpectrum:
    return o.cbFullSpectrum;
  case kKindSurvey:
    return o.cbMAC;
  case kKindSingle:
    return o.cbSingle;
  case kKindUtilization:
    return o.cbUtil;
  default:
    return false;
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

std::string_view BRateText(std::uint16_t code) {
  switch (code) {
  case 2:
    return "1";
  case 4:
    return "2";
  case 11:
    return "5.5";
  case 22:
    return "11";
  default:
    return "";
  }
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
  out.PlainField(s.SingleMacText);
  out.IntegerField(s.SingleRssi);
  out.PlainField(BRateText(s.SingleRateCode));
  // Each point's share of the total power, in percent; a run of fields written in one go.
  char* p = out.Reserve(kMultipathPoints * (kFixed2Capacity + 1));
  const char* start = p;
  for (const std::uint32_t power : s.MultipathPower) {
    *p++ = out.Delimiter(); // the MAC field always precedes
    if (s.MultipathTotal != 0) {
      p = FormatShare2(p, power, s.MultipathTotal);
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
  static constexpr double kBitsPerSecond[4] = {1000000, 2000000, 5500000, 11000000};
  out.IntegerField(s.CurrentChannel);
  for (int row = 0; row < 4; ++row) {
    // The decoder reports no utilization for channels the table does not hold.
    if (s.CurrentChannel >= s.BUtilization[row].size()) {
      out.PlainField("");
      continue;
    }
    const double n = s.BUtilization[row][s.CurrentChannel];
    out.Fixed2Field(n * 8 * 100 / kBitsPerSecond[row]);
  }
}

} // namespace

void WriteHeaderRecord(OutputFile& out, const ConversionOptions& o, LogVariant variant) {
  const bool b = variant == kVariantB;
  const auto repeat = [&](std::string_view name, int times) {
    for (int i = 0; i < times; ++i) out.Field(name);
  };
  if (o.cbRTCDate) out.Field("RTC Date");
  if (o.cbRTCTime) out.Field("RTC Time");
  if (o.cbMarker) out.Field("Marker");
  if (o.cbGPSDate) out.Field("GPS Date");
  if (o.cbGPSTime) out.Field("GPS Time");
  if (o.cbGPSLat) out.Field("GPS Latitude");
  if (o.cbGPSLon) out.Field("GPS Longitude");
  if (o.cbFullSpectrum) repeat("RSSI (dBm)", b ? kBFullSpectrumSize : kGFullSpectrumSize);
  if (o.cbSingleSpectrum) {
    out.Field("Channel");
    repeat("RSSI (dBm)", b ? kBChannelSpectrumSize : kGChannelSpectrumSize);
  }
  if (o.cbMAC) {
    for (const char* name : {"Channel", "MAC", "SSID", "RSSI (dBm)", "WEP (Y/N)", "AP/STA"})
      out.Field(name);
  }
  if (o.cbSingle) {
    for (const char* name : {"MAC", "RSSI (dBm)", "Data Rate (Mb/s)"}) out.Field(name);
    if (b) {
      for (int point = 1; point <= kMultipathPoints; ++point)
        out.Field("Multipath Point #" + std::to_string(point));
    } else {
      out.Field("Packet Length (bytes)");
      out.Field("Good/Bad");
    }
  }
  if (o.cbUtil) {
    if (b) {
      for (const char* name : {"Channel", "1 Mb/s", "2 Mb/s", "5.5 Mb/s", "11 Mb/s"})
        out.Field(name);
    } else {
      for (const unsigned code : {2, 4, 11, 12, 18, 22, 24, 36, 44, 48, 66, 72, 96, 108})
        out.Field(RateName(code));
    }
  }
  out.EndLine();
}

bool WriteRecordLine(OutputFile& out, const LineSources& src) {
  const RecordState& s = src.reader.State;
  const bool b = src.variant == kVariantB;
  const std::int16_t kind = s.RecordKind;
  if (!GroupTicked(src.options, kind)) {
    out.EndLine();
    return true;
  }
  const StationNode* first = nullptr;
  if (kind == kKindSurvey) {
    // A survey gives the line of its weakest station, or no line at all.
    if (src.stations.GetNth(first, 1) != 0) return false;
    if (first->isAp != 1 && src.options.cbAP) return false;
  }
  ContextPrefix(out, src);
  switch (kind) {
  case kKindFullSpectrum:
    if (b) {
      SpectrumFields(out, s.BFullSpectrum, 256);
    } else {
      SpectrumFields(out, s.GFullSpectrum, 16);
    }
    break;
  case kKindSingleSpectrum:
    if (b) {
      out.IntegerField(s.BChannelSpectrum.Channel);
      SpectrumFields(out, s.BChannelSpectrum.Values, 256);
    } else {
      out.IntegerField(s.CurrentChannel);
      SpectrumFields(out, s.GChannelSpectrum, 16);
    }
    break;
  case kKindSurvey:
    SurveyFields(out, *first);
    break;
  case kKindSingle:
    SingleFields(out, s, b);
    break;
  case kKindUtilization:
    UtilizationFields(out, s, b);
    break;
  default:
    break;
  }
  out.EndLine();
  return true;
}

} // namespace veltrix
