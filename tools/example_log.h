#pragma once
// The deterministic log generator behind examples/, the fuzzers' seed corpus and the benchmarks.

#include <cstddef>
#include <cstdint>

#include "reader/identify.h"
#include "support/log_builder.h"

namespace veltrix::tools {

// A log of the generation made of rounds in which every payload type of the generation
// occurs at least once: whole rounds until the log holds `minBytes` (the examples: a few KiB).
testing::Bytes MakeExampleLog(LogVariant generation, std::size_t minBytes = 4096,
                              std::uint32_t seed = 1);

// An 802.11b log of `count` single-channel data-frame captures (payload types 18 and 6 in turn)
// whose transmitters are 0..distinct-1 in turn, with varying RSSI and rate: the station list's
// load at scale (`mklog captures`, the benchmarks).
testing::Bytes MakeCaptureLog(std::uint32_t count, std::uint32_t distinct);

} // namespace veltrix::tools
