#pragma once
// The deterministic log generator behind examples/, the fuzzers' seed corpus and the benchmarks.

#include <cstddef>
#include <cstdint>

#include "support/log_builder.h"

namespace veltrix::tools {

// A log of generation 'G' or 'B' made of rounds in which every payload type of the generation
// occurs at least once: whole rounds until the log holds `minBytes` (the examples: a few KiB).
testing::Bytes MakeExampleLog(char generation, std::size_t minBytes = 4096, std::uint32_t seed = 1);

} // namespace veltrix::tools
