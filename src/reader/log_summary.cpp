#include "reader/log_summary.h"

#include <cinttypes>
#include <cstdio>

#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

const char* PayloadTypeName(LogVariant variant, unsigned type) {
  if (variant == kVariantB) {
    switch (type) {
    case 4:
    case 11:
      return "channel";
    case 5:
      return "single-channel spectrum";
    case 6:
    case 18:
      return "single-channel capture";
    case 7:
      return "GPS";
    case 9:
      return "management capture";
    case 10:
      return "survey capture";
    case 14:
      return "full spectrum";
    case 19:
      return "utilization";
    default:
      return "unknown";
    }
  }
  switch (type) {
  case 7:
    return "single-channel spectrum";
  case 8:
    return "full spectrum";
  case 16:
    return "survey";
  case 17:
    return "channel";
  case 19:
    return "single-channel station data";
  case 21:
    return "utilization";
  case 25:
    return "GPS";
  default:
    return "unknown";
  }
}

unsigned GpsPayloadType(LogVariant variant) {
  return variant == kVariantB ? 7 : 25;
}

std::int16_t SummarizeLog(const std::string& path, LogSummary& out, int descriptor) {
  out = LogSummary{};
  LogReader reader;
  reader.SetInputPath(path);
  reader.SetInputDescriptor(descriptor);
  if (!reader.OpenLog()) return IdentifyCannotOpen;
  out.Variant = VariantOfSignature(reader.Signature.data());
  if (out.Variant == 0) return IdentifyNotValid;

  const unsigned gpsType = GpsPayloadType(out.Variant);
  while (reader.ReadRecord() != 0) {
    if (!reader.FrameRead) continue;
    ++out.Frames;
    const std::string rtc =
        std::string(reader.RtcDateText.view()) + " " + std::string(reader.RtcTimeText.view());
    if (out.Frames == 1) out.FirstRtc = rtc;
    out.LastRtc = rtc;
    if (!reader.PayloadDelivered) continue;
    ++out.RecordsPerType[reader.PayloadType];
    if (reader.PayloadType == gpsType) ++out.GpsFixes;
  }
  out.SizeBytes = reader.BytesInFile();
  out.OversizedFrames = reader.OversizedFrames;
  out.EmptyPayloads = out.Frames - out.OversizedFrames;
  for (const std::int64_t count : out.RecordsPerType) out.EmptyPayloads -= count;
  out.SkippedBytes = reader.SkippedBytes;
  out.Damage = reader.Damage();
  out.TailBytes = out.Damage.tailBytes;
  reader.CloseLog();
  return IdentifyOk;
}

std::string FormatSummary(const LogSummary& s) {
  std::string text;
  char line[160];
  auto add = [&](const char* format, auto... args) {
    std::snprintf(line, sizeof line, format, args...);
    text += line;
  };
  add("  generation: 802.11%c ('%c')\n", s.Variant == kVariantB ? 'b' : 'g', s.Variant);
  add("  size:       %" PRId64 " bytes\n", s.SizeBytes);
  add("  frames:     %" PRId64 " (%" PRId64 " without payload, %" PRId64 " oversized)\n", s.Frames,
      s.EmptyPayloads, s.OversizedFrames);
  for (unsigned type = 0; type < s.RecordsPerType.size(); ++type) {
    if (s.RecordsPerType[type] == 0) continue;
    add("    type %3u %-28s %" PRId64 "\n", type, PayloadTypeName(s.Variant, type),
        s.RecordsPerType[type]);
  }
  if (s.Frames > 0) {
    add("  first RTC:  %s\n", s.FirstRtc.c_str());
    add("  last RTC:   %s\n", s.LastRtc.c_str());
  }
  add("  GPS fixes:  %" PRId64 "\n", s.GpsFixes);
  add("  skipped:    %" PRId64 " bytes while resynchronising, %" PRId64
      " bytes after the last whole frame\n",
      s.SkippedBytes, s.TailBytes);
  if (s.Damage.Any()) text += "  damage:     " + DescribeDamage(s.Damage) + "\n";
  return text;
}

} // namespace veltrix
