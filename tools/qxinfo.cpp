// qxinfo: what the reader finds in each log given: generation, frames, records per payload type.
#include <cstdio>

#include "decode/log_summary.h"
#include "reader/identify.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    veltrix::LogSummary summary;
    const veltrix::IdentifyResult code = veltrix::SummarizeLog(argv[i], summary);
    if (code != veltrix::IdentifyResult::Ok) {
      std::fprintf(stderr, "%s: %s\n", argv[i], veltrix::IdentifyMessage(code));
      status = 1;
      continue;
    }
    std::printf("%s\n%s", argv[i], veltrix::FormatSummary(summary).c_str());
  }
  return status;
}
