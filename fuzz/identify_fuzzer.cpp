// Fuzz target: identification of an arbitrary file by its signature.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "reader/identify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = ::memfd_create("log", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
  if (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

  const veltrix::Identification found = veltrix::IdentifyLog(path);
  std::uint8_t head[4] = {};
  std::memcpy(head, data, size < 4 ? size : 4);
  const std::optional<veltrix::LogVariant> expected = veltrix::VariantOfSignature(head);
  using veltrix::IdentifyResult;
  if (!expected ? found.result != IdentifyResult::NotValid
                : found.result != IdentifyResult::Ok || found.variant != *expected)
    std::abort();
  return 0;
}
