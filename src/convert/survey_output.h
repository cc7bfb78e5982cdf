#pragma once
// An output over the logs of a survey (--merge): each log is read by a conversion of its own
// into the output's part for it, at the same time as the others and in any order; once all are
// read the output is written, as if the logs were one log taken in merge order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "analysis/map_filters.h"
#include "analysis/survey_merge.h"
#include "convert/conversion_output.h"
#include "io/scratch_file.h"
#include "io/spare_thread.h"

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
  // `spare`, when -j leaves the run a second thread, takes work that can go beside the rest.
  virtual bool Finish(SpareThread* spare) = 0;
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

// The conversion output of one log of a survey: the survey's part for it, which outlives it.
// `Part` has a conversion output's calls but Destinations and Written (LogEnded if it wants it).
template <class Part> class SurveyPartOutput final : public ConversionOutput {
public:
  explicit SurveyPartOutput(Part& part) : part_(part) {}
  std::vector<OutputDestination> Destinations() const override { return {}; }
  bool Open(LogVariant variant) override { return part_.Open(variant); }
  std::optional<RecordGroups> DecodedGroups() const override {
    if constexpr (requires { part_.DecodedGroups(); }) return part_.DecodedGroups();
    return std::nullopt;
  }
  void UseDecoder(RecordDecoder& decoder) override {
    if constexpr (requires { part_.UseDecoder(decoder); }) part_.UseDecoder(decoder);
  }
  void Take(const Frame& frame) override { part_.Take(frame); }
  void LogEnded(const LogEnd& end) override {
    if constexpr (requires { part_.LogEnded(end); }) part_.LogEnded(end);
  }
  bool Failed() const override { return part_.Failed(); }
  bool Finish() override { return part_.Finish(); }
  void Abandon() override { part_.Abandon(); }
  std::string FailureDetail() const override { return part_.FailureDetail(); }
  std::vector<WrittenFile> Written() const override { return {}; }

private:
  Part& part_;
};

// The logs of a survey put in merge order (`keys`, one per log, as MergeOrder takes them; the
// order goes to `order`), and the sightings that their parts wrote to their scratch files
// (`sightings`, one per log) gathered into `table` through `filter`, as if the logs were one log.
// The first read failure goes to `failure`.
GatheredSurvey GatherScratchSightings(const std::vector<MergeKey>& keys,
                                      const std::vector<ScratchFile*>& sightings,
                                      const AccessPointFilter& filter, AccessPointTable& table,
                                      std::vector<std::size_t>& order, std::string& failure);

} // namespace veltrix
