#pragma once
// What a log holds, found by framing it once: for --info (which converts nothing), and for the
// report of a conversion, which sees the same frames.

#include <array>
#include <cstdint>
#include <string>

#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

struct LogSummary {
  LogVariant Variant = LogVariant::B;
  std::int64_t SizeBytes = 0; // every byte the log held, its header included
  std::int64_t Frames = 0;
  std::int64_t EmptyPayloads = 0;
  std::int64_t OversizedFrames = 0;
  std::array<std::int64_t, 256> RecordsPerType{};
  std::string FirstRtc, LastRtc;  // "date time" of the first and last frame; empty without frames
  DateTime FirstClock, LastClock; // the same as numbers
  std::int64_t GpsFixes = 0;
  std::int64_t SkippedBytes = 0; // skipped while resynchronising
  LogDamage Damage; // its tailBytes: after the last whole frame (an incomplete frame or garbage)
};

// A summary made from the frames as a walk delivers them, completed with what the reader counted.
class LogSummaryBuilder {
public:
  explicit LogSummaryBuilder(LogVariant variant);
  void Take(const Frame& frame);
  // `bytesInFile`, `oversizedFrames`, `skippedBytes` and `damage`: the reader's, at the end.
  LogSummary Finish(std::int64_t bytesInFile, std::int64_t oversizedFrames,
                    std::int64_t skippedBytes, const LogDamage& damage) const;

private:
  LogSummary summary_;
  unsigned gps_type_;
};

// Identifies and walks the log in one exclusive open (of a copy of `descriptor` instead of `path`
// when one is given); IdentifyResult::Ok when `out` was filled.
IdentifyResult SummarizeLog(const std::string& path, LogSummary& out, int descriptor = -1);
// A few indented lines describing the summary, each ended by '\n'.
std::string FormatSummary(const LogSummary& summary);

} // namespace veltrix
