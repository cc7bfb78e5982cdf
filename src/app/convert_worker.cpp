#include "app/convert_worker.h"

#include "app/notify_user.h"

#include <QAbstractButton>
#include <QProgressBar>

#include <utility>

namespace veltrix {

ConvertWorker::ConvertWorker(std::string inputPath, Convert::Outputs outputs,
                             ConversionDisplay& display, RecordHook afterRecord)
    : display_(display), afterRecord_(std::move(afterRecord)),
      convert_(std::move(inputPath), std::move(outputs), *this, &terminate_),
      thread_([this] { Run(); }) {
  displayTimer_.setInterval(kDisplayIntervalMs);
  QObject::connect(&displayTimer_, &QTimer::timeout, &receiver_, [this] { ShowLatestProgress(); });
}

ConvertWorker::~ConvertWorker() {
  Terminate();
  WaitFor();
}

void ConvertWorker::Run() {
  const ConversionResult result = convert_.Execute();
  RunOnWindowThread([&] { display_.ConversionEnded(result); });
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

bool ConvertWorker::Ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

void ConvertWorker::WaitFor() {
  for (;;) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return pending_ != nullptr || ended_; });
    if (pending_ == nullptr) break;
    lock.unlock();
    ServePending();
  }
  if (thread_.joinable()) thread_.join();
  displayTimer_.stop();
}

void ConvertWorker::RunOnWindowThread(const std::function<void()>& call) {
  std::unique_lock lock(mutex_);
  pending_ = &call;
  pendingDone_ = false;
  // Served by the window's event loop, or by WaitFor when the window thread waits for us.
  QMetaObject::invokeMethod(
      &receiver_, [this] { ServePending(); }, Qt::QueuedConnection);
  changed_.notify_all();
  changed_.wait(lock, [this] { return pendingDone_; });
}

void ConvertWorker::ServePending() {
  std::unique_lock lock(mutex_);
  // Taken before it runs: a message box's own event loop may serve again meanwhile.
  const std::function<void()>* call = std::exchange(pending_, nullptr);
  if (call == nullptr) return;
  lock.unlock();
  // The worker waits for this call whatever happens in it.
  struct Done {
    ConvertWorker& w;
    ~Done() {
      std::lock_guard guard(w.mutex_);
      w.pendingDone_ = true;
      w.changed_.notify_all();
    }
  } done{*this};
  (*call)();
}

void ConvertWorker::ShowLatestProgress() {
  std::int64_t bytes = publishedBytes_.load(std::memory_order_relaxed);
  // A log that grows while it is read is shown at its size, as its finish will show it.
  if (totalBytes_ >= 0 && bytes > totalBytes_) bytes = totalBytes_;
  if (bytes == shownBytes_) return;
  shownBytes_ = bytes;
  display_.ShowProgress(bytes, totalBytes_);
}

void ConvertWorker::ShowStart(std::int64_t totalBytes) {
  publishedBytes_.store(0, std::memory_order_relaxed);
  RunOnWindowThread([&] {
    totalBytes_ = totalBytes;
    shownBytes_ = -1;
    display_.ShowStart(totalBytes);
    ShowLatestProgress();
    displayTimer_.start();
  });
}

void ConvertWorker::ShowProgress(std::int64_t bytesRead, std::int64_t /*totalBytes*/) {
  publishedBytes_.store(bytesRead, std::memory_order_relaxed);
  if (afterRecord_ && bytesRead > 0) afterRecord_(terminate_); // not for the count of 0 at start
}

void ConvertWorker::ShowFinish(std::int64_t totalBytes) {
  RunOnWindowThread([&] {
    // The final counts first, then the finished display.
    displayTimer_.stop();
    ShowLatestProgress();
    display_.ShowFinish(totalBytes);
  });
}

void LogDrawing::StartDrawing(const std::string& inputPath, Convert::Outputs outputs) {
  worker_.reset(); // the one whose result is shown
  input_path_ = inputPath;
  cancelButton_->setEnabled(true);
  if (onDrawing) onDrawing(true);
  ConversionDisplay& display = *this;
  worker_ = std::make_unique<ConvertWorker>(inputPath, std::move(outputs), display, recordHook);
}

void LogDrawing::CancelDrawing() {
  if (worker_) worker_->Terminate();
}

void LogDrawing::EndDrawing() {
  if (!Drawing()) return; // a result shown stays
  closing_ = true;
  worker_.reset();
  closing_ = false;
}

void LogDrawing::ShowStart(std::int64_t totalBytes) {
  progressBar_->setRange(0, totalBytes >= 0 ? 100 : 0);
  progressBar_->setValue(0);
  progressBar_->setVisible(true);
}

void LogDrawing::ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) {
  progressBar_->setValue(ProgressPercent(bytesRead, totalBytes));
}

void LogDrawing::ShowFinish(std::int64_t) {
  progressBar_->setVisible(false);
}

void LogDrawing::ConversionEnded(const ConversionResult& result) {
  // What is drawn says that the log has been read; only what went wrong is told.
  if (!Succeeded(result.status) && !closing_)
    ShowMessage(StatusKind(result.status), ResultText(result, input_path_));
  cancelButton_->setEnabled(false);
  Drawn(result, closing_);
  if (onDrawing) onDrawing(false);
}

} // namespace veltrix
