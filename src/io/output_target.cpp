#include "io/output_target.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace veltrix {
namespace {

// The temporary files being written, in fixed storage that a signal handler can read without
// taking a lock or touching the heap. An output that finds no free slot is simply not listed. The
// paths are plain zeroed storage, so the pages of unused slots are never touched.
constexpr int kPendingSlots = 256;
std::atomic<bool> pendingTaken[kPendingSlots];
std::atomic<bool> pendingListed[kPendingSlots];
char pendingPaths[kPendingSlots][PATH_MAX];

int ListPending(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPendingSlots; ++i) {
    if (pendingTaken[i].exchange(true, std::memory_order_acquire)) continue;
    std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
    pendingListed[i].store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void UnlistPending(int& index) {
  if (index < 0) return;
  pendingListed[index].store(false, std::memory_order_release);
  pendingTaken[index].store(false, std::memory_order_release);
  index = -1;
}

// A name no other program is likely to pick, beside the output: ".NAME.1a2b3c.tmp".
std::string TemporaryName(const std::string& path, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  // Short enough for any file system's name limit.
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1, 200);
  const auto ticks =
      static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFF);
  const unsigned salt = (static_cast<unsigned>(::getpid()) * 2654435761u) ^ ticks ^
                        (counter.fetch_add(1) * 40503u) ^ (attempt * 97u);
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%06x.tmp", salt & 0xFFFFFF);
  return folder + "." + name + suffix;
}

} // namespace

void RemovePendingOutputs() {
  for (int i = 0; i < kPendingSlots; ++i) {
    if (pendingListed[i].load(std::memory_order_acquire)) ::unlink(pendingPaths[i]);
  }
}

OutputTarget::~OutputTarget() {
  Abandon();
}

bool OutputTarget::Open(const std::string& path) {
  Abandon();
  path_ = path;
  error_ = 0;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT && OpenTemporary(-1)) return true;
  } else if (S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid()) {
    if (OpenTemporary(static_cast<int>(st.st_mode & 07777))) {
      // Keep the file's group too, where the system lets us.
      if (st.st_gid != ::getegid()) (void)!::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
      return true;
    }
  }
  // In place, as the file is: its own open says why when it cannot be written.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error_ = errno;
    return false;
  }
  return true;
}

// A new file beside the path, with the mode a new output gets (`mode` -1) or `mode`.
bool OutputTarget::OpenTemporary(int mode) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    std::string temp = TemporaryName(path_, attempt);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (mode >= 0) (void)::fchmod(fd, static_cast<mode_t>(mode));
    fd_ = fd;
    temp_path_ = std::move(temp);
    pending_slot_ = ListPending(temp_path_);
    return true;
  }
  return false;
}

bool OutputTarget::OpenDescriptor(int descriptor, std::string name) {
  Abandon();
  path_ = std::move(name);
  error_ = 0;
  fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) {
    error_ = errno;
    return false;
  }
  return true;
}

bool OutputTarget::Write(const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputTarget::WriteFrom(int descriptor, std::int64_t offset, std::int64_t size) {
  loff_t from = offset;
  while (size > 0) {
    const ssize_t n =
        ::copy_file_range(descriptor, &from, fd_, nullptr, static_cast<std::size_t>(size), 0);
    if (n > 0) {
      size -= n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      error_ = errno;
      return false;
    }
    if (n == 0) { // the file ended early
      error_ = EIO;
      return false;
    }
    break; // files the kernel does not copy between: through a buffer
  }
  if (size <= 0) return true;
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(size, 1 << 20)));
  while (size > 0) {
    const ssize_t n = ::pread(descriptor, buffer.data(),
                              static_cast<std::size_t>(std::min<std::int64_t>(
                                  size, static_cast<std::int64_t>(buffer.size()))),
                              from);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      return false;
    }
    if (!Write(buffer.data(), static_cast<std::size_t>(n))) return false;
    from += n;
    size -= n;
  }
  return true;
}

void OutputTarget::Close() {
  if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
}

bool OutputTarget::Finish() {
  if (fd_ < 0) return true;
  error_ = 0;
  Close();
  if (error_ == 0 && Replacing() && ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    error_ = errno;
  }
  if (error_ != 0) {
    Abandon();
    return false;
  }
  temp_path_.clear();
  UnlistPending(pending_slot_);
  return true;
}

void OutputTarget::Abandon() {
  const int error = error_;
  Close();
  error_ = error; // the failure that led here is the one worth telling
  if (Replacing()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
  UnlistPending(pending_slot_);
}

bool OutputTarget::IsDevice() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode));
}

std::string OutputTarget::FailureDetail() const {
  if (error_ == 0) return {};
  return path_ + ": " + std::strerror(error_);
}

} // namespace veltrix
