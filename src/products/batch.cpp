#include "products/batch.h"

#include "convert/messages.h"

#include <algorithm>
#include <memory>
#include <thread>

#include <unistd.h>

namespace veltrix {

ProgressCounters::ProgressCounters(const std::vector<std::int64_t>& jobSizes)
    : sizes_(jobSizes), slots_(std::make_unique<Slot[]>(jobSizes.size())) {
  for (const std::int64_t size : sizes_) {
    if (size >= 0) total_ += size;
    total_known_ = total_known_ && size >= 0;
  }
}

void ProgressCounters::FinishJob(std::size_t job) {
  if (sizes_[job] >= 0) slots_[job].bytes.store(sizes_[job], std::memory_order_relaxed);
  files_done_.fetch_add(1, std::memory_order_relaxed);
}

ProgressSnapshot ProgressCounters::Sample() const {
  ProgressSnapshot s;
  s.files = sizes_.size();
  s.filesDone = files_done_.load(std::memory_order_relaxed);
  s.bytesTotal = total_;
  s.totalKnown = total_known_;
  for (std::size_t i = 0; i < sizes_.size(); ++i) {
    s.bytesDone += slots_[i].bytes.load(std::memory_order_relaxed);
  }
  return s;
}

namespace {

class JobObserver final : public ConversionObserver {
public:
  JobObserver(ProgressCounters& progress, std::size_t job) : progress_(progress), job_(job) {}
  void ShowProgress(std::int64_t bytesRead, std::int64_t /*totalBytes*/) override {
    progress_.SetBytes(job_, bytesRead);
  }
  // The size of a log read to its end, known only now.
  void ShowFinish(std::int64_t totalBytes) override { progress_.SetBytes(job_, totalBytes); }

private:
  ProgressCounters& progress_;
  const std::size_t job_;
};

} // namespace

std::vector<JobResult> RunBatch(const std::vector<Job>& jobs, const OutputsOfJob& outputsOf,
                                unsigned workers, const std::atomic<bool>& stop,
                                ProgressCounters& progress) {
  std::vector<JobResult> results(jobs.size());
  std::atomic<std::size_t> next{0};
  // Each result is written by the one worker that took its job and read after every join.
  auto work = [&] {
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= jobs.size()) return;
      const Job& job = jobs[i];
      JobObserver observer(progress, i);
      Convert::Outputs outputs = outputsOf(i);
      std::vector<const ConversionOutput*> all;
      for (const auto& output : outputs) all.push_back(output.get());
      Convert conversion(InputName(job.input), std::move(outputs), observer, &stop);
      if (IsStandardStream(job.input)) conversion.UseInputDescriptor(STDIN_FILENO);
      const ConversionResult done = conversion.Execute();
      JobResult& result = results[i];
      result.started = true;
      result.status = done.status;
      result.failureDetail = done.failureDetail;
      result.damage = done.damage;
      if (result.status == ConvertStatus::Completed) {
        for (const ConversionOutput* output : all) {
          for (WrittenFile& file : output->Written()) result.written.push_back(std::move(file));
          for (std::string& warning : output->Warnings())
            result.warnings.push_back(std::move(warning));
        }
      }
      progress.FinishJob(i);
    }
  };
  const std::size_t count = std::min<std::size_t>(std::max(workers, 1u), jobs.size());
  std::vector<std::jthread> pool;
  pool.reserve(count);
  for (std::size_t w = 0; w < count; ++w) pool.emplace_back(work);
  pool.clear(); // joins
  return results;
}

std::vector<ProductFile> ProductFiles(const std::vector<PlannedFile>& planned) {
  std::vector<ProductFile> files;
  for (const PlannedFile& file : planned) {
    const int descriptor = IsStandardStream(file.path) ? STDOUT_FILENO : -1;
    files.push_back({file.product, {OutputName(file.path), descriptor}, file.group});
  }
  return files;
}

unsigned SpareThreads(unsigned workers, std::size_t conversions) {
  const std::size_t running = std::min<std::size_t>(workers, conversions);
  return running == 0 ? 0 : static_cast<unsigned>((workers - running) / running);
}

OutputsOfJob CatalogueOutputs(const std::vector<Job>& jobs, ProductSettings settings,
                              unsigned workers) {
  const bool spare = SpareThreads(workers, jobs.size()) > 0;
  return [&jobs, settings = std::move(settings), spare](std::size_t i) {
    ProductSettings own = settings;
    if (spare) own.spare = std::make_shared<SpareThread>();
    own.logName = FileNameOf(jobs[i].input);
    own.logPath = jobs[i].input;
    return MakeOutputs(ProductFiles(jobs[i].files), own);
  };
}

