#pragma once
// Convert: one conversion from a log to its output file. It identifies the log, frames and
// decodes every record, writes the header record and the record lines, and reports to its
// front end through a ConversionObserver. It knows neither a window nor a terminal.

#include <atomic>
#include <cstdint>
#include <string>

#include "reader/conversion_options.h"
#include "reader/record_state.h"

namespace veltrix {

inline constexpr const char* kMsgCompleted = "Conversion Has Been Completed.";
inline constexpr const char* kMsgCannotCreate = "Cannot Create Output File.";
inline constexpr const char* kMsgCannotWrite = "Cannot Write Output File.";
inline constexpr const char* kMsgSameFile = "Output File Must Differ From Input File.";

enum class ConvertStatus {
  Completed,    // every record of the log was read
  Cancelled,    // the termination flag stopped it; the output holds whole lines
  CannotOpen,   // the log could not be opened
  NotValid,     // the log's signature is none of the known ones
  SameFile,     // the output path names the input file
  CannotCreate, // the output file could not be created
  CannotWrite,  // a write to the output failed; the output is incomplete
};

// The message a status is reported with (the completion message for Completed and Cancelled).
const char* StatusMessage(ConvertStatus status);
MessageKind StatusKind(ConvertStatus status);
inline bool Succeeded(ConvertStatus s) {
  return s == ConvertStatus::Completed || s == ConvertStatus::Cancelled;
}

// The front end's side. Calls come from the thread that runs Execute, in this order: ShowStart,
// ShowProgress (once at 0, then once per framed record), ShowFinish, NotifyUser.
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
  // `options` is copied here; nothing reads the caller's options afterwards. `terminate`, when
  // given, is read before each record.
  Convert(std::string inputPath, std::string outputPath, const ConversionOptions& options,
          ConversionObserver& observer, const std::atomic<bool>* terminate = nullptr);

  ConvertStatus Execute();

  std::int64_t TotalBytes() const { return total_bytes_; }
  std::int64_t BytesRead() const { return bytes_read_; }
  LogVariant Variant() const { return variant_; }
  std::int64_t LinesWritten() const { return lines_written_; } // record lines, header excluded

private:
  const std::string input_path_;
  const std::string output_path_;
  const ConversionOptions options_;
  ConversionObserver& observer_;
  const std::atomic<bool>* terminate_;
  std::int64_t total_bytes_ = 0;
  std::int64_t bytes_read_ = 0;
  std::int64_t lines_written_ = 0;
  LogVariant variant_ = kVariantB;
};

// The progress percentage shown for a count: bytesRead * 100 / totalBytes, 0 to 100; 0 when the
// total is 0.
int ProgressPercent(std::int64_t bytesRead, std::int64_t totalBytes);

} // namespace veltrix
