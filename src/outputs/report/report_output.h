#pragma once
// The report family: a self-contained web page per log (NAME.report.html), or one for a survey of
// many logs (merged_report.h). One pass over a log (report_part.h) gathers what the page
// shows; the page (report_page.h) is written at the end.

#include <string>
#include <utility>
#include <vector>

#include "analysis/map_filters.h"
#include "convert/conversion_output.h"
#include "io/output_file.h"
#include "outputs/report/report_part.h"
#include "plot/waterfall.h"

namespace veltrix {

struct ReportSettings {
  std::string name;          // the log's file name, or a survey's NAME
  WaterfallSettings picture; // the colour window of the pictures
  double busyDb = -80.0;     // a channel is busy at or above it
  MapFilters filters;        // of the access points
  std::string program = "Veltrix " VELTRIX_VERSION;
};

// The options a report tells of, each a name and its value.
std::vector<std::pair<std::string, std::string>> DescribeReport(const ReportSettings& settings);

class ReportOutput final : public ConversionOutput {
public:
  ReportOutput(OutputDestination destination, ReportSettings settings);

  std::vector<OutputDestination> Destinations() const override { return {destination_}; }
  bool Open(LogVariant variant) override;
  std::optional<RecordGroups> DecodedGroups() const override { return part_.DecodedGroups(); }
  void UseDecoder(RecordDecoder& decoder) override { part_.UseDecoder(decoder); }
  void Take(const Frame& frame) override { part_.Take(frame); }
  void LogEnded(const LogEnd& end) override { part_.LogEnded(end); }
  bool Failed() const override { return out_.Failed() || part_.Failed(); }
  bool Finish() override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<WrittenFile> Written() const override { return {{destination_.path, {}}}; }

private:
  const OutputDestination destination_;
  const ReportSettings settings_;
  OutputFile out_{','};
  report::ReportPart part_;
  std::string failure_;
};

} // namespace veltrix
