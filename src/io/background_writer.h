#pragma once
// Writes a buffer to an OutputTarget on the conversion's spare thread, so that the kernel's copy of
// one buffer overlaps the filling of the next: an OutputFile of more than one buffer keeps two and
// hands each full one here.

#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "io/output_target.h"
#include "io/spare_thread.h"

namespace veltrix {

class BackgroundWriter {
public:
  BackgroundWriter(OutputTarget& target, SpareThread& thread);
  // Waits for the write handed over, if any.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Starts writing `size` bytes at `data`, which stay untouched until Wait returns. Only after
  // Wait.
  void Submit(const char* data, std::size_t size);
  // Waits until the write handed over is done; false once any write has failed.
  bool Wait();

private:
  OutputTarget& target_;
  SpareThread& thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool busy_ = false; // a write handed over is not done yet
  bool failed_ = false;
};

} // namespace veltrix
