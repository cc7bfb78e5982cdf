// mkcorpus: seed corpora for the fuzzers, from the example generator.
//   mkcorpus DIR   writes DIR/g/*, DIR/b/* (log bodies without the file header) and DIR/identify/*
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "example_log.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkcorpus DIR\n");
    return 2;
  }
  namespace fs = std::filesystem;
  using veltrix::testing::Bytes;
  try {
    const fs::path root = argv[1];
    for (const char generation : {'g', 'b'}) {
      const fs::path dir = root / std::string(1, generation);
      fs::create_directories(dir);
      for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        const Bytes log = veltrix::tools::MakeExampleLog(
            generation == 'b' ? veltrix::LogVariant::B : veltrix::LogVariant::G, seed * 512, seed);
        const Bytes body(log.begin() + 14, log.end());
        veltrix::testing::WriteFile((dir / ("seed" + std::to_string(seed))).string(), body);
        // A cut-off copy: the walk must stop cleanly inside a frame.
        const Bytes cut(body.begin(), body.begin() + static_cast<long>(body.size() * 2 / 3));
        veltrix::testing::WriteFile((dir / ("cut" + std::to_string(seed))).string(), cut);
      }
    }
    const fs::path identify = root / "identify";
    fs::create_directories(identify);
    const char* heads[] = {"QXB ", "QXBG", "QXA ", "QXB", "qxb ", ""};
    for (std::size_t i = 0; i < std::size(heads); ++i)
      veltrix::testing::WriteFile((identify / ("head" + std::to_string(i))).string(),
                                  Bytes(heads[i], heads[i] + std::strlen(heads[i])));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkcorpus: %s\n", e.what());
    return 1;
  }
  return 0;
}
