#include "io/background_writer.h"

namespace veltrix {

BackgroundWriter::BackgroundWriter(OutputTarget& target, SpareThread& thread)
    : target_(target), thread_(thread) {}

BackgroundWriter::~BackgroundWriter() {
  Wait();
}

void BackgroundWriter::Submit(const char* data, std::size_t size) {
  {
    const std::lock_guard lock(mutex_);
    busy_ = true;
  }
  thread_.Post([this, data, size] {
    bool skip = false; // after a failure nothing more reaches the file
    {
      const std::lock_guard lock(mutex_);
      skip = failed_;
    }
    const bool written = skip || target_.Write(data, size);
    // Told under the lock: once it is released, Wait may return and this writer go.
    const std::lock_guard lock(mutex_);
    if (!written) failed_ = true;
    busy_ = false;
    changed_.notify_all();
  });
}

bool BackgroundWriter::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  return !failed_;
}

} // namespace veltrix
