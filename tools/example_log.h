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

// A simulated site survey of about fifteen minutes, the same bytes every time: a walk with a GPS
// fix every 2 s along a few streets, two dozen access points in the buildings along them (mostly
// on channels 1, 6 and 11, some WEP, some sharing an SSID) heard as their signal falls off with
// distance, a full-spectrum sweep every second showing each sending access point's channel and a
// microwave oven on for two minutes, utilization records, and a marker at every street corner.
testing::Bytes MakeSurveyLog(LogVariant generation);

} // namespace veltrix::tools
