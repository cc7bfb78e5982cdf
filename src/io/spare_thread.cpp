#include "io/spare_thread.h"

namespace veltrix {

SpareThread::SpareThread() : thread_([this] { Run(); }) {}

SpareThread::~SpareThread() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SpareThread::Post(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
  }
  changed_.notify_all();
}

void SpareThread::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !work_.empty(); });
    if (work_.empty()) return; // stopping, with nothing left to do
    const std::function<void()> work = std::move(work_.front());
    work_.pop_front();
    lock.unlock();
    work();
    lock.lock();
  }
}

} // namespace veltrix
