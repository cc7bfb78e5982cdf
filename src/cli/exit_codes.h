#pragma once
// The exit statuses of veltrix-convert.

namespace veltrix::cli {

inline constexpr int kExitOk = 0;            // every input was converted (or described)
inline constexpr int kExitFailed = 1;        // at least one input failed
inline constexpr int kExitUsage = 2;         // the command line was refused; nothing was converted
inline constexpr int kExitInterrupted = 130; // SIGINT or SIGTERM stopped the batch

} // namespace veltrix::cli
