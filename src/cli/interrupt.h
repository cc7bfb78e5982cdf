#pragma once
// SIGINT and SIGTERM as a flag that the conversions poll.

#include <atomic>

namespace veltrix::cli {

// The flag the handlers set. A second signal ends the process as its default would, after
// removing the temporary files of the outputs being written.
const std::atomic<bool>& InterruptFlag();
void InstallInterruptHandlers();

} // namespace veltrix::cli
