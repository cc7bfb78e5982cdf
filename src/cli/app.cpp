#include "cli/app.h"

#include <optional>
#include <vector>

#include <unistd.h>

#include "cli/arguments.h"
#include "cli/batch.h"
#include "cli/exit_codes.h"
#include "cli/job_plan.h"
#include "cli/progress.h"
#include "convert/convert.h"
#include "decode/log_summary.h"
#include "reader/identify.h"

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
    const IdentifyResult code =
        SummarizeLog(input, summary, IsStandardStream(input) ? STDIN_FILENO : -1);
    if (code != IdentifyResult::Ok) {
      err << InputName(input) << ": " << IdentifyMessage(code) << '\n';
      status = kExitFailed;
      continue;
    }
    out << InputName(input) << '\n' << FormatSummary(summary);
  }
  out.flush();
  return status;
}

// "25698" -> "25,698"
std::string WithThousands(std::int64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const std::size_t left = digits.size() - i;
    if (i > 0 && digits[i - 1] != '-' && left % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

int ConvertAll(const CliSettings& settings, std::ostream& err, const std::atomic<bool>& stop,
               bool showProgress) {
  std::vector<Job> jobs;
  std::string problem;
  if (!PlanJobs(settings.inputs, settings.output, jobs, problem, settings.products,
                settings.options.Groups())) {
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
      RunBatch(jobs, settings.options, settings.picture, settings.jobs, stop, progress);
  display.reset(); // clears the line before any message

  // Messages come after the batch, in input order, whatever order the workers finished in: on a
  // terminal a line for each input converted, and for every input its failure, or the damage
  // its log showed (a warning, also with -q: the output is complete but the log was not).
  const bool terminal = showProgress && !settings.quiet;
  bool failed = false;
  bool interrupted = false;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const JobResult& r = results[i];
    const std::string input = InputName(jobs[i].input);
    if (!r.started) {
      err << input << ": " << kMsgNotStarted << '\n';
      interrupted = true;
      continue;
    }
    if (!Succeeded(r.status)) {
      err << input << ": " << StatusMessage(r.status);
      if (!r.failureDetail.empty()) err << " (" << r.failureDetail << ')';
      err << '\n';
      failed = true;
      continue;
    }
    if (r.status == ConvertStatus::Cancelled) {
      err << input << ": " << kMsgInterrupted << '\n';
      interrupted = true;
    } else if (terminal) {
      std::string written;
      for (const WrittenFile& file : r.written) {
        written += (written.empty() ? "" : ", ") + file.path;
        if (file.lines)
          written += " (" + WithThousands(*file.lines) + (*file.lines == 1 ? " line)" : " lines)");
      }
      if (!written.empty()) err << input << " -> " << written << '\n';
    }
    if (r.damage.Any()) err << input << ": warning: " << DescribeDamage(r.damage) << '\n';
    for (const std::string& warning : r.warnings) err << input << ": warning: " << warning << '\n';
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
