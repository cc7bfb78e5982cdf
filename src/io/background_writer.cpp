#include "io/background_writer.h"

namespace veltrix {

BackgroundWriter::BackgroundWriter(OutputTarget& target)
    : target_(target), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return data_ == nullptr; });
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::Submit(const char* data, std::size_t size) {
  {
    std::lock_guard lock(mutex_);
    data_ = data;
    size_ = size;
  }
  changed_.notify_all();
}

bool BackgroundWriter::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return data_ == nullptr; });
  return !failed_;
}

void BackgroundWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return data_ != nullptr || stop_; });
    if (data_ == nullptr) return; // stopped with nothing to write
    const char* data = data_;
    const std::size_t size = size_;
    const bool skip = failed_; // after a failure nothing more reaches the file
    lock.unlock();
    const bool written = skip || target_.Write(data, size);
    lock.lock();
    if (!written) failed_ = true;
    data_ = nullptr;
    changed_.notify_all();
  }
}

} // namespace veltrix
