#include "decode/log_summary.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

#include "decode/payload_types.h"

namespace veltrix {

LogSummaryBuilder::LogSummaryBuilder(LogVariant variant) : gps_type_(GpsPayloadType(variant)) {
  summary_.Variant = variant;
}

void LogSummaryBuilder::Take(const Frame& frame) {
  if (!frame.Framed) return;
  LogSummary& s = summary_;
  if (++s.Frames == 1) {
    s.FirstRtc = frame.Rtc.RtcText();
    s.FirstClock = frame.Rtc;
  }
  // The last frame's clock as numbers only; its text (the same digits) is made once, at the end.
  s.LastClock = frame.Rtc;
  if (!frame.PayloadDelivered) return;
  ++s.RecordsPerType[frame.PayloadType];
  if (frame.PayloadType == gps_type_) ++s.GpsFixes;
}

LogSummary LogSummaryBuilder::Finish(std::int64_t bytesInFile, std::int64_t oversizedFrames,
                                     std::int64_t skippedBytes, const LogDamage& damage) const {
  LogSummary s = summary_;
  if (s.Frames > 0) s.LastRtc = s.LastClock.RtcText();
  s.SizeBytes = bytesInFile;
  s.OversizedFrames = oversizedFrames;
  s.EmptyPayloads = s.Frames - s.OversizedFrames;
  for (const std::int64_t count : s.RecordsPerType) s.EmptyPayloads -= count;
  s.SkippedBytes = skippedBytes;
  s.Damage = damage;
  return s;
}

IdentifyResult SummarizeLog(const std::string& path, LogSummary& out, int descriptor) {
  out = LogSummary{};
  LogReader reader;
  reader.SetInputPath(path);
  reader.SetInputDescriptor(descriptor);
  if (!reader.OpenLog()) return IdentifyResult::CannotOpen;
  const std::optional<LogVariant> variant = VariantOfSignature(reader.Signature.data());
  if (!variant) return IdentifyResult::NotValid;
  LogSummaryBuilder builder(*variant);
  while (reader.ReadRecord() != 0) builder.Take(reader.Current());
  out = builder.Finish(reader.BytesInFile(), reader.OversizedFrames, reader.SkippedBytes,
                       reader.Damage());
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
