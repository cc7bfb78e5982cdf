#include "cli/job_plan.h"

#include <filesystem>
#include <system_error>
#include <unordered_map>

#include <sys/stat.h>

namespace veltrix::cli {

namespace fs = std::filesystem;

std::string DefaultOutputPath(std::string_view input) {
  const std::size_t slash = input.find_last_of('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t cut = std::min<std::size_t>(3, input.size() - nameStart);
  std::string output(input.substr(0, input.size() - cut));
  output += ".out";
  return output;
}

namespace {

// The same text for two spellings of one file ("a.out", "./a.out", "/cwd/a.out", through
// symbolic links to folders), as far as the file system can tell.
std::string PathKey(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) return fs::path(path).lexically_normal().string();
  fs::path canonical = fs::weakly_canonical(absolute, ec);
  if (ec) return absolute.lexically_normal().string();
  return canonical.string();
}

// One text per file: an existing file by its device and inode (hard and symbolic links
// included), any other path by its spelling made absolute.
std::string FileKey(const std::string& path) {
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
    return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  }
  return "path " + PathKey(path);
}

} // namespace

bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem) {
  jobs.clear();
  problem.clear();
  std::unordered_map<std::string, std::size_t> inputByKey;
  std::unordered_map<std::string, std::size_t> outputByKey;
  for (const std::string& input : inputs) {
    Job job{input, output.empty() ? DefaultOutputPath(input) : output, 0};
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(input, ec);
    if (!ec) job.sizeBytes = static_cast<std::int64_t>(size);
    // Each conversion opens its log exclusively: the same log twice would fail at random.
    const auto [it, fresh] = inputByKey.emplace(FileKey(input), jobs.size());
    if (!fresh) {
      problem = jobs[it->second].input + " and " + input + " are the same file";
      return false;
    }
    jobs.push_back(std::move(job));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const std::string key = FileKey(jobs[i].output);
    const auto [it, fresh] = outputByKey.emplace(key, i);
    if (!fresh) {
      const Job& first = jobs[it->second];
      problem =
          first.input + " and " + jobs[i].input + " would both be converted to " + jobs[i].output;
      return false;
    }
    // An output naming its own input is the conversion's own error; another job's input would
    // be destroyed before (or while) it is read.
    const auto input = inputByKey.find(key);
    if (input != inputByKey.end() && input->second != i) {
      problem =
          "converting " + jobs[i].input + " would overwrite the input " + jobs[input->second].input;
      return false;
    }
  }
  return true;
}

} // namespace veltrix::cli
