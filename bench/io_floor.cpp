// The least a conversion must do: read the log whole and write as many bytes as its output, in
// 1 MiB writes, to a new file. scripts/bench times the converter against it.
//
//   io_floor LOG OUT BYTES

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kChunk = 1 << 20;

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: io_floor LOG OUT BYTES\n");
    return 2;
  }
  const long long bytes = std::atoll(argv[3]);
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  const int in = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    std::perror(argv[1]);
    return 1;
  }
  // Read whole, as a conversion reads it.
  unsigned char sum = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::perror(argv[1]);
      return 1;
    }
    if (n == 0) break;
    sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(buffer[0]));
  }
  ::close(in);
  const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    std::perror(argv[2]);
    return 1;
  }
  std::memset(buffer.get(), 'x' + (sum & 1), kChunk);
  for (long long left = bytes; left > 0;) {
    const std::size_t size =
        left < static_cast<long long>(kChunk) ? static_cast<std::size_t>(left) : kChunk;
    if (!WriteAll(out, buffer.get(), size)) {
      std::perror(argv[2]);
      return 1;
    }
    left -= static_cast<long long>(size);
  }
  return ::close(out) == 0 ? 0 : 1;
}
