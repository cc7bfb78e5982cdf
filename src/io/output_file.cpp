#include "io/output_file.h"

#include "text/number_format.h"

#include <algorithm>
#include <charconv>

namespace veltrix {

OutputFile::OutputFile(char delimiter) : delimiter_(delimiter) {}

OutputFile::~OutputFile() {
  Close();
}

bool OutputFile::Create(const std::string& path) {
  Close();
  return Started(target_.Open(path));
}

bool OutputFile::Create(const OutputDestination& destination) {
  Close();
  return Started(target_.Open(destination));
}

bool OutputFile::Started(bool opened) {
  // The buffer lives while the file is open: an output that many wait in costs little memory.
  if (opened && !data_) data_.reset(new char[kBufferSize]);
  flushes_ = 0;
  failed_ = !opened;
  used_ = 0;
  field_written_ = false;
  return opened;
}

void OutputFile::Flush() {
  if (failed_ || used_ == 0 || !target_.IsOpen()) {
    if (!target_.IsOpen() && used_ > 0) failed_ = true; // in memory, a line outgrew the buffer
    used_ = 0; // after a failure the rest is dropped: nothing more reaches the file
    return;
  }
  // A small file is written at once; a larger one from its second buffer on in the background
  // when asked for, unless it is a device, where a write costs less than handing it over.
  if (++flushes_ < 2 || spare_thread_ == nullptr || (!writer_ && target_.IsDevice())) {
    if (!target_.Write(data_.get(), used_)) failed_ = true;
    used_ = 0;
    return;
  }
  if (!writer_) {
    writer_ = std::make_unique<BackgroundWriter>(target_, *spare_thread_);
    spare_.reset(new char[kBufferSize]);
  }
  if (!writer_->Wait()) {
    failed_ = true;
    used_ = 0;
    return;
  }
  writer_->Submit(data_.get(), used_);
  std::swap(data_, spare_);
  used_ = 0;
}

bool OutputFile::WaitForWriter() {
  if (!writer_) return true;
  const bool written = writer_->Wait();
  if (!written) failed_ = true;
  return written;
}

bool OutputFile::Close() {
  if (!target_.IsOpen()) return !failed_;
  Flush();
  WaitForWriter();
  writer_.reset();
  spare_.reset();
  flushes_ = 0;
  if (failed_) {
    target_.Abandon();
  } else if (!target_.Finish()) {
    failed_ = true;
  }
  data_.reset();
  return !failed_;
}

void OutputFile::Abandon() {
  used_ = 0;
  WaitForWriter();
  writer_.reset();
  spare_.reset();
  flushes_ = 0;
  target_.Abandon();
  data_.reset();
}

bool OutputFile::NeedsQuotes(std::string_view text) const {
  for (const char c : text) {
    if (c == delimiter_ || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

void OutputFile::Field(std::string_view text) {
  if (!NeedsQuotes(text)) {
    PlainField(text);
    return;
  }
  char* out = Reserve(2 * text.size() + 3);
  const char* start = out;
  if (field_written_) *out++ = delimiter_;
  field_written_ = true;
  *out++ = '"';
  for (const char c : text) {
    if (c == '"') *out++ = '"';
    *out++ = c;
  }
  *out++ = '"';
  Commit(static_cast<std::size_t>(out - start));
}

void OutputFile::Field(const ShortText& text) {
  if (NeedsQuotes(text)) {
    Field(text.view());
  } else {
    PlainField(text);
  }
}

void OutputFile::Text(std::string_view text) {
  while (!text.empty()) {
    const std::size_t part = std::min(text.size(), kBufferSize / 2);
    Reserve(part);
    PutRaw(text.substr(0, part));
    text.remove_prefix(part);
  }
}

void OutputFile::TextFrom(int descriptor, std::int64_t offset, std::int64_t size) {
  Flush();
  // In order: what was handed to the background goes first.
  if (WaitForWriter() && !failed_ && !target_.WriteFrom(descriptor, offset, size)) failed_ = true;
}

void OutputFile::IntegerField(std::int64_t value) {
  char* out = Reserve(24);
  const char* start = out;
  if (field_written_) *out++ = delimiter_;
  field_written_ = true;
  out = std::to_chars(out, out + 21, value).ptr;
  Commit(static_cast<std::size_t>(out - start));
}

void OutputFile::Fixed2Field(double value) {
  char* out = Reserve(kFixed2Capacity + 1);
  const char* start = out;
  if (field_written_) *out++ = delimiter_;
  field_written_ = true;
  out = FormatFixed2(out, value);
  Commit(static_cast<std::size_t>(out - start));
}

} // namespace veltrix
