#pragma once
// src/cli/ holds the command-line converter. veltrix-convert from the command line to the exit
// status.

#include <atomic>
#include <ostream>

namespace veltrix::cli {

// Parses the command line, then converts (or with --info describes) every input. `stop` is the
// interruption flag: once set, running conversions end with whole lines and no input starts.
// The progress line goes to `err` only when `showProgress` (err is a terminal) and not --quiet.
// Returns one of the kExit* statuses.
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& stop, bool showProgress);

} // namespace veltrix::cli
