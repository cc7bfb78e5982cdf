#pragma once
// Spectrum statistics gathered on a thread of their own. Counting every sample of every sweep
// costs about as much as reading and decoding the log; this way the two overlap. Add copies a
// sweep into a batch and returns; full batches are added on the worker, in order, while the next
// one fills, so the statistics are the same as from adding each sweep directly.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "analysis/spectrum_stats.h"

namespace veltrix {

class SpectrumWorker {
public:
  explicit SpectrumWorker(SpectrumStats& stats) : stats_(stats) {}
  ~SpectrumWorker();
  SpectrumWorker(const SpectrumWorker&) = delete;
  SpectrumWorker& operator=(const SpectrumWorker&) = delete;

  // As SpectrumStats::Add.
  void Add(std::span<const std::int16_t> samples, int divisor);
  // Every sweep added to the statistics; what the worker threw is thrown here.
  void Finish();

  static constexpr std::size_t kBatchSweeps = 2048;

private:
  struct Batch {
    std::vector<std::int16_t> samples;
    struct Sweep {
      std::uint32_t samples;
      int divisor;
    };
    std::vector<Sweep> sweeps;
  };
  void Hand();
  void Run();
  static void AddAll(SpectrumStats& stats, Batch& batch);

  SpectrumStats& stats_;
  Batch filling_, handed_; // the one being filled; the one waiting for the worker
  std::mutex mutex_;
  std::condition_variable changed_;
  bool waiting_ = false; // handed_ holds a batch
  bool done_ = false;    // no more batches come
  std::exception_ptr failure_;
  std::thread thread_;
};

} // namespace veltrix
