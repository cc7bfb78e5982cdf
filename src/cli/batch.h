#pragma once
// Runs a batch of conversions on a pool of worker threads.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "cli/job_plan.h"
#include "cli/progress.h"
#include "convert/convert.h"
#include "products/catalogue.h"

namespace veltrix::cli {

struct JobResult {
  bool started = false; // false: the stop flag was set before the job's turn came
  ConvertStatus status = ConvertStatus::Completed;
  std::string failureDetail; // the system's reason for a failure, when there is one
  LogDamage damage;
  std::vector<WrittenFile> written;  // of a completed job: every file put in place, in order
  std::vector<std::string> warnings; // what the picture, maps and tables left out
};

// Makes the outputs of job `index`; called by the worker that takes the job.
using OutputsOfJob = std::function<Convert::Outputs(std::size_t index)>;

// Converts every job, at most `workers` at once, taking the jobs in order. Each job is one
// Convert into the outputs `outputsOf` makes, with its own observer, which reports to
// `progress`; "-" reads standard input. `stop` is every conversion's termination flag; once it is
// set no further job starts. Returns one result per job.
std::vector<JobResult> RunBatch(const std::vector<Job>& jobs, const OutputsOfJob& outputsOf,
                                unsigned workers, const std::atomic<bool>& stop,
                                ProgressCounters& progress);

// The files of a job as the catalogue takes them ("-" is standard output).
std::vector<ProductFile> ProductFiles(const std::vector<PlannedFile>& planned);
// The outputs the catalogue makes for each job's files, with `settings` (each log's name its own);
// `jobs` must outlive it.
OutputsOfJob CatalogueOutputs(const std::vector<Job>& jobs, ProductSettings settings);

} // namespace veltrix::cli
