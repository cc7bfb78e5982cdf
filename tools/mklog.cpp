// mklog: writes a log of our own deterministic generator.
//   mklog g|b OUTPUT [SIZE_MIB] [SEED]
//   mklog captures OUTPUT COUNT DISTINCT
//   mklog survey g|b OUTPUT
// Without a size it writes an example log of a few KiB; every payload type occurs in it.
// `captures` writes an 802.11b log of COUNT single-channel data-frame captures (payload types 18
// and 6 in turn) whose transmitters are 0..DISTINCT-1 in turn, with varying RSSI and rate: the
// station list's load at scale. `survey` writes a simulated site survey of fifteen minutes (the
// examples' site-survey logs).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "example_log.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: mklog g|b OUTPUT [SIZE_MIB] [SEED]\n"
                       "       mklog captures OUTPUT COUNT DISTINCT\n"
                       "       mklog survey g|b OUTPUT\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "survey") == 0) {
    if (argc != 4 || (std::strcmp(argv[2], "g") != 0 && std::strcmp(argv[2], "b") != 0))
      return Usage();
    try {
      veltrix::testing::WriteFile(
          argv[3], veltrix::tools::MakeSurveyLog(argv[2][0] == 'b' ? veltrix::LogVariant::B
                                                                   : veltrix::LogVariant::G));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "mklog: %s\n", e.what());
      return 1;
    }
    return 0;
  }
  const bool captures = argc > 1 && std::strcmp(argv[1], "captures") == 0;
  if (captures ? argc != 5
               : argc < 3 || (argv[1][0] != 'g' && argv[1][0] != 'b') || argv[1][1] != '\0')
    return Usage();
  try {
    if (captures) {
      const unsigned long count = std::strtoul(argv[3], nullptr, 10);
      const unsigned long distinct = std::strtoul(argv[4], nullptr, 10);
      if (distinct == 0 || count > UINT32_MAX || distinct > UINT32_MAX) return Usage();
      veltrix::testing::WriteFile(
          argv[2], veltrix::tools::MakeCaptureLog(static_cast<std::uint32_t>(count),
                                                  static_cast<std::uint32_t>(distinct)));
      return 0;
    }
    const std::size_t size = argc > 3 ? std::strtoul(argv[3], nullptr, 10) * 1048576 : 4096;
    const std::uint32_t seed =
        argc > 4 ? static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
    const auto bytes = veltrix::tools::MakeExampleLog(
        argv[1][0] == 'b' ? veltrix::LogVariant::B : veltrix::LogVariant::G, size, seed);
    veltrix::testing::WriteFile(argv[2], bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mklog: %s\n", e.what());
    return 1;
  }
  return 0;
}
