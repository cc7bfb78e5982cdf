// Fuzz target: identification of an arbitrary file by its signature.
#include <cstdint>
#include <cstdio>
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

  // The file is opened exclusively; a process the fuzzer forks now and then holds a copy of an
  // earlier descriptor (and so its lock) until it execs: then the log is "in use" for a moment.
  veltrix::Identification found = veltrix::IdentifyLog(path);
  for (int tries = 0; found.result == veltrix::IdentifyResult::CannotOpen &&
                      found.reason == "in use by another program" && tries < 1000;
       ++tries) {
    ::usleep(1000);
    found = veltrix::IdentifyLog(path);
  }
  std::uint8_t head[4] = {};
  std::memcpy(head, data, size < 4 ? size : 4);
  const std::optional<veltrix::LogVariant> expected = veltrix::VariantOfSignature(head);
  using veltrix::IdentifyResult;
  if (!expected ? found.result != IdentifyResult::NotValid
                : found.result != IdentifyResult::Ok || found.variant != *expected) {
    std::fprintf(stderr, "identified as %d (%s), the signature says %s\n",
                 static_cast<int>(found.result), found.reason.c_str(),
                 expected ? "a log" : "no log");
    std::abort();
  }
  return 0;
}
