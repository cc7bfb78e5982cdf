#pragma once
// An output over the logs of a survey (--merge): each log is read by a conversion of its own
// into the output's part for it, at the same time as the others and in any order; once all are
// read the output is written, as if the logs were one log taken in merge order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "convert/conversion_output.h"

namespace veltrix {

struct SurveyLog {
  std::string path; // as given: the merge order's tie-break ("-" for standard input)
  std::string name; // its file name, which names it on maps and pages ("standard input")
};

class SurveyOutput {
public:
  virtual ~SurveyOutput() = default;

  virtual std::vector<OutputDestination> Destinations() const = 0;
  // Creates the files. False when one cannot be created.
  virtual bool Open() = 0;
  // The output of log `index`'s conversion; it must not outlive this.
  virtual std::unique_ptr<ConversionOutput> Part(std::size_t index) = 0;
  // Once every part has finished: writes and puts the files in place. False when that fails.
  virtual bool Finish() = 0;
  virtual void Abandon() = 0;
  virtual std::string FailureDetail() const = 0;
  virtual std::vector<WrittenFile> Written() const = 0;
  virtual std::vector<std::string> Warnings() const { return {}; }

  // After Finish: the logs' indexes in merge order, the access points shown, and the access
  // points sighted that the filters left out (at least that many when LeftOutAtLeast).
  virtual const std::vector<std::size_t>& Order() const = 0;
  virtual std::uint64_t AccessPoints() const = 0;
  virtual std::uint64_t LeftOutByFilters() const = 0;
  virtual bool LeftOutAtLeast() const = 0;
};

} // namespace veltrix
