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
#include "products/catalogue.h"
#include "reader/identify.h"

namespace veltrix::cli {

namespace {

constexpr const char* kMsgInterrupted = "Interrupted; the output ends with the last whole line.";
constexpr const char* kMsgNotStarted = "Not converted (interrupted).";
constexpr const char* kMsgNotMerged = "Not merged: the merged files are left as they were.";
constexpr const char* kMsgReadInterrupted = "Interrupted before the end of the log.";

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

// How a batch went, over all its inputs.
struct BatchOutcome {
  bool failed = false;
  bool interrupted = false;
  int Status() const { return interrupted ? kExitInterrupted : failed ? kExitFailed : kExitOk; }
};

// Runs the jobs with a progress display on a terminal, then tells, in input order whatever order
// the workers finished in: on a terminal a line for each input converted with what it wrote, and
// for every input its failure, or the damage its log showed and what its outputs left out
// (warnings, also with -q: the output is complete but the log was not).
BatchOutcome RunAndReport(const std::vector<Job>& jobs, const OutputsOfJob& outputsOf,
                          const CliSettings& settings, std::ostream& err,
                          const std::atomic<bool>& stop, bool terminal) {
  // The parts of a merged survey have no output of their own to end with whole lines.
  const char* interrupted = settings.merge ? kMsgReadInterrupted : kMsgInterrupted;
  std::vector<std::int64_t> sizes;
  sizes.reserve(jobs.size());
  for (const Job& job : jobs) sizes.push_back(job.sizeBytes);
  ProgressCounters progress(sizes);
  std::optional<ProgressDisplay> display;
  if (terminal) display.emplace(progress, err);
  const std::vector<JobResult> results = RunBatch(jobs, outputsOf, settings.jobs, stop, progress);
  display.reset(); // clears the line before any message

  BatchOutcome outcome;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const JobResult& r = results[i];
    const std::string input = InputName(jobs[i].input);
    if (!r.started) {
      err << input << ": " << kMsgNotStarted << '\n';
      outcome.interrupted = true;
      continue;
    }
    if (!Succeeded(r.status)) {
      err << input << ": " << StatusMessage(r.status);
      if (!r.failureDetail.empty()) err << " (" << r.failureDetail << ')';
      err << '\n';
      outcome.failed = true;
      continue;
    }
    if (r.status == ConvertStatus::Cancelled) {
      err << input << ": " << interrupted << '\n';
      outcome.interrupted = true;
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
  return outcome;
}

ProductSettings SettingsOf(const CliSettings& settings) {
  ProductSettings products;
  products.options = settings.options;
  products.picture = settings.picture;
  products.filters = settings.filters;
  products.busyDb = settings.busyDb;
  return products;
}

// "1 log", "3 logs"
std::string Counted(std::uint64_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
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
  const ProductSettings products = SettingsOf(settings);
  const auto outputsOf = [&](std::size_t i) {
    ProductSettings own = products;
    own.logName = FileNameOf(jobs[i].input);
    return MakeOutputs(ProductFiles(jobs[i].files), own);
  };
  const BatchOutcome outcome =
      RunAndReport(jobs, outputsOf, settings, err, stop, showProgress && !settings.quiet);
  err.flush();
  return outcome.Status();
}

// --merge: every input read into a part of each survey output (the maps and tables, the report),
// which are written once all are read, and only then: an input that fails leaves the merged files
// as they were.
int MergeAll(const CliSettings& settings, std::ostream& err, const std::atomic<bool>& stop,
             bool showProgress) {
  MergePlan plan;
  std::string problem;
  if (!PlanMerge(settings.inputs, settings.output, settings.products, plan, problem)) {
    PrintUsageError(err, problem);
    return kExitUsage;
  }
  ProductSettings products = SettingsOf(settings);
  products.logName = plan.name.substr(plan.name.find_last_of('/') + 1);
  std::vector<SurveyLog> logs;
  for (const Job& job : plan.logs) logs.push_back({job.input, FileNameOf(job.input)});
  const std::vector<std::unique_ptr<SurveyOutput>> surveys =
      MakeSurveyOutputs(ProductFiles(plan.files), products, logs);
  const auto abandonAll = [&] {
    for (const auto& survey : surveys) survey->Abandon();
  };
  for (const auto& survey : surveys) {
    if (survey->Open()) continue;
    err << plan.name << ": " << kMsgCannotCreate << " (" << survey->FailureDetail() << ")\n";
    abandonAll();
    return kExitFailed;
  }
  const bool terminal = showProgress && !settings.quiet;
  const BatchOutcome outcome = RunAndReport(
      plan.logs,
      [&](std::size_t i) {
        Convert::Outputs outputs;
        for (const auto& survey : surveys) outputs.push_back(survey->Part(i));
        return outputs;
      },
      settings, err, stop, terminal);
  if (outcome.interrupted || outcome.failed) {
    abandonAll();
    err << plan.name << ": " << kMsgNotMerged << '\n';
    err.flush();
    return outcome.Status();
  }
  for (const auto& survey : surveys) {
    if (survey->Finish()) continue;
    err << plan.name << ": " << kMsgCannotWrite << " (" << survey->FailureDetail() << ")\n";
    abandonAll();
    return kExitFailed;
  }
  for (const auto& survey : surveys) {
    for (const std::string& warning : survey->Warnings())
      err << plan.name << ": warning: " << warning << '\n';
  }
  if (terminal) {
    const SurveyOutput& first = *surveys.front();
    std::string order;
    for (const std::size_t i : first.Order()) order += (order.empty() ? "" : ", ") + logs[i].name;
    err << plan.name << ": " << Counted(logs.size(), "log") << " merged (" << order << "); "
        << Counted(first.AccessPoints(), "access point") << ", "
        << (first.LeftOutAtLeast() ? "more than " : "") << first.LeftOutByFilters()
        << " left out by the filters\n";
  }
  err.flush();
  return kExitOk;
}

} // namespace

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& stop, bool showProgress) {
  CliSettings settings;
  if (const std::optional<int> exit = ParseArguments(argc, argv, settings, out, err)) return *exit;
  if (settings.info) return DescribeLogs(settings.inputs, out, err, stop);
  if (settings.merge) return MergeAll(settings, err, stop, showProgress);
  return ConvertAll(settings, err, stop, showProgress);
}

} // namespace veltrix::cli
