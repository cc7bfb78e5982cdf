#pragma once
// From the inputs on the command line to the list of conversions to run.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_options.h"

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

// NAME, which the files beside an output are named after: the output path without its ".out"
// ending; the default output path of the input when the output is standard output. Empty when
// there is no name to take (standard input to standard output).
std::string OutputStem(const std::string& input, const std::string& output);

// The delimited text of one record group (--split).
struct GroupFile {
  std::size_t group; // in the order of RecordGroupNames
  std::string path;
};

struct Job {
  std::string input;            // a path, or "-"
  std::string output;           // the delimited text: a path, or "-"; empty when none is asked for
  std::vector<GroupFile> split; // one text per record group instead (--split)
  std::string picture;          // the waterfall picture's path; empty when none is asked for
  // The map and table files; each empty when not asked for.
  std::string kml, gpx, wigle, accessPoints;
  // The input's size when planned: 0 when it does not exist, -1 when it has no size beforehand
  // (a pipe, a device). For progress only.
  std::int64_t sizeBytes = 0;

  // Every file the job writes, in the order they are reported.
  std::vector<const std::string*> Files() const;
};

// What each job writes.
struct Products {
  bool text = true; // the delimited text
  // Instead of one text, one per ticked record group, by index (false: none).
  std::array<bool, ConversionOptions::kRecordGroups> split{};
  bool picture = false; // the waterfall picture
  bool kml = false, gpx = false, wigle = false, accessPoints = false;
  bool Split() const;
  bool AnyMapOrTable() const { return kml || gpx || wigle || accessPoints; }
};

// One job per input, in order, writing to `output` when given (one input only) or to the
// default output path, and the other products beside it (NAME.suffix). False, with `problem` set,
// when "-" is given more than once, two inputs are the same file, two jobs would write the same
// file, a job would overwrite another job's input, or a file beside the output has no NAME;
// nothing may be converted then.
bool PlanJobs(const std::vector<std::string>& inputs, const std::string& output,
              std::vector<Job>& jobs, std::string& problem, Products products = {});

} // namespace veltrix::cli
