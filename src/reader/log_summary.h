#pragma once
// What a log holds, found by framing it once without converting anything: for the quick start and
// the command-line converter's --info.

#include <array>
#include <cstdint>
#include <string>

#include "reader/log_reader.h"
#include "reader/record_state.h"

namespace veltrix {

struct LogSummary {
  LogVariant Variant = kVariantB;
  std::int64_t SizeBytes = 0; // every byte the log held, its header included
  std::int64_t Frames = 0;
  std::int64_t EmptyPayloads = 0;
  std::int64_t OversizedFrames = 0;
  std::array<std::int64_t, 256> RecordsPerType{};
  std::string FirstRtc, LastRtc; // "date time" of the first and last frame; empty without frames
  std::int64_t GpsFixes = 0;
  std::int64_t SkippedBytes = 0; // skipped while resynchronising
  std::int64_t TailBytes = 0;    // after the last whole frame (an incomplete frame or garbage)
  LogDamage Damage;
};

// The name of a payload type of a generation, "unknown" for a type it does not define.
const char* PayloadTypeName(LogVariant variant, unsigned type);
// The payload type of GPS records in a generation.
unsigned GpsPayloadType(LogVariant variant);

// Identifies and walks the log in one exclusive open (of a copy of `descriptor` instead of `path`
// when one is given); returns an IdentifyCode (IdentifyOk when `out` was filled).
std::int16_t SummarizeLog(const std::string& path, LogSummary& out, int descriptor = -1);
// A few indented lines describing the summary, each ended by '\n'.
std::string FormatSummary(const LogSummary& summary);

} // namespace veltrix
