#include "reader/input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrix {

bool InputFile::Open(const std::string& path) {
  Close();
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); // a signal may cut a slow open short
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  return Adopt(fd);
}

bool InputFile::OpenDescriptor(int descriptor) {
  Close();
  const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  return Adopt(fd);
}

namespace {

// Locks `fd` for this reader alone, without waiting for another; 0 or the errno.
int LockExclusive(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

} // namespace

// Takes `fd` over, or closes it: a folder opens read-only on Linux but is no log.
bool InputFile::Adopt(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error_ = EISDIR;
  } else if (const int locked = LockExclusive(fd); locked != 0) {
    error_ = locked;
  } else {
    fd_ = fd;
    error_ = 0;
    regular_ = S_ISREG(st.st_mode);
    return true;
  }
  ::close(fd);
  return false;
}

void InputFile::Close() {
  if (fd_ >= 0) {
    ::close(fd_); // releases the lock as well
    fd_ = -1;
  }
  regular_ = false;
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
  if (fd_ < 0) return 0;
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t total = 0;
  // Fill the request where the system allows, so a short read means end of file.
  while (total < size) {
    const ssize_t n = ::read(fd_, out + total, size - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<std::size_t>(n);
  }
  return total;
}

std::size_t InputFile::ReadSome(void* buffer, std::size_t size) {
  if (fd_ < 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

std::int64_t InputFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || !regular_ || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool InputFile::Identity(std::uint64_t& device, std::uint64_t& inode) const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  device = static_cast<std::uint64_t>(st.st_dev);
  inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

std::string OpenErrorText(int error) {
  if (error == EWOULDBLOCK) return "in use by another program";
  return std::strerror(error);
}

} // namespace veltrix
