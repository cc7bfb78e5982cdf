#pragma once
// From the inputs on the command line to the list of conversions to run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrix::cli {

// The output path of an input: the input with its last three characters removed, then ".out"
// ("log.qx" -> "log.out", "log.qxyz" -> "log.q.out"). The cut never reaches into the folder: a
// file name of fewer than three characters is removed whole ("dir/ab" -> "dir/.out").
std::string DefaultOutputPath(std::string_view input);

struct Job {
  std::string input;
  std::string output;
  std::int64_t sizeBytes = 0; // the input's size when planned, 0 when unknown; for progress only
};

// One job per input, in order, writing to `output` when given (one input only) or to the
// default output path. False, with `problem` set, when two inputs are the same file, two jobs
// would write the same file, or a job would overwrite another job's input; nothing may be
// converted then.
bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem);

} // namespace veltrix::cli
