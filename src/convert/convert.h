#pragma once
// Convert: one conversion of a log into one or more outputs. It identifies the log, frames every
// record once and hands it to each output, and reports to its front end through a
// ConversionObserver. It knows neither a window nor a terminal.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/conversion_options.h"
#include "convert/conversion_output.h"
#include "convert/delimited_text_output.h"
#include "convert/messages.h"
#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

enum class ConvertStatus {
  Completed,    // every record of the log was read
  Cancelled,    // the termination flag stopped it; the output holds whole lines
  CannotOpen,   // the log could not be opened
  NotValid,     // the log's signature is none of the known ones
  SameFile,     // an output names the input file
  CannotCreate, // an output file could not be created
  CannotWrite,  // a write to an output failed; no output was put in place
};

// The message a status is reported with (the completion message for Completed and Cancelled).
const char* StatusMessage(ConvertStatus status);
MessageKind StatusKind(ConvertStatus status);
inline bool Succeeded(ConvertStatus s) {
  return s == ConvertStatus::Completed || s == ConvertStatus::Cancelled;
}

// The front end's side. Calls come from the thread that runs Execute, in this order: ShowStart,
// ShowProgress (once at 0, then once per framed record), ShowFinish, NotifyUser. A total of -1
// means the size is not known beforehand (a pipe): progress then has bytes but no percentage;
// ShowFinish gets the size that was read. The completion message gains a second line when the
// log was damaged.
class ConversionObserver {
public:
  virtual ~ConversionObserver() = default;
  virtual void ShowStart(std::int64_t /*totalBytes*/) {}
  virtual void ShowProgress(std::int64_t /*bytesRead*/, std::int64_t /*totalBytes*/) {}
  virtual void ShowFinish(std::int64_t /*totalBytes*/) {}
  virtual void NotifyUser(MessageKind /*kind*/, const std::string& /*text*/) {}
};

class Convert {
public:
  using Outputs = std::vector<std::unique_ptr<ConversionOutput>>;

  // A conversion into `outputs`. `terminate`, when given, is read before each record.
  Convert(std::string inputPath, Outputs outputs, ConversionObserver& observer,
          const std::atomic<bool>* terminate = nullptr);
  // A conversion into one delimited text file, as the window and the command line make it.
  // `options` is copied here; nothing reads the caller's options afterwards.
  Convert(std::string inputPath, std::string outputPath, const ConversionOptions& options,
          ConversionObserver& observer, const std::atomic<bool>* terminate = nullptr);

  // Reads the log from a copy of this open descriptor (standard input) instead of opening the
  // input path, which then only names it in messages.
  void UseInputDescriptor(int descriptor) { input_descriptor_ = descriptor; }

  ConvertStatus Execute();

  // The log's size (-1 until the end when it was not known beforehand), and what was consumed.
  std::int64_t TotalBytes() const { return total_bytes_; }
  std::int64_t BytesRead() const { return bytes_read_; }
  LogVariant Variant() const { return variant_; }
  // Of the delimited text output of the second constructor (0 for other conversions).
  std::int64_t LinesWritten() const { return text_ ? text_->LinesWritten() : 0; }
  // What the walk stepped over (the part at the end only once the walk reached the end).
  const LogDamage& Damage() const { return damage_; }
  // The system's reason for a failure, with the file concerned where it is not the input:
  // "Is a directory", "out/x.out: No such file or directory"; empty when there is none.
  const std::string& FailureDetail() const { return failure_detail_; }

private:
  const std::string input_path_;
  Outputs outputs_;
  DelimitedTextOutput* text_ = nullptr; // the second constructor's output
  ConversionObserver& observer_;
  const std::atomic<bool>* terminate_;
  int input_descriptor_ = -1;
  std::int64_t total_bytes_ = 0;
  std::int64_t bytes_read_ = 0;
  LogVariant variant_ = LogVariant::B;
  LogDamage damage_;
  std::string failure_detail_;
};

// The progress percentage shown for a count: bytesRead * 100 / totalBytes, 0 to 100; 0 when the
// total is 0 or not known.
int ProgressPercent(std::int64_t bytesRead, std::int64_t totalBytes);

} // namespace veltrix
