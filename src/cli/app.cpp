#include "cli/app.h"

#include <optional>
#include <vector>

#include "cli/arguments.h"
#include "cli/batch.h"
#include "cli/exit_codes.h"
#include "cli/job_plan.h"
#include "cli/progress.h"
#include "convert/convert.h"
#include "reader/identify.h"
#include "reader/log_summary.h"

namespace veltrix::cli {

namespace {

constexpr const char* kMsgInterrupted = "Interrupted; the output ends with the last whole line.";
constexpr const char* kMsgNotStarted = "Not converted (interrupted).";

int DescribeLogs(const std::vector<std::string>& inputs, std::ostream& out, std::ostream& err,
                 const std::atomic<bool>& stop) {
  int status = kExitOk;
  for (const std::string& input : inputs) {
    if (stop.load()) return kExitInterrupted;
    LogSummary summary;
    const std::int16_t code = SummarizeLog(input, summary);
    if (code != IdentifyOk) {
      err << input << ": " << IdentifyMessage(code) << '\n';
      status = kExitFailed;
      continue;
    }
    out << input << '\n' << FormatSummary(summary);
  }
  out.flush();
  return status;
}

int ConvertAll(const CliSettings& settings, std::ostream& err, const std::atomic<bool>& stop,
               bool showProgress) {
  std::vector<Job> jobs;
  std::string problem;
  if (!PlanJobs(settings.inputs, settings.output, jobs, problem)) {
    PrintUsageError(err, problem);
    return kExitUsage;
  }

  std::vector<std::int64_t> sizes;
  sizes.reserve(jobs.size());
  for (const Job& job : jobs) sizes.push_back(job.sizeBytes);
  ProgressCounters progress(sizes);
  std::optional<ProgressDisplay> display;
  if (showProgress && !settings.quiet) display.emplace(progress, err);

  const std::vector<JobResult> results =
      RunBatch(jobs, settings.options, settings.jobs, stop, progress);
  display.reset(); // clears the line before any message

  // Messages come after the batch, in input order, whatever order the workers finished in.
  bool failed = false;
  bool interrupted = false;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const JobResult& r = results[i];
    const char* message = nullptr;
    if (!r.started) {
      message = kMsgNotStarted;
      interrupted = true;
    } else if (r.status == ConvertStatus::Cancelled) {
      message = kMsgInterrupted;
      interrupted = true;
    } else if (!Succeeded(r.status)) {
      message = StatusMessage(r.status);
      failed = true;
    }
    if (message != nullptr) err << jobs[i].input << ": " << message << '\n';
  }
  err.flush();
  if (interrupted) return kExitInterrupted;
  return failed ? kExitFailed : kExitOk;
}

} // namespace

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& stop, bool showProgress) {
  CliSettings settings;
  if (const std::optional<int> exit = ParseArguments(argc, argv, settings, out, err)) return *exit;
  if (settings.info) return DescribeLogs(settings.inputs, out, err, stop);
  return ConvertAll(settings, err, stop, showProgress);
}

} // namespace veltrix::cli
