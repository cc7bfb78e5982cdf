#pragma once
// One conversion (or the drawing of a picture, which is a conversion into a picture) on a worker
// thread. The worker publishes its progress after every record without
// waiting; the window shows the latest counts at display rate. Its start, its finish (after the
// final counts) and its result run on the window thread as calls the worker waits for. While
// the window thread waits for the worker to end, it still runs those calls (and nothing else), so
// neither side can wait for the other forever.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <QObject>
#include <QString>
#include <QTimer>

#include "convert/convert.h"

class QAbstractButton;
class QProgressBar;

namespace veltrix {

// The window's side of a conversion; every call arrives on the window thread.
class ConversionDisplay {
public:
  virtual ~ConversionDisplay() = default;
  virtual void ShowStart(std::int64_t totalBytes) = 0;
  virtual void ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) = 0;
  virtual void ShowFinish(std::int64_t totalBytes) = 0;
  // The last call: the engine has returned with `result`.
  virtual void ConversionEnded(const ConversionResult& result) = 0;
};

class ConvertWorker : private ConversionObserver {
public:
  // Runs on the worker after each record, with the termination flag; for tests that need a
  // conversion to stay in the middle of its log for a while.
  using RecordHook = std::function<void(const std::atomic<bool>& terminate)>;

  // How often at most the window shows new counts.
  static constexpr int kDisplayIntervalMs = 16;

  // Starts the conversion of the log at `inputPath` into `outputs` at once. Create and destroy on
  // the window thread.
  ConvertWorker(std::string inputPath, Convert::Outputs outputs, ConversionDisplay& display,
                RecordHook afterRecord = nullptr);
  // Requests termination and waits for the worker (see WaitFor).
  ~ConvertWorker() override;
  ConvertWorker(const ConvertWorker&) = delete;
  ConvertWorker& operator=(const ConvertWorker&) = delete;

  // Sets the flag the engine reads before each record.
  void Terminate() { terminate_.store(true, std::memory_order_relaxed); }
  // True once the worker has made its last call.
  bool Ended() const;
  // Window thread: waits until the worker has ended, running the calls it makes meanwhile.
  void WaitFor();

private:
  void ShowStart(std::int64_t totalBytes) override;
  void ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) override;
  void ShowFinish(std::int64_t totalBytes) override;

  void Run();
  // Worker side: runs `call` on the window thread and returns when it has run.
  void RunOnWindowThread(const std::function<void()>& call);
  // Window side: runs the waiting call, if any.
  void ServePending();
  // Window side: shows the counts last published, when they are new.
  void ShowLatestProgress();

  ConversionDisplay& display_;
  const RecordHook afterRecord_;
  QObject receiver_;    // lives on the window thread; posted calls die with it
  QTimer displayTimer_; // window thread: shows the published counts at display rate
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  const std::function<void()>* pending_ = nullptr;
  bool pendingDone_ = false;
  bool ended_ = false;
  std::atomic<bool> terminate_{false};
  // Published by the worker after every record; read by the window thread.
  std::atomic<std::int64_t> publishedBytes_{0};
  std::int64_t totalBytes_ = 0;  // window thread: the total of the last ShowStart
  std::int64_t shownBytes_ = -1; // window thread: what the display shows
  Convert convert_;
  std::thread thread_; // last: starts once everything above exists
};

// A second window's drawing from a log (a picture, a table) on a ConvertWorker: a progress bar
// shown while the log is read (busy when its size is not known beforehand), Cancel, the message
// of a failure, and the main window told meanwhile (onDrawing). The window gives the outputs and
// takes the result (Drawn).
class LogDrawing : public ConversionDisplay {
public:
  // Draws the log at `inputPath`, named `name` in the title; nothing while a drawing runs.
  virtual void Draw(const std::string& inputPath, const QString& name) = 0;
  bool Drawing() const { return worker_ && !worker_->Ended(); }
  // Told when drawing starts (true) and ends (false): the main window locks its inputs meanwhile.
  std::function<void(bool drawing)> onDrawing;
  // For tests: set by TMainForm::SetRecordHook.
  ConvertWorker::RecordHook recordHook;

protected:
  // Draws the log at `inputPath` into `outputs`; the worker of an earlier drawing goes.
  void StartDrawing(const std::string& inputPath, Convert::Outputs outputs);
  void CancelDrawing();
  // Stops a drawing at once, without messages: the window closes. Its controls must still be
  // there, so a window calls it in its destructor too.
  void EndDrawing();
  // The drawing has ended with `result`; `closing` while the window goes away.
  virtual void Drawn(const ConversionResult& result, bool closing) = 0;

  QProgressBar* progressBar_ = nullptr; // set by the window once it has made them
  QAbstractButton* cancelButton_ = nullptr;
  std::string input_path_; // of the drawing running or shown

private:
  void ShowStart(std::int64_t totalBytes) override;
  void ShowProgress(std::int64_t bytesRead, std::int64_t totalBytes) override;
  void ShowFinish(std::int64_t totalBytes) override;
  void ConversionEnded(const ConversionResult& result) override;

  std::unique_ptr<ConvertWorker> worker_;
  bool closing_ = false;
};

} // namespace veltrix
