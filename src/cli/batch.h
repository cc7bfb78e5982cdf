#pragma once
// Runs a batch of conversions on a pool of worker threads.

#include <atomic>
#include <string>
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
  std::vector<WrittenFile> written;  // of a completed job: every file put in place, in order
  std::vector<std::string> warnings; // what the picture, maps and tables left out
};

// Converts every job, at most `workers` at once, taking the jobs in order. Each job is one
// Convert into the outputs the catalogue makes for the job's files, with its own observer, which
// reports to `progress`; `options` are the text's choices and `picture` gives the pictures' colour
// window; "-" reads standard input or writes standard output. `stop` is every conversion's
// termination flag; once it is set no further job starts. Returns one result per job.
std::vector<JobResult> RunBatch(const std::vector<Job>& jobs, const ConversionOptions& options,
                                const WaterfallSettings& picture, unsigned workers,
                                const std::atomic<bool>& stop, ProgressCounters& progress);

} // namespace veltrix::cli
