#pragma once
// SIGINT and SIGTERM as a flag that the conversions poll.

#include <atomic>

namespace veltrix::cli {

// The flag the handlers set. A second signal of the same kind ends the process as usual.
const std::atomic<bool>& InterruptFlag();
void InstallInterruptHandlers();

} // namespace veltrix::cli
