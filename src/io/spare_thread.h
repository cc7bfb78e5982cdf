#pragma once
// A thread a conversion has to spare (-j leaves more threads than there are inputs), shared by the
// conversion's outputs: each hands it work (a full buffer to write, a batch of sightings to handle)
// and waits for its own work where it must; the thread does the work in the order handed over.
// So a conversion never runs more threads than -j allows. A merge's outputs have one at their end,
// once every log is read, when -j allows two threads.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace veltrix {

class SpareThread {
public:
  SpareThread();
  // Does the work handed over, then ends.
  ~SpareThread();
  SpareThread(const SpareThread&) = delete;
  SpareThread& operator=(const SpareThread&) = delete;

  void Post(std::function<void()> work);

private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> work_;
  bool stopping_ = false;
  std::thread thread_; // last: starts once everything above exists
};

} // namespace veltrix
