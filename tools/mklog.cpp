// mklog: writes a log of our own deterministic generator.
//   mklog g|b OUTPUT [SIZE_MIB] [SEED]
// Without a size it writes an example log of a few KiB; every payload type occurs in it.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "example_log.h"

int main(int argc, char** argv) {
  if (argc < 3 || (argv[1][0] != 'g' && argv[1][0] != 'b') || argv[1][1] != '\0') {
    std::fprintf(stderr, "usage: mklog g|b OUTPUT [SIZE_MIB] [SEED]\n");
    return 2;
  }
  const std::size_t size = argc > 3 ? std::strtoul(argv[3], nullptr, 10) * 1048576 : 4096;
  const std::uint32_t seed =
      argc > 4 ? static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
  try {
    const auto bytes = veltrix::tools::MakeExampleLog(argv[1][0] == 'b' ? 'B' : 'G', size, seed);
    veltrix::testing::WriteFile(argv[2], bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mklog: %s\n", e.what());
    return 1;
  }
  return 0;
}
