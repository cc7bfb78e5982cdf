// Spectrum statistics on a worker thread.
#include "analysis/spectrum_worker.h"

#include <system_error>
#include <utility>

namespace veltrix {

SpectrumWorker::~SpectrumWorker() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SpectrumWorker::Add(std::span<const std::int16_t> samples, int divisor) {
  filling_.samples.insert(filling_.samples.end(), samples.begin(), samples.end());
  filling_.sweeps.push_back({static_cast<std::uint32_t>(samples.size()), divisor});
  if (filling_.sweeps.size() == kBatchSweeps) Hand();
}

void SpectrumWorker::AddAll(SpectrumStats& stats, Batch& batch) {
  const std::int16_t* at = batch.samples.data();
  for (const Batch::Sweep& sweep : batch.sweeps) {
    stats.Add({at, sweep.samples}, sweep.divisor);
    at += sweep.samples;
  }
  batch.samples.clear();
  batch.sweeps.clear();
}

// The full batch to the worker, once it has taken the one before; the worker starts with the
// first. Without a thread (the system refused one) the batch is added here.
void SpectrumWorker::Hand() {
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread(&SpectrumWorker::Run, this);
    } catch (const std::system_error&) {
      AddAll(stats_, filling_);
      return;
    }
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !waiting_; });
  std::swap(filling_, handed_);
  waiting_ = true;
  lock.unlock();
  changed_.notify_all();
}

void SpectrumWorker::Run() {
  Batch working;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return waiting_ || done_; });
      if (!waiting_) return; // done, and nothing left
      std::swap(handed_, working);
      waiting_ = false;
    }
    changed_.notify_all();
    if (failure_) {
      working.samples.clear();
      working.sweeps.clear();
      continue;
    }
    try {
      AddAll(stats_, working);
    } catch (...) {
      failure_ = std::current_exception();
    }
  }
}

void SpectrumWorker::Finish() {
  if (thread_.joinable()) {
    if (!filling_.sweeps.empty()) Hand();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  AddAll(stats_, filling_); // a log of less than a batch never starts the thread
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

} // namespace veltrix
