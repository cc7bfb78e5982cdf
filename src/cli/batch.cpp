#include "cli/batch.h"

#include "convert/map_output.h"
#include "plot/waterfall_output.h"

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

std::vector<JobResult> RunBatch(const std::vector<Job>& jobs, const ConversionOptions& options,
                                const WaterfallSettings& picture, unsigned workers,
                                const std::atomic<bool>& stop, ProgressCounters& progress) {
  std::vector<JobResult> results(jobs.size());
  std::atomic<std::size_t> next{0};
  // Each result is written by the one worker that took its job and read after every join.
  auto work = [&] {
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= jobs.size()) return;
      const Job& job = jobs[i];
      JobObserver observer(progress, i);
      Convert::Outputs outputs;
      const DelimitedTextOutput* text = nullptr;
      std::vector<const DelimitedTextOutput*> split;
      const WaterfallOutput* waterfall = nullptr;
      const std::string inputName = InputName(job.input);
      const std::string fileName = inputName.substr(inputName.find_last_of('/') + 1);
      if (!job.output.empty()) {
        const int descriptor = IsStandardStream(job.output) ? STDOUT_FILENO : -1;
        auto output = std::make_unique<DelimitedTextOutput>(
            OutputDestination{OutputName(job.output), descriptor}, options);
        text = output.get();
        outputs.push_back(std::move(output));
      }
      for (const GroupFile& file : job.split) {
        auto output = std::make_unique<DelimitedTextOutput>(OutputDestination{file.path},
                                                            options.WithGroupAlone(file.group));
        split.push_back(output.get());
        outputs.push_back(std::move(output));
      }
      if (!job.picture.empty()) {
        WaterfallSettings settings = picture;
        settings.name = fileName;
        auto output = std::make_unique<WaterfallOutput>(OutputDestination{job.picture}, settings);
        waterfall = output.get();
        outputs.push_back(std::move(output));
      }
      const auto mapFile = [](const std::string& path) {
        return path.empty() ? std::nullopt : std::optional(OutputDestination{path});
      };
      const MapFiles maps{mapFile(job.kml), mapFile(job.gpx), mapFile(job.wigle),
                          mapFile(job.accessPoints)};
      if (maps.kml || maps.gpx || maps.wigle || maps.accessPoints) {
        MapSettings settings;
        settings.name = fileName;
        settings.delimiter = options.DelimiterChar();
        outputs.push_back(std::make_unique<MapOutput>(maps, settings));
      }
      std::vector<const ConversionOutput*> all;
      for (const auto& output : outputs) all.push_back(output.get());
      Convert conversion(inputName, std::move(outputs), observer, &stop);
      if (IsStandardStream(job.input)) conversion.UseInputDescriptor(STDIN_FILENO);
      JobResult& result = results[i];
      result.status = conversion.Execute();
      result.started = true;
      result.failureDetail = conversion.FailureDetail();
      result.damage = conversion.Damage();
      if (text != nullptr) result.outputLines = text->OutputLines();
      for (const DelimitedTextOutput* output : split)
        result.splitLines.push_back(output->OutputLines());
      if (result.status == ConvertStatus::Completed) {
        for (const ConversionOutput* output : all) {
          for (std::string& warning : output->Warnings())
            result.warnings.push_back(std::move(warning));
        }
      }
      if (waterfall != nullptr) result.pictureDrawn = waterfall->Picture().has_value();
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

} // namespace veltrix::cli
