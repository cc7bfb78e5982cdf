#include "convert/output_file.h"

#include "reader/number_format.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace veltrix {

OutputFile::OutputFile(char delimiter) : delimiter_(delimiter), data_(new char[kBufferSize]) {}

OutputFile::~OutputFile() {
  Close();
}

bool OutputFile::Create(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  failed_ = fd_ < 0;
  used_ = 0;
  field_written_ = false;
  return fd_ >= 0;
}

void OutputFile::Flush() {
  std::size_t done = 0;
  while (!failed_ && done < used_) {
    const ssize_t n = ::write(fd_, data_.get() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  used_ = 0; // after a failure the rest is dropped: nothing more reaches the file
}

bool OutputFile::Close() {
  if (fd_ < 0) return !failed_;
  Flush();
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

void OutputFile::Field(std::string_view text) {
  bool quote = false;
  for (const char c : text) {
    if (c == delimiter_ || c == '"' || c == '\r' || c == '\n') {
      quote = true;
      break;
    }
  }
  if (!quote) {
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
