#pragma once
// From the inputs on the command line to the list of conversions to run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrix::cli {

// "-" as INPUT is standard input, and as the output standard output.
inline constexpr std::string_view kStandardStream = "-";
inline bool IsStandardStream(std::string_view path) {
  return path == kStandardStream;
}
// The name a path goes by in messages: "standard input" or "standard output" for "-".
std::string InputName(const std::string& input);
std::string OutputName(const std::string& output);

// The output path of an input: a trailing ".qx" (any case) becomes ".out"; any other name gets
// ".out" added ("log.QX" -> "log.out", "mylog" -> "mylog.out", "a.qx.bak" -> "a.qx.bak.out").
// Standard input goes to standard output.
std::string DefaultOutputPath(std::string_view input);

struct Job {
  std::string input;  // a path, or "-"
  std::string output; // a path, or "-"
  // The input's size when planned: 0 when it does not exist, -1 when it has no size beforehand
  // (a pipe, a device). For progress only.
  std::int64_t sizeBytes = 0;
};

// One job per input, in order, writing to `output` when given (one input only) or to the
// default output path. False, with `problem` set, when "-" is given more than once, two inputs
// are the same file, two jobs would write the same file, or a job would overwrite another job's
// input; nothing may be converted then.
bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem);

} // namespace veltrix::cli
