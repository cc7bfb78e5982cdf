#pragma once
// What the micro-benchmarks share: scratch files and the option sets they convert with.

#include <cstdint>
#include <string>

#include "convert/conversion_options.h"
#include "support/log_builder.h"

namespace veltrix::bench {

// Writes `bytes` to a new file in a scratch folder that is removed when the program ends.
std::string ScratchFile(const testing::Bytes& bytes);

// All seven context fields, comma, header; the record groups are up to the caller.
ConversionOptions WithContext();
// All seven context fields and every record group.
ConversionOptions Everything();

// Size of a file in bytes.
std::int64_t FileSize(const std::string& path);

} // namespace veltrix::bench
