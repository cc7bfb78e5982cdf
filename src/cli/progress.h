#pragma once
// The batch's progress: counters that the conversions update on their own threads, and a line on
// the terminal that a separate thread redraws from them a few times a second.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace veltrix::cli {

struct ProgressSnapshot {
  std::size_t filesDone = 0;
  std::size_t files = 0;
  std::int64_t bytesDone = 0;
  std::int64_t bytesTotal = 0; // of the inputs whose size is known beforehand
  bool totalKnown = true;      // false when an input is a pipe: no percentage then
};

// One slot per job, each on its own cache line: a conversion updates its slot once per record
// without locks and without disturbing the conversions beside it.
class ProgressCounters {
public:
  // A size of -1: not known beforehand (a pipe).
  explicit ProgressCounters(const std::vector<std::int64_t>& jobSizes);

  // Called once per record by the job's conversion: a relaxed store, nothing more.
  void SetBytes(std::size_t job, std::int64_t bytesRead) {
    slots_[job].bytes.store(bytesRead, std::memory_order_relaxed);
  }
  // The job has ended, however: it now counts as its whole size (a pipe as what it read).
  void FinishJob(std::size_t job);

  ProgressSnapshot Sample() const;

private:
  struct alignas(64) Slot {
    std::atomic<std::int64_t> bytes{0};
  };
  std::vector<std::int64_t> sizes_;
  std::unique_ptr<Slot[]> slots_;
  std::atomic<std::size_t> files_done_{0};
  std::int64_t total_ = 0;
  bool total_known_ = true;
};

// "[#####.....]  2/5 files  1.5/4.0 MiB  37%  12.0 MiB/s", or without a size known beforehand
// "2/5 files  1.5 MiB  12.0 MiB/s"; the rate is left out while no time has passed.
std::string FormatProgressLine(const ProgressSnapshot& snapshot, double elapsedSeconds);
// "512 B", "1.5 KiB", "3.0 MiB", "2.1 GiB"
std::string FormatBytes(std::int64_t bytes);

// Redraws the progress line on `out` every `interval` until Stop, which clears the line.
class ProgressDisplay {
public:
  ProgressDisplay(const ProgressCounters& counters, std::ostream& out,
                  std::chrono::milliseconds interval = std::chrono::milliseconds(100));
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  void Stop();

private:
  void Loop();
  void Draw(const std::string& line);

  const ProgressCounters& counters_;
  std::ostream& out_;
  const std::chrono::milliseconds interval_;
  const std::chrono::steady_clock::time_point start_;
  std::size_t drawn_width_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

} // namespace veltrix::cli
