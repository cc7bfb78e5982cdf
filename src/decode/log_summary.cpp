#include "decode/log_summary.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

#include "decode/payload_types.h"

namespace veltrix {

IdentifyResult SummarizeLog(const std::string& path, LogSummary& out, int descriptor) {
  out = LogSummary{};
  LogReader reader;
  reader.SetInputPath(path);
  reader.SetInputDescriptor(descriptor);
  if (!reader.OpenLog()) return IdentifyResult::CannotOpen;
  const std::optional<LogVariant> variant = VariantOfSignature(reader.Signature.data());
  if (!variant) return IdentifyResult::NotValid;
  out.Variant = *variant;

  const unsigned gpsType = GpsPayloadType(out.Variant);
  const Frame& frame = reader.Current();
  while (reader.ReadRecord() != 0) {
    if (!frame.Framed) continue;
    ++out.Frames;
    const std::string rtc =
        std::string(frame.RtcDateText.view()) + " " + std::string(frame.RtcTimeText.view());
    if (out.Frames == 1) out.FirstRtc = rtc;
    out.LastRtc = rtc;
    if (!frame.PayloadDelivered) continue;
    ++out.RecordsPerType[frame.PayloadType];
    if (frame.PayloadType == gpsType) ++out.GpsFixes;
  }
  out.SizeBytes = reader.BytesInFile();
  out.OversizedFrames = reader.OversizedFrames;
  out.EmptyPayloads = out.Frames - out.OversizedFrames;
  for (const std::int64_t count : out.RecordsPerType) out.EmptyPayloads -= count;
  out.SkippedBytes = reader.SkippedBytes;
  out.Damage = reader.Damage();
  reader.CloseLog();
  return IdentifyResult::Ok;
}

std::string FormatSummary(const LogSummary& s) {
  std::string text;
  char line[160];
  auto add = [&](const char* format, auto... args) {
    std::snprintf(line, sizeof line, format, args...);
    text += line;
  };
  const char letter = static_cast<char>(s.Variant);
  add("  generation: 802.11%c ('%c')\n", s.Variant == LogVariant::B ? 'b' : 'g', letter);
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
      s.SkippedBytes, s.Damage.tailBytes);
  if (s.Damage.Any()) text += "  damage:     " + DescribeDamage(s.Damage) + "\n";
  return text;
}

} // namespace veltrix
