#include "cli/app.h"

#include <optional>
#include <vector>

#include <unistd.h>

#include "cli/arguments.h"
#include "cli/exit_codes.h"
#include "cli/info_json.h"
#include "cli/progress.h"
#include "convert/convert.h"
#include "decode/log_summary.h"
#include "products/batch.h"
#include "products/catalogue.h"
#include "products/jobs.h"
#include "reader/identify.h"

namespace veltrix::cli {

namespace {

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

// Runs `run` (a batch or a survey) with a progress display on a terminal, then prints the lines
// that tell how it went: on a terminal what each input wrote; always every failure, and the
// warnings (also with -q: the output is complete but the log was not).
template <class Run>
int RunAndReport(const std::vector<Job>& jobs, std::ostream& err, bool terminal, const Run& run) {
  std::vector<std::int64_t> sizes;
  sizes.reserve(jobs.size());
  for (const Job& job : jobs) sizes.push_back(job.sizeBytes);
  ProgressCounters progress(sizes);
  std::optional<ProgressDisplay> display;
  if (terminal) display.emplace(progress, err);
  std::vector<std::string> lines;
  const BatchOutcome outcome = run(progress, lines);
  display.reset(); // clears the line before any message
  for (const std::string& line : lines) err << line << '\n';
  err.flush();
  return outcome.interrupted ? kExitInterrupted : outcome.failed ? kExitFailed : kExitOk;
}

// The settings of the products; false, with the reason on `err`, when the database asked for
// cannot be opened (it is then left as it was).
bool SettingsOf(const CliSettings& settings, ProductSettings& products, std::ostream& err) {
  products.options = settings.options;
  products.picture = settings.picture;
  products.filters = settings.filters;
  products.busyDb = settings.busyDb;
  if (settings.products.Has(ProductId::Database)) {
    products.database = std::make_shared<SurveyDatabase>(settings.database);
    if (!products.database->Open()) {
      err << products.database->FailureDetail() << '\n';
      return false;
    }
  }
  return true;
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
  ProductSettings products;
  if (!SettingsOf(settings, products, err)) return kExitFailed;
  const bool terminal = showProgress && !settings.quiet;
  const OutputsOfJob outputsOf = CatalogueOutputs(jobs, products, settings.jobs);
  return RunAndReport(jobs, err, terminal, [&](ProgressCounters& progress, auto& lines) {
    const std::vector<JobResult> results = RunBatch(jobs, outputsOf, settings.jobs, stop, progress);
    return DescribeBatch(jobs, results, false, terminal, lines);
  });
}

// --merge: one set of the maps and tables and one report for all inputs (see RunSurvey).
int MergeAll(const CliSettings& settings, std::ostream& err, const std::atomic<bool>& stop,
             bool showProgress) {
  MergePlan plan;
  std::string problem;
  if (!PlanMerge(settings.inputs, settings.output, settings.products, plan, problem)) {
    PrintUsageError(err, problem);
    return kExitUsage;
  }
  ProductSettings products;
  if (!SettingsOf(settings, products, err)) return kExitFailed;
  const bool terminal = showProgress && !settings.quiet;
  return RunAndReport(plan.logs, err, terminal, [&](ProgressCounters& progress, auto& lines) {
    return RunSurvey(plan, products, settings.jobs, stop, progress, terminal, lines);
  });
}

} // namespace

int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
        const std::atomic<bool>& stop, bool showProgress) {
  CliSettings settings;
  if (const std::optional<int> exit = ParseArguments(argc, argv, settings, out, err)) return *exit;
  if (settings.info && settings.json) return DescribeLogsAsJson(settings.inputs, out, err, stop);
  if (settings.info) return DescribeLogs(settings.inputs, out, err, stop);
  if (settings.merge) return MergeAll(settings, err, stop, showProgress);
  return ConvertAll(settings, err, stop, showProgress);
}

} // namespace veltrix::cli
