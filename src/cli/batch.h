#pragma once
// Runs a batch of conversions on a pool of worker threads.

#include <atomic>
#include <vector>

#include "cli/job_plan.h"
#include "cli/progress.h"
#include "convert/conversion_options.h"
#include "convert/convert.h"
#include "plot/waterfall.h"

namespace veltrix::cli {

struct JobResult {
  bool started = false; // false: the stop flag was set before the job's turn came
  ConvertStatus status = ConvertStatus::Completed;
  std::string failureDetail; // the system's reason for a failure, when there is one
  LogDamage damage;
  std::int64_t outputLines = 0;
  std::vector<std::int64_t> splitLines; // of each --split file, in the job's order
  bool pictureDrawn = false;            // false for a log without full-spectrum records
  std::vector<std::string> warnings;    // what the picture, maps and tables left out
};

// Converts every job, at most `workers` at once, taking the jobs in order. Each job is one
// Convert into the job's outputs (the delimited text or one per group, the waterfall picture,
// the maps and tables) with its
// own observer, which reports to `progress`; `picture` gives the pictures' colour window; "-" reads
// standard input or writes standard output. `stop` is every conversion's termination flag; once it
// is set no further job starts. Returns one result per job.
std::vector<JobResult> RunBatch(const std::vector<Job>& jobs, const ConversionOptions& options,
                                const WaterfallSettings& picture, unsigned workers,
                                const std::atomic<bool>& stop, ProgressCounters& progress);

} // namespace veltrix::cli
