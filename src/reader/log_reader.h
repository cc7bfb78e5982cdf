#pragma once
// LogReader: opens a log (".qx"), skips its 14-byte file header and frames its records one by
// one. It also holds the decoded record state that the payload decoders fill.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "reader/input_file.h"
#include "reader/record_state.h"
#include "reader/short_text.h"

namespace veltrix {

class LogReader {
public:
  static constexpr std::size_t kFileHeaderSize = 14;
  static constexpr std::size_t kFrameOverhead = 13; // sync, timestamp, both length fields
  static constexpr std::size_t kMaxMarkerLength = 1023;
  static constexpr std::size_t kMaxPayloadLength = 8192;
  static constexpr std::uint8_t kSyncByte = 0x58; // 'X'

  LogReader();
  ~LogReader();
  LogReader(const LogReader&) = delete;
  LogReader& operator=(const LogReader&) = delete;

  void SetInputPath(std::string path) { input_path_ = std::move(path); }
  const std::string& InputPath() const { return input_path_; }

  // Opens the log exclusively and reads past its file header. False when it cannot be opened.
  bool OpenLog();
  // Frames the next record and returns the bytes this call consumed (bytes skipped before the
  // sync mark included), or 0 when the walk ends: end of file anywhere inside a frame.
  std::int64_t ReadRecord();
  void CloseLog();
  bool IsOpen() const { return file_.IsOpen(); }
  const InputFile& File() const { return file_; }

  // The first four bytes of the file (zeros where the file is shorter): its signature.
  std::array<std::uint8_t, 4> Signature{};

  // The most recent frame.
  ShortText RtcDateText;         // "%02d/%02d/%04d", month first
  ShortText RtcTimeText;         // "%02d:%02d:%02d"
  std::string MarkerText;        // kept from earlier frames while frames carry no marker
  bool PayloadDelivered = false; // false for an empty or oversized payload block
  std::uint8_t PayloadType = 0;
  std::span<const std::uint8_t> Payload; // the body after the type byte; valid until the next call
  std::uint32_t PayloadLength = 0;       // stored length, type byte included

  // Since OpenLog: bytes skipped before the sync marks of frames found, and frames stepped over
  // because a length exceeded what a record can hold.
  std::int64_t SkippedBytes = 0;
  std::int64_t OversizedFrames = 0;

  RecordState State;

private:
  bool Ensure(std::size_t count);
  bool Skip(std::size_t count);
  std::int64_t FindSync();

  std::string input_path_;
  InputFile file_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
};

} // namespace veltrix
