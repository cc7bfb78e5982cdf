// Scratch files without a name, and their reader.
#include "io/scratch_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrix {

namespace {

// A nameless file in `folder`: O_TMPFILE, or where the file system has no such files a named one,
// unlinked at once. -1 with errno when the folder takes no new file.
int NamelessFile(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  const std::string path = folder + "/.veltrix-scratch.XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  const int named = ::mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(name.data());
  return named;
}

} // namespace

bool ScratchFile::Create(const std::string& beside) {
  Close();
  const std::size_t slash = beside.find_last_of('/');
  std::string folder = slash == std::string::npos
                           ? std::string(".")
                           : beside.substr(0, std::max<std::size_t>(slash, 1));
  error_ = 0;
  fd_ = NamelessFile(folder);
  if (fd_ < 0) {
    // A folder that takes no new files (its output is written in place): the temporary folder.
    const char* temporary = std::getenv("TMPDIR");
    folder = temporary != nullptr && *temporary != '\0' ? temporary : "/tmp";
    fd_ = NamelessFile(folder);
  }
  if (fd_ < 0) error_ = errno;
  name_ = folder + " (scratch file)";
  return fd_ >= 0;
}

void ScratchFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::int64_t ScratchFile::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    error_ = errno;
    return -1;
  }
  return st.st_size;
}

std::int64_t ScratchFile::ReadAt(std::int64_t offset, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::pread(fd_, data, size, offset);
    if (n >= 0) return n;
    if (errno != EINTR) {
      error_ = errno;
      return -1;
    }
  }
}

std::string ScratchFile::FailureDetail() const {
  if (error_ == 0) return {};
  return name_ + ": " + std::strerror(error_);
}

ScratchReader::ScratchReader(ScratchFile& file) : file_(file), data_(new char[kBufferSize]) {}

std::string_view ScratchReader::Peek(std::size_t size) {
  size = std::min(size, kBufferSize);
  if (end_ - begin_ < size && !eof_ && !failed_) {
    std::memmove(data_.get(), data_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (end_ < size) {
      const std::int64_t n = file_.ReadAt(offset_, data_.get() + end_, kBufferSize - end_);
      if (n <= 0) {
        eof_ = n == 0;
        failed_ = n < 0;
        break;
      }
      end_ += static_cast<std::size_t>(n);
      offset_ += n;
    }
  }
  return {data_.get() + begin_, std::min(size, end_ - begin_)};
}

void ScratchReader::Skip(std::size_t size) {
  begin_ += std::min(size, end_ - begin_);
}

std::string_view ScratchReader::Line() {
  std::string_view view(data_.get() + begin_, end_ - begin_);
  std::size_t newline = view.find('\n');
  if (newline == std::string_view::npos) {
    view = Peek(kBufferSize);
    newline = view.find('\n');
  }
  const std::size_t size = newline == std::string_view::npos ? view.size() : newline + 1;
  begin_ += size;
  return view.substr(0, size);
}

} // namespace veltrix