namespace {

constexpr const char* kMsgInterrupted = "Interrupted; the output ends with the last whole line.";
constexpr const char* kMsgNotStarted = "Not converted (interrupted).";
constexpr const char* kMsgNotMerged = "Not merged: the merged files are left as they were.";
constexpr const char* kMsgReadInterrupted = "Interrupted before the end of the log.";

// "1 log", "3 logs"
std::string Counted(std::uint64_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

} // namespace

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

std::string WrittenText(const std::string& name, const WrittenFile& file) {
  if (!file.lines) return name;
  return name + " (" + WithThousands(*file.lines) + (*file.lines == 1 ? " line)" : " lines)");
}

std::string ImportLine(const std::string& subject, const WrittenFile& database) {
  if (database.replaced.value_or(false))
    return subject + ": replaced its earlier import in " + database.path;
  const std::int64_t records = database.lines.value_or(0);
  return subject + ": imported into " + database.path + " (" + WithThousands(records) +
         (records == 1 ? " record)" : " records)");
}

BatchOutcome DescribeBatch(const std::vector<Job>& jobs, const std::vector<JobResult>& results,
                           bool merged, bool listWritten, std::vector<std::string>& lines) {
  // The parts of a merged survey have no output of their own to end with whole lines.
  const char* interrupted = merged ? kMsgReadInterrupted : kMsgInterrupted;
  BatchOutcome outcome;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const JobResult& r = results[i];
    const std::string input = InputName(jobs[i].input);
    if (!r.started) {
      lines.push_back(input + ": " + kMsgNotStarted);
      outcome.interrupted = true;
      continue;
    }
    if (!Succeeded(r.status)) {
      std::string line = input + ": " + StatusMessage(r.status);
      if (!r.failureDetail.empty()) line += " (" + r.failureDetail + ')';
      lines.push_back(std::move(line));
      outcome.failed = true;
      continue;
    }
    if (r.status == ConvertStatus::Cancelled) {
      lines.push_back(input + ": " + interrupted);
      outcome.interrupted = true;
    } else if (listWritten) {
      std::string written;
      for (const WrittenFile& file : r.written) {
        if (file.replaced) continue; // a database: a line of its own
        written += (written.empty() ? "" : ", ") + WrittenText(file.path, file);
      }
      if (!written.empty()) lines.push_back(input + " -> " + written);
      for (const WrittenFile& file : r.written)
        if (file.replaced) lines.push_back(ImportLine(input, file));
    }
    if (r.damage.Any()) lines.push_back(input + ": warning: " + DescribeDamage(r.damage));
    for (const std::string& warning : r.warnings) lines.push_back(input + ": warning: " + warning);
  }
  return outcome;
}

BatchOutcome RunSurvey(const MergePlan& plan, ProductSettings settings, unsigned workers,
                       const std::atomic<bool>& stop, ProgressCounters& progress, bool listWritten,
                       std::vector<std::string>& lines) {
  settings.logName = plan.name.substr(plan.name.find_last_of('/') + 1);
  std::vector<SurveyLog> logs;
  for (const Job& job : plan.logs) logs.push_back({job.input, FileNameOf(job.input)});
  const std::vector<std::unique_ptr<SurveyOutput>> surveys =
      MakeSurveyOutputs(ProductFiles(plan.files), settings, logs);
  const auto abandonAll = [&] {
    for (const auto& survey : surveys) survey->Abandon();
  };
  BatchOutcome outcome;
  for (const auto& survey : surveys) {
    if (survey->Open()) continue;
    lines.push_back(plan.name + ": " + kMsgCannotCreate + " (" + survey->FailureDetail() + ")");
    abandonAll();
    outcome.failed = true;
    return outcome;
  }
  // Each log's own files as a batch makes them, and its part of every merged output.
  const OutputsOfJob ownOutputs = CatalogueOutputs(plan.logs, settings, workers);
  const std::vector<JobResult> results = RunBatch(
      plan.logs,
      [&](std::size_t i) {
        Convert::Outputs outputs = ownOutputs(i);
        for (const auto& survey : surveys) outputs.push_back(survey->Part(i));
        return outputs;
      },
      workers, stop, progress);
  outcome = DescribeBatch(plan.logs, results, true, listWritten, lines);
  if (outcome.interrupted || outcome.failed) {
    abandonAll();
    lines.push_back(plan.name + ": " + kMsgNotMerged);
    return outcome;
  }
  // The logs are read: with -j 2 or more, the finishing outputs have a second thread to put work
  // on.
  const std::unique_ptr<SpareThread> spare =
      workers >= 2 ? std::make_unique<SpareThread>() : nullptr;
  for (const auto& survey : surveys) {
    if (survey->Finish(spare.get())) continue;
    lines.push_back(plan.name + ": " + kMsgCannotWrite + " (" + survey->FailureDetail() + ")");
    abandonAll();
    outcome.failed = true;
    return outcome;
  }
  for (const auto& survey : surveys) {
    for (const std::string& warning : survey->Warnings())
      lines.push_back(plan.name + ": warning: " + warning);
  }
  if (listWritten) {
    const SurveyOutput& first = *surveys.front();
    std::string order;
    for (const std::size_t i : first.Order()) order += (order.empty() ? "" : ", ") + logs[i].name;
    lines.push_back(plan.name + ": " + Counted(logs.size(), "log") + " merged (" + order + "); " +
                    Counted(first.AccessPoints(), "access point") + ", " +
                    (first.LeftOutAtLeast() ? "more than " : "") +
                    std::to_string(first.LeftOutByFilters()) + " left out by the filters");
  }
  return outcome;
}

} // namespace veltrix
