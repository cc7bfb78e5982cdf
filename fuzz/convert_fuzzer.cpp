// Fuzz target: the whole conversion of an arbitrary byte string, as the body of a log of one
// generation (the signature comes from VELTRIX_FUZZ_SIGNATURE), with every context field and
// every record group ticked. The output goes to an in-memory file that is checked afterwards.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "convert/convert.h"

namespace {

int MemoryFile(const char* name) {
  const int fd = ::memfd_create(name, 0);
  if (fd < 0) std::abort();
  return fd;
}

std::string PathOf(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int input = MemoryFile("log");
  static const int output = MemoryFile("out");
  static const std::string inputPath = PathOf(input);
  static const std::string outputPath = PathOf(output);

  const char header[14] = {VELTRIX_FUZZ_SIGNATURE[0], VELTRIX_FUZZ_SIGNATURE[1],
                           VELTRIX_FUZZ_SIGNATURE[2], VELTRIX_FUZZ_SIGNATURE[3]};
  if (::ftruncate(input, 0) != 0 || ::pwrite(input, header, sizeof header, 0) != sizeof header)
    std::abort();
  if (size > 0 && ::pwrite(input, data, size, sizeof header) != static_cast<ssize_t>(size))
    std::abort();

  veltrix::ConversionOptions o;
  o.TickAllContextFields();
  o.TickAllRecordGroups();
  // Every delimiter, so every quoting path.
  o.delimiter = static_cast<veltrix::Delimiter>(size % 4);
  veltrix::ConversionObserver observer;
  veltrix::Convert convert(inputPath, outputPath, o, observer);
  const veltrix::ConvertStatus status = convert.Execute();

  Check(status == veltrix::ConvertStatus::Completed, "the conversion completes");
  Check(convert.TotalBytes() == static_cast<std::int64_t>(size + sizeof header), "total bytes");
  Check(convert.BytesRead() <= static_cast<std::int64_t>(size), "bytes read within the body");
  const veltrix::LogDamage& damage = convert.Damage();
  const auto body = static_cast<std::int64_t>(size);
  Check(damage.skippedBytes + damage.tailBytes <= body, "damage within the body");
  Check(convert.BytesRead() + damage.tailBytes >= body, "every byte read or at the end");
  Check((damage.skippedBytes == 0) == (damage.places == 0), "damage has its places");
  struct stat st {};
  Check(::fstat(output, &st) == 0 && st.st_size >= 2, "the header line is there");
  char end[2] = {};
  Check(::pread(output, end, 2, st.st_size - 2) == 2 && end[0] == '\r' && end[1] == '\n',
        "the output ends with CR LF");
  return 0;
}
