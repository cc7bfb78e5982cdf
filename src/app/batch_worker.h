#pragma once
// A batch of conversions or a merged survey on a thread of its own (which runs the conversions
// on a pool, see RunBatch), for a window: it counts the progress, takes a stop request, and
// keeps the lines that tell how it went.

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "products/batch.h"

namespace veltrix {

class BatchWorker {
public:
  // What the worker runs: RunBatch and DescribeBatch, or RunSurvey.
  using Run = std::function<BatchOutcome(const std::atomic<bool>& stop, ProgressCounters& progress,
                                         std::vector<std::string>& lines)>;

  // Starts `run` at once on inputs of `sizes` (as ProgressCounters takes them).
  BatchWorker(const std::vector<std::int64_t>& sizes, Run run);
  // Stops the run and waits for it.
  ~BatchWorker();
  BatchWorker(const BatchWorker&) = delete;
  BatchWorker& operator=(const BatchWorker&) = delete;

  void Stop() { stop_.store(true); }
  bool Ended() const { return ended_.load(); }
  ProgressSnapshot Sample() const { return progress_.Sample(); }
  // Once Ended: how it went.
  const BatchOutcome& Outcome() const { return outcome_; }
  const std::vector<std::string>& Lines() const { return lines_; }

private:
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{false};
  ProgressCounters progress_;
  BatchOutcome outcome_;
  std::vector<std::string> lines_;
  std::thread thread_; // last: starts once everything above exists
};

} // namespace veltrix
