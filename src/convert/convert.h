#pragma once
// src/convert/ holds the engine and what it shares with its outputs and front ends (options,
// messages, and the record lines of the delimited text, which the text and the database both
// write). The engine: one conversion of a log into the outputs it is given. It identifies the
// log, frames every record once and hands it to each output, reports to its front end through a
// ConversionObserver, and ends with a ConversionResult. It knows no concrete output, and neither a
// window nor a terminal.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/conversion_options.h"
#include "convert/conversion_output.h"
#include "convert/messages.h"
#include "reader/identify.h"
#include "reader/log_reader.h"

namespace veltrix {

enum class ConvertStatus {
  Completed,    // every record of the log was read
  Cancelled,    // the termination flag stopped it; the outputs hold whole lines
  CannotOpen,   // the log could not be opened
  NotValid,     // the log's signature is none of the known ones: not a log
  SameFile,     // an output names the input file
  CannotCreate, // an output file could not be created
  CannotWrite,  // a write to an output failed; no output was put in place
};

// How a conversion ended.
struct ConversionResult {
  ConvertStatus status = ConvertStatus::Completed;
  // The system's reason for a failure, with the file concerned where it is not the input: "Is a
  // directory", "out/x.out: No such file or directory"; empty when there is none.
  std::string failureDetail;
  // What the walk stepped over (the part at the end only once the walk reached the end).
  LogDamage damage;
};

inline bool Succeeded(ConvertStatus s) {
  return s == ConvertStatus::Completed || s == ConvertStatus::Cancelled;
}
// The message a status is told with: the completion message for Completed and Cancelled.
const char* StatusMessage(ConvertStatus status);
MessageKind StatusKind(ConvertStatus status);
// The message box's text for a result: the status's message, with a second line telling the
// damage of a log that was converted ("Damaged log: 4952 bytes skipped, 266 at the end.").
std::string ResultMessage(const ConversionResult& result);

// The front end's side. Calls come from the thread that runs Execute, in this order: ShowStart,
// ShowProgress (once at 0, then once per framed record), ShowFinish, ShowResult; a conversion
// that fails before it reads (the log cannot be opened, is not a log, an output cannot be
// created) makes fewer of the first three. A total of -1 means the size is not known beforehand
// (a pipe): progress then has bytes but no percentage; ShowFinish gets the size that was read.
class ConversionObserver {
public:
  virtual ~ConversionObserver() = default;
  virtual void ShowStart(std::int64_t /*totalBytes*/) {}
  virtual void ShowProgress(std::int64_t /*bytesRead*/, std::int64_t /*totalBytes*/) {}
  virtual void ShowFinish(std::int64_t /*totalBytes*/) {}
  virtual void ShowResult(const ConversionResult& /*result*/) {}
};

class Convert {
public:
  using Outputs = std::vector<std::unique_ptr<ConversionOutput>>;

  // A conversion into `outputs`. `terminate`, when given, is read before each record.
  Convert(std::string inputPath, Outputs outputs, ConversionObserver& observer,
          const std::atomic<bool>* terminate = nullptr);

  // Reads the log from a copy of this open descriptor (standard input) instead of opening the
  // input path, which then only names it in messages.
  void UseInputDescriptor(int descriptor) { input_descriptor_ = descriptor; }

  ConversionResult Execute();

  // The log's size (-1 until the end when it was not known beforehand), and what was consumed.
  std::int64_t TotalBytes() const { return total_bytes_; }
  std::int64_t BytesRead() const { return bytes_read_; }
  LogVariant Variant() const { return variant_; }

private:
  ConversionResult Run();

  const std::string input_path_;
  Outputs outputs_;
  ConversionObserver& observer_;
  const std::atomic<bool>* terminate_;
  int input_descriptor_ = -1;
  std::int64_t total_bytes_ = 0;
  std::int64_t bytes_read_ = 0;
  LogVariant variant_ = LogVariant::B;
};

// The progress percentage shown for a count: bytesRead * 100 / totalBytes, 0 to 100; 0 when the
// total is 0 or not known.
int ProgressPercent(std::int64_t bytesRead, std::int64_t totalBytes);

} // namespace veltrix
