#include "cli/batch.h"

#include "outputs/maps/map_output.h"
#include "outputs/picture/waterfall_output.h"

#include <algorithm>
#include <memory>
#include <thread>

#include <unistd.h>

namespace veltrix::cli {

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

OutputsOfJob CatalogueOutputs(const std::vector<Job>& jobs, ProductSettings settings) {
  return [&jobs, settings = std::move(settings)](std::size_t i) {
    ProductSettings own = settings;
    own.logName = FileNameOf(jobs[i].input);
    return MakeOutputs(ProductFiles(jobs[i].files), own);
  };
}

} // namespace veltrix::cli
