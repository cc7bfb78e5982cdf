#pragma once
// Runs a batch of conversions on a pool of worker threads, with counters of their progress.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "products/catalogue.h"
#include "products/jobs.h"

namespace veltrix {

struct ProgressSnapshot {
  std::size_t filesDone = 0;
  std::size_t files = 0;
  std::int64_t bytesDone = 0;
  std::int64_t bytesTotal = 0; // of the inputs whose size is known beforehand
  bool totalKnown = true;      // false when an input is a pipe: no percentage then
};

// One slot per job, each on its own cache line: a conversion updates its slot once per record
// without locks and without disturbing the conversions beside it.
class ProgressCounters {
public:
  // A size of -1: not known beforehand (a pipe).
  explicit ProgressCounters(const std::vector<std::int64_t>& jobSizes);

  // Called once per record by the job's conversion: a relaxed store, nothing more.
  void SetBytes(std::size_t job, std::int64_t bytesRead) {
    slots_[job].bytes.store(bytesRead, std::memory_order_relaxed);
  }
  // The job has ended, however: it now counts as its whole size (a pipe as what it read).
  void FinishJob(std::size_t job);

  ProgressSnapshot Sample() const;

private:
  struct alignas(64) Slot {
    std::atomic<std::int64_t> bytes{0};
  };
  std::vector<std::int64_t> sizes_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::size_t> files_done_{0};
  std::int64_t total_ = 0;
  bool total_known_ = true;
};

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
// The threads each conversion may use beside its own when `conversions` conversions share a run
// of at most `workers` threads: the conversions take the threads first, so one thread (-j 1) stays
// one thread, and a single conversion may use the rest.
unsigned SpareThreads(unsigned workers, std::size_t conversions);
// The outputs the catalogue makes for each job's files, with `settings` (each log's name its own)
// and the threads to spare of a run on `workers` threads; `jobs` must outlive it.
OutputsOfJob CatalogueOutputs(const std::vector<Job>& jobs, ProductSettings settings,
                              unsigned workers);

// How a batch went, over all its inputs.
struct BatchOutcome {
  bool failed = false;
  bool interrupted = false;
};

// What a batch tells once it has run, a line for each thing, in input order whatever order the
// workers finished in: with `listWritten` a line for each input converted with what it wrote
// ("log.qx -> log.out (25,698 lines)"); for every input its failure with the system's reason,
// its interruption, or the damage its log showed and what its outputs left out ("log.qx:
// warning: ..."). `merged`: the jobs are the parts of a merged survey, with no output of their
// own.
BatchOutcome DescribeBatch(const std::vector<Job>& jobs, const std::vector<JobResult>& results,
                           bool merged, bool listWritten, std::vector<std::string>& lines);

// Runs a merged survey: every log of `plan` read into a part of each survey output (the maps and
// tables, the report), which are written once all are read, and only then: a log that fails, or
// `stop`, leaves the merged files as they were. `progress` must count plan.logs. The lines tell
// how it went (as DescribeBatch, then the merged files' failure or warnings; with `listWritten`,
// the order and what the filters left out).
BatchOutcome RunSurvey(const MergePlan& plan, ProductSettings settings, unsigned workers,
                       const std::atomic<bool>& stop, ProgressCounters& progress, bool listWritten,
                       std::vector<std::string>& lines);

// A file written as a batch's lines name it: `name` and, for a text, its lines ("a.out (25,698
// lines)").
std::string WrittenText(const std::string& name, const WrittenFile& file);

// The line of a log's import into a database: "a.qx: imported into s.db (1,234 records)" or
// "a.qx: replaced its earlier import in s.db"; `subject` names the log.
std::string ImportLine(const std::string& subject, const WrittenFile& database);

// "25698" -> "25,698"
std::string WithThousands(std::int64_t n);

} // namespace veltrix
