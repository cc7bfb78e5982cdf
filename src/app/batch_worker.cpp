#include "app/batch_worker.h"

namespace veltrix {

BatchWorker::BatchWorker(const std::vector<std::int64_t>& sizes, Run run)
    : progress_(sizes), thread_([this, run = std::move(run)] {
        outcome_ = run(stop_, progress_, lines_);
        ended_.store(true);
      }) {}

BatchWorker::~BatchWorker() {
  Stop();
  thread_.join();
}

} // namespace veltrix
