#include "products/jobs.h"

#include "products/catalogue.h"
#include "products/output_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include <sys/stat.h>
#include <unistd.h>

namespace veltrix {

namespace fs = std::filesystem;

std::string InputName(const std::string& input) {
  return IsStandardStream(input) ? "standard input" : input;
}

std::string OutputName(const std::string& output) {
  return IsStandardStream(output) ? "standard output" : output;
}

std::string FileNameOf(const std::string& input) {
  const std::string name = InputName(input);
  return name.substr(name.find_last_of('/') + 1);
}

std::string DefaultOutputPath(std::string_view input) {
  if (IsStandardStream(input)) return std::string(kStandardStream);
  return OutputNameQxReplaced(input);
}

std::string OutputStem(const std::string& input, const std::string& output) {
  std::string name =
      !output.empty() && !IsStandardStream(output) ? output : DefaultOutputPath(input);
  if (IsStandardStream(name)) return {};
  return std::string(OutputStemOf(name));
}

std::string Job::PathOf(ProductId product) const {
  for (const PlannedFile& file : files)
    if (file.product == product) return file.path;
  return {};
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

std::string KeyOfStat(const struct stat& st) {
  return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

// One text per file: an existing file by its device and inode (hard and symbolic links
// included), any other path by its spelling made absolute; "-" by the file behind the
// descriptor when it is a regular file.
std::string FileKey(const std::string& path, int standardDescriptor) {
  struct stat st {};
  if (IsStandardStream(path)) {
    if (::fstat(standardDescriptor, &st) == 0 && S_ISREG(st.st_mode)) return KeyOfStat(st);
    return "standard stream " + std::to_string(standardDescriptor);
  }
  if (!path.empty() && ::stat(path.c_str(), &st) == 0) return KeyOfStat(st);
  return "path " + PathKey(path);
}

// For progress: the size of a regular file, 0 for a file that is not there, -1 when the size
// is known only at the end.
std::int64_t PlannedSize(const std::string& input) {
  struct stat st {};
  const int found =
      IsStandardStream(input) ? ::fstat(STDIN_FILENO, &st) : ::stat(input.c_str(), &st);
  if (found != 0) return 0;
  return S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : -1;
}

// Plans `job` for `input` unless it is an input already planned (the same file); `keys` holds the
// planned inputs' file keys.
bool AddInput(const std::string& input, Job job, std::vector<Job>& jobs,
              std::unordered_map<std::string, std::size_t>& keys, std::string& problem) {
  // Each conversion opens its log exclusively: the same log twice would fail at random.
  const auto [it, fresh] = keys.emplace(FileKey(input, STDIN_FILENO), jobs.size());
  if (!fresh) {
    problem = InputName(jobs[it->second].input) + " and " + InputName(input) + " are the same file";
    return false;
  }
  job.input = input;
  job.sizeBytes = PlannedSize(input);
  jobs.push_back(std::move(job));
  return true;
}

bool OneStandardInput(const std::vector<std::string>& inputs, std::string& problem) {
  if (std::count_if(inputs.begin(), inputs.end(), IsStandardStream) <= 1) return true;
  problem = "standard input (-) can be given only once";
  return false;
}

} // namespace

bool PlanMerge(const std::vector<std::string>& inputs, const std::string& output,
               const ProductSet& products, MergePlan& plan, std::string& problem) {
  problem.clear();
  plan = MergePlan{};
  std::unordered_map<std::string, std::size_t> inputByKey;
  if (!OneStandardInput(inputs, problem)) return false;
  // Each log still goes into the file the front end names (the database), beside the survey.
  Job each;
  for (const Product& product : Catalogue())
    if (products.Has(product.id) && product.place == FilePlace::Given)
      each.files.push_back({product.id, {}});
  for (const std::string& input : inputs)
    if (!AddInput(input, each, plan.logs, inputByKey, problem)) return false;
  plan.name = std::string(OutputStemOf(output));
  for (const Product& product : Catalogue()) {
    if (!products.Has(product.id) || product.place == FilePlace::Given) continue;
    PlannedFile& file =
        plan.files.emplace_back(PlannedFile{product.id, FileBeside(plan.name, product)});
    const auto input = inputByKey.find(FileKey(file.path, STDOUT_FILENO));
    if (input != inputByKey.end()) {
      problem = "the merged " + std::string(product.noun) + " " + file.path +
                " would overwrite the input " + InputName(plan.logs[input->second].input);
      return false;
    }
  }
  return true;
}

bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem, const ProductSet& products,
              const RecordGroups& groups, const std::string& folder) {
  jobs.clear();
  problem.clear();
  std::unordered_map<std::string, std::size_t> inputByKey;
  std::unordered_map<std::string, std::size_t> outputByKey;
  if (!OneStandardInput(inputs, problem)) return false;
  for (const std::string& input : inputs) {
    Job job;
    std::string path = output.empty() ? DefaultOutputPath(input) : output;
    if (!folder.empty() && output.empty() && !IsStandardStream(path))
      path = (fs::path(folder) / fs::path(path).filename()).string();
    const std::string stem = OutputStem(input, path);
    for (const Product& product : Catalogue()) {
      if (!products.Has(product.id)) continue;
      if (product.place == FilePlace::Output) {
        job.files.push_back({product.id, path});
        continue;
      }
      // The front end names the one file every log goes into.
      if (product.place == FilePlace::Given) {
        job.files.push_back({product.id, {}});
        continue;
      }
      // The first product asked for that needs NAME names the problem when there is none.
      if (stem.empty()) {
        problem = std::string(product.flag) + " needs -o FILE to name the " +
                  std::string(product.noun) + " of standard input";
        return false;
      }
      if (product.place == FilePlace::Beside) {
        job.files.push_back({product.id, FileBeside(stem, product)});
        continue;
      }
      for (const RecordGroup group : kRecordGroups) {
        if (groups.Has(group))
          job.files.push_back({product.id, FileBeside(stem, product, group), group});
      }
    }
    if (!AddInput(input, std::move(job), jobs, inputByKey, problem)) return false;
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    for (const PlannedFile& file : jobs[i].files) {
      if (file.path.empty()) continue; // the file the front end names, shared
      const std::string key = FileKey(file.path, STDOUT_FILENO);
      const auto [it, fresh] = outputByKey.emplace(key, i);
      if (!fresh) {
        const Job& first = jobs[it->second];
        problem = InputName(first.input) + " and " + InputName(jobs[i].input) +
                  " would both be converted to " + OutputName(file.path);
        return false;
      }
      // An output naming its own input is the conversion's own error; another job's input would
      // be destroyed before (or while) it is read.
      const auto input = inputByKey.find(key);
      if (input != inputByKey.end() && input->second != i) {
        problem = "converting " + InputName(jobs[i].input) + " would overwrite the input " +
                  InputName(jobs[input->second].input);
        return false;
      }
    }
  }
  return true;
}

} // namespace veltrix
