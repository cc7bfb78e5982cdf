#pragma once
// The report of a survey of many logs (--merge): a part reads each log, at the same time as the
// others; once all are read, the page has a summary and a waterfall per log in merge order, the
// spectrum and utilization over all of them, and the access points of their sightings gathered
// in merge order as if the logs were one log.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "convert/survey_output.h"
#include "io/output_file.h"
#include "outputs/report/report_output.h"
#include "outputs/report/report_part.h"

namespace veltrix {

class MergedReport final : public SurveyOutput {
public:
  // `settings.name` names the page of several logs; one log's page takes its own name.
  MergedReport(OutputDestination destination, ReportSettings settings, std::vector<SurveyLog> logs);
  ~MergedReport() override;

  std::vector<OutputDestination> Destinations() const override { return {destination_}; }
  bool Open() override;
  std::unique_ptr<ConversionOutput> Part(std::size_t index) override;
  bool Finish(SpareThread* spare) override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<WrittenFile> Written() const override { return {{destination_.path, {}}}; }

  const std::vector<std::size_t>& Order() const override { return order_; }
  std::uint64_t AccessPoints() const override { return table_.All().size(); }
  std::uint64_t LeftOutByFilters() const override { return left_out_by_filters_; }
  bool LeftOutAtLeast() const override { return left_out_at_least_; }

private:
  bool Gather();

  const OutputDestination destination_;
  ReportSettings settings_;
  const std::vector<SurveyLog> logs_;
  OutputFile out_{','};
  std::vector<std::unique_ptr<report::ReportPart>> parts_;
  AccessPointTable table_;
  std::vector<std::size_t> order_;
  std::uint64_t left_out_by_filters_ = 0;
  bool left_out_at_least_ = false;
  std::string failure_;
};

} // namespace veltrix
