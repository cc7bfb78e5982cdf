#pragma once
// Writes a buffer to an OutputTarget on a thread of its own, so that the kernel's copy of one
// buffer overlaps the filling of the next: an OutputFile of more than one buffer keeps two and
// hands each full one here.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "io/output_target.h"

namespace veltrix {

class BackgroundWriter {
public:
  explicit BackgroundWriter(OutputTarget& target);
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
  void Run();

  OutputTarget& target_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* data_ = nullptr; // the write handed over, until it is done
  std::size_t size_ = 0;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_; // last: starts once everything above exists
};

} // namespace veltrix
