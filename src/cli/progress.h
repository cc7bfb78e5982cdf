#pragma once
// The batch's progress on a terminal: a line that a separate thread redraws a few times a second
// from the counters the conversions update (products/batch.h).

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

#include "products/batch.h"

namespace veltrix::cli {

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
