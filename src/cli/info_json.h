#pragma once
// --info --json: the description of the logs as one JSON array, for scripts.

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace veltrix::cli {

// Writes one JSON array to `out`, an object per input in order: its path, generation, sizes,
// frames, damage, the clocks of its first and last records and how many records of each group
// give a line of text. An input that cannot be read gets an object with its error instead (told
// on `err` too). No input starts once `stop` is set; the array then holds those described.
// Returns kExitOk, kExitFailed when an input failed, or kExitInterrupted.
int DescribeLogsAsJson(const std::vector<std::string>& inputs, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>& stop);

} // namespace veltrix::cli
