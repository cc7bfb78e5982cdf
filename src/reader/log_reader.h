#pragma once
// src/reader/ holds the log file, its identification and its framing. LogReader: opens a log
// (".qx"), skips its 14-byte file header and frames its records one by one, keeping account of the
// damage it steps over. It knows nothing of what the payloads mean.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "reader/input_file.h"
#include "text/date_text.h"

namespace veltrix {

// What a walk stepped over instead of records.
struct LogDamage {
  std::int64_t skippedBytes = 0; // between whole frames: bytes before sync marks, oversized frames
  std::int64_t places = 0;       // separate stretches of such bytes
  std::int64_t tailBytes = 0;    // after the last frame when the walk reached the end
  bool Any() const { return skippedBytes != 0 || tailBytes != 0; }
  bool operator==(const LogDamage&) const = default;
};

// "4952 damaged bytes skipped in 3 places; 266 bytes at the end are not a whole record", or ""
// for an undamaged walk.
std::string DescribeDamage(const LogDamage& damage);
// The same in a few words for a message box: "Damaged log: 4952 bytes skipped, 266 at the end.",
// "Damaged log: 266 bytes cut off at the end.", or "" for an undamaged walk.
std::string ShortDamageNote(const LogDamage& damage);

// The most recent frame: its timestamp texts, its marker and its payload.
struct Frame {
  bool Framed = false;           // the last ReadRecord framed a record (an oversized one included)
  DateTime Rtc;                  // the timestamp (DateTime::RtcText writes it as the log does)
  std::string MarkerText;        // kept from earlier frames while frames carry no marker
  bool PayloadDelivered = false; // false for an empty or oversized payload block
  std::uint8_t PayloadType = 0;
  std::span<const std::uint8_t> Payload; // the body after the type byte; valid until the next call
  std::uint32_t PayloadLength = 0;       // stored length, type byte included
};

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
  // Reads the log from a copy of this open descriptor instead of opening the input path.
  void SetInputDescriptor(int descriptor) { input_descriptor_ = descriptor; }

  // Opens the log exclusively and reads past its file header. False when it cannot be opened
  // (File().Error() tells why).
  bool OpenLog();
  // Frames the next record and returns the bytes this call consumed (bytes skipped before the
  // sync mark included), or 0 when the walk ends: end of file anywhere inside a frame. The frame
  // is then Current(). A long stretch without a sync mark is returned in parts, with no frame
  // (Current().Framed false), so that the caller sees progress and can stop on a stream of garbage.
  std::int64_t ReadRecord();
  const Frame& Current() const { return frame_; }
  void CloseLog();
  bool IsOpen() const { return file_.IsOpen(); }
  const InputFile& File() const { return file_; }

  // The first four bytes of the file (zeros where the file is shorter): its signature.
  std::array<std::uint8_t, 4> Signature{};

  // Since OpenLog: bytes skipped before the sync marks of frames found, and frames stepped over
  // because a length exceeded what a record can hold.
  std::int64_t SkippedBytes = 0;
  std::int64_t OversizedFrames = 0;
  // All the damage so far; its tail is known once ReadRecord has returned 0.
  const LogDamage& Damage() const { return damage_; }
  // Every byte read from the file, its header included: once ReadRecord has returned 0, the size
  // of a log whose size was not known beforehand.
  std::int64_t BytesInFile() const { return file_bytes_; }

private:
  // True when `count` bytes from begin_ are in the buffer, once it is filled as far as needed.
  bool Ensure(std::size_t count) { return end_ - begin_ >= count || (!eof_ && Refill(count)); }
  bool Refill(std::size_t count);
  bool Skip(std::size_t count);
  std::int64_t FindSync(bool& found);
  std::int64_t Position() const { return base_ + static_cast<std::int64_t>(begin_); }
  void Damaged(std::int64_t bytes);
  std::int64_t EndOfWalk();

  Frame frame_;
  std::string input_path_;
  int input_descriptor_ = -1;
  InputFile file_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::int64_t base_ = 0;       // file offset of buffer_[0]
  std::int64_t file_bytes_ = 0; // read from the file so far
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  LogDamage damage_;
  bool in_damage_ = false;        // no whole frame since the last damage
  std::int64_t pending_skip_ = 0; // bytes skipped since the last frame, not yet counted as damage
  std::int64_t last_frame_end_ = 0;
};

} // namespace veltrix
