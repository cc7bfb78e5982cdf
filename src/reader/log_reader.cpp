#include "reader/log_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "text/byte_order.h"
#include "text/short_text.h"

namespace veltrix {
namespace {

// Holds the largest frame that can deliver a record (13 + 1023 + 8192 bytes) many times over;
// larger frames are stepped over without being held.
constexpr std::size_t kBufferSize = 64 * 1024;
// Garbage is passed in parts of about this size, each returned by its own ReadRecord call.
constexpr std::int64_t kMaxSkipPerCall = kBufferSize;

// "1 byte" / "5 bytes", with another noun where given.
std::string Count(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string DescribeDamage(const LogDamage& d) {
  std::string text;
  if (d.skippedBytes != 0) {
    text = Count(d.skippedBytes, "damaged byte", "damaged bytes") + " skipped in " +
           Count(d.places, "place", "places");
  }
  if (d.tailBytes != 0) {
    if (!text.empty()) text += "; ";
    text += Count(d.tailBytes, "byte", "bytes") + (d.tailBytes == 1
                                                       ? " at the end is not a whole record"
                                                       : " at the end are not a whole record");
  }
  return text;
}

std::string ShortDamageNote(const LogDamage& d) {
  if (!d.Any()) return {};
  std::string text = "Damaged log: ";
  if (d.skippedBytes != 0) {
    text += Count(d.skippedBytes, "byte", "bytes") + " skipped";
    if (d.tailBytes != 0) text += ", " + std::to_string(d.tailBytes) + " at the end";
  } else {
    text += Count(d.tailBytes, "byte", "bytes") + " cut off at the end";
  }
  return text + ".";
}

LogReader::LogReader() : buffer_(new std::uint8_t[kBufferSize]) {}
LogReader::~LogReader() = default;

bool LogReader::OpenLog() {
  CloseLog();
  const bool opened =
      input_descriptor_ >= 0 ? file_.OpenDescriptor(input_descriptor_) : file_.Open(input_path_);
  if (!opened) return false;
  base_ = file_bytes_ = 0;
  begin_ = end_ = 0;
  eof_ = false;
  SkippedBytes = 0;
  OversizedFrames = 0;
  damage_ = {};
  in_damage_ = false;
  pending_skip_ = 0;
  // The header's contents are not used; a file shorter than it simply has no frames.
  Ensure(kFileHeaderSize);
  Signature = {};
  std::memcpy(Signature.data(), buffer_.get(), std::min(end_, Signature.size()));
  begin_ = std::min(end_, kFileHeaderSize);
  last_frame_end_ = Position();
  return true;
}

void LogReader::CloseLog() {
  file_.Close();
  begin_ = end_ = 0;
  eof_ = true;
  frame_.Payload = {};
  frame_.PayloadDelivered = false;
}

bool LogReader::Refill(std::size_t count) {
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    base_ += static_cast<std::int64_t>(begin_);
    begin_ = 0;
  }
  while (end_ < count) {
    const std::size_t n = file_.ReadSome(buffer_.get() + end_, kBufferSize - end_);
    if (n == 0) {
      eof_ = true;
      return false;
    }
    end_ += n;
    file_bytes_ += static_cast<std::int64_t>(n);
  }
  return true;
}

// Moves to the sync mark of the next frame: the last three bytes of the first run of three or
// more sync bytes. Returns the bytes skipped to get there, or -1 at end of file. After a long
// stretch without a mark it returns what it skipped with `found` false; the next call goes on
// from there exactly as if it had not stopped.
std::int64_t LogReader::FindSync(bool& found) {
  std::int64_t skipped = 0;
  found = false;
  for (;;) {
    if (!Ensure(3)) return -1;
    const std::uint8_t* b = buffer_.get() + begin_;
    const std::size_t avail = end_ - begin_;
    std::size_t i = 0;
    while (i + 2 < avail) {
      // A run of three that starts at i, i + 1 or i + 2 holds b[i + 2]; test it first.
      if (b[i + 2] != kSyncByte) {
        i += 3;
      } else if (b[i + 1] != kSyncByte) {
        i += 2;
      } else if (b[i] != kSyncByte) {
        i += 1;
      } else {
        found = true;
        break;
      }
    }
    // Every position before i has been ruled out.
    i = std::min(i, avail);
    begin_ += i;
    skipped += static_cast<std::int64_t>(i);
    if (found) break;
    if (skipped >= kMaxSkipPerCall) return skipped;
    // Keep the last bytes: a run may go on in the next block.
    if (!Ensure(avail - i + 1)) return -1;
  }
  // Inside a longer run the mark is its last three bytes.
  while (Ensure(4) && buffer_[begin_ + 3] == kSyncByte) {
    if (skipped >= kMaxSkipPerCall) {
      found = false;
      return skipped;
    }
    ++begin_;
    ++skipped;
  }
  return skipped;
}

void LogReader::Damaged(std::int64_t bytes) {
  if (bytes == 0) return;
  damage_.skippedBytes += bytes;
  if (!in_damage_) ++damage_.places;
  in_damage_ = true;
}

// The walk has reached the end of the file: whatever follows the last frame is its tail.
std::int64_t LogReader::EndOfWalk() {
  damage_.tailBytes = file_bytes_ - last_frame_end_;
  return 0;
}

std::int64_t LogReader::ReadRecord() {
  Frame& f = frame_;
  f.PayloadDelivered = false;
  f.Framed = false;
  f.Payload = {};
  bool found = false;
  const std::int64_t skipped = FindSync(found);
  if (skipped < 0) return EndOfWalk();
  pending_skip_ += skipped;
  if (!found) return skipped;

  if (!Ensure(11)) return EndOfWalk();
  const std::size_t m = LoadLE16(buffer_.get() + begin_ + 9);
  std::size_t p = 0;
  if (m <= kMaxMarkerLength) {
    if (!Ensure(13 + m)) return EndOfWalk();
    p = LoadLE16(buffer_.get() + begin_ + 11 + m);
  }
  if (m > kMaxMarkerLength || p > kMaxPayloadLength) {
    // Too large for the record model: stepped over whole, keeping the walk in step, and
    // delivering nothing.
    if (!Skip(11 + m) || !Ensure(2)) return EndOfWalk();
    p = LoadLE16(buffer_.get() + begin_);
    if (!Skip(2 + p)) return EndOfWalk();
    const auto frame = static_cast<std::int64_t>(kFrameOverhead + m + p);
    ++OversizedFrames;
    SkippedBytes += pending_skip_;
    Damaged(pending_skip_ + frame);
    pending_skip_ = 0;
    last_frame_end_ = Position();
    f.Framed = true;
    return skipped + frame;
  }

  const std::size_t frame = kFrameOverhead + m + p;
  if (!Ensure(frame)) return EndOfWalk();
  const std::uint8_t* b = buffer_.get() + begin_;
  begin_ += frame;
  SkippedBytes += pending_skip_;
  Damaged(pending_skip_);
  pending_skip_ = 0;
  in_damage_ = false;
  last_frame_end_ = Position();
  f.Framed = true;

  f.Rtc = {2000 + b[5], b[4], b[3], b[6], b[7], b[8]};
  if (m != 0) f.MarkerText = TextUpToZero(b + 11, m);
  if (p != 0) {
    const std::uint8_t* block = b + 13 + m;
    f.PayloadType = block[0];
    f.Payload = {block + 1, p - 1};
    f.PayloadLength = static_cast<std::uint32_t>(p);
    f.PayloadDelivered = true;
  }
  return skipped + static_cast<std::int64_t>(frame);
}

bool LogReader::Skip(std::size_t count) {
  while (count > 0) {
    if (!Ensure(1)) return false;
    const std::size_t step = std::min(count, end_ - begin_);
    begin_ += step;
    count -= step;
  }
  return true;
}

} // namespace veltrix
