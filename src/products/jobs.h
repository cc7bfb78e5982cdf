#pragma once
// From the logs a front end is given to the list of conversions to run: the names of their
// files, and the collisions refused before anything is written.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decode/decoders.h"
#include "products/catalogue.h"

namespace veltrix {

// "-" as INPUT is standard input, and as the output standard output.
inline constexpr std::string_view kStandardStream = "-";
inline bool IsStandardStream(std::string_view path) {
  return path == kStandardStream;
}
// The name a path goes by in messages: "standard input" or "standard output" for "-".
std::string InputName(const std::string& input);
std::string OutputName(const std::string& output);
// The file name of an input, as the maps and pictures name it: "log.qx" for "data/log.qx",
// "standard input" for "-".
std::string FileNameOf(const std::string& input);

// The output path of an input: a trailing ".qx" (any case) becomes ".out"; any other name gets
// ".out" added ("log.QX" -> "log.out", "mylog" -> "mylog.out", "a.qx.bak" -> "a.qx.bak.out").
// Standard input goes to standard output.
std::string DefaultOutputPath(std::string_view input);

// NAME, which the files beside an output are named after: the output path without its ".out"
// ending; the default output path of the input when the output is standard output. Empty when
// there is no name to take (standard input to standard output).
std::string OutputStem(const std::string& input, const std::string& output);

// One file a job writes.
struct PlannedFile {
  ProductId product;
  std::string path;                              // a path, or "-" for standard output
  RecordGroup group = RecordGroup::FullSpectrum; // of a --split file
};

struct Job {
  std::string input;              // a path, or "-"
  std::vector<PlannedFile> files; // in catalogue order
  // The input's size when planned: 0 when it does not exist, -1 when it has no size beforehand
  // (a pipe, a device). For progress only.
  std::int64_t sizeBytes = 0;

  // The path of the job's (first) file of `product`; empty when it writes none.
  std::string PathOf(ProductId product) const;
};

// One job per input, in order, writing `products`: the text to `output` when given (one input
// only) or to the default output path, the other products beside it (NAME.suffix; --split one
// file for each of `groups`). With a `folder`, the default output paths are there instead of
// beside each input. False, with `problem` set, when "-" is given more than once, two inputs are
// the same file, two jobs would write the same file, a job would overwrite another job's input,
// or a file beside the output has no NAME; nothing may be converted then.
bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem,
              const ProductSet& products = {ProductId::Text}, const RecordGroups& groups = {},
              const std::string& folder = {});

// A survey merged into one set of maps and tables: a job per input that writes nothing of its own,
// and the merged files, named after the output path (NAME.kml...).
struct MergePlan {
  std::vector<Job> logs;
  std::vector<PlannedFile> files;
  std::string name; // NAME
};

// Plans the merge of `inputs` into the `products` of the maps and tables. False, with `problem`
// set, when "-" is given more than once, two inputs are the same file, or a merged file would
// overwrite an input.
bool PlanMerge(const std::vector<std::string>& inputs, const std::string& output,
               const ProductSet& products, MergePlan& plan, std::string& problem);

} // namespace veltrix
