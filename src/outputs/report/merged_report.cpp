// The report of a survey.
#include "outputs/report/merged_report.h"

#include "analysis/survey_merge.h"
#include "outputs/report/report_page.h"
#include "plot/density.h"

namespace veltrix {
namespace {

// The conversion output of one log: its part, which the survey keeps.
class PartOutput final : public ConversionOutput {
public:
  explicit PartOutput(report::ReportPart& part) : part_(part) {}
  std::vector<OutputDestination> Destinations() const override { return {}; }
  bool Open(LogVariant variant) override { return part_.Open(variant); }
  void Take(const Frame& frame) override { part_.Take(frame); }
  void LogEnded(const LogEnd& end) override { part_.LogEnded(end); }
  bool Failed() const override { return part_.Failed(); }
  bool Finish() override { return part_.Finish(); }
  void Abandon() override { part_.Abandon(); }
  std::string FailureDetail() const override { return part_.FailureDetail(); }
  std::vector<WrittenFile> Written() const override { return {}; }

private:
  report::ReportPart& part_;
};

} // namespace

MergedReport::MergedReport(OutputDestination destination, ReportSettings settings,
                           std::vector<SurveyLog> logs)
    : destination_(std::move(destination)), settings_(std::move(settings)), logs_(std::move(logs)) {
  if (logs_.size() == 1) settings_.name = logs_.front().name;
  for (const SurveyLog& log : logs_) {
    WaterfallSettings picture = settings_.picture;
    picture.name = log.name;
    parts_.push_back(std::make_unique<report::ReportPart>(
        report::PartSettings{picture, settings_.busyDb, settings_.filters.sightings, true,
                             AccessPointTable::kDefaultCapacity},
        destination_.path));
  }
}

MergedReport::~MergedReport() = default;

bool MergedReport::Open() {
  return out_.Create(destination_);
}

std::unique_ptr<ConversionOutput> MergedReport::Part(std::size_t index) {
  return std::make_unique<PartOutput>(*parts_[index]);
}

// The sightings of every log in merge order into the one table, the filters' verdicts counted.
bool MergedReport::Gather() {
  std::vector<MergeKey> keys;
  for (std::size_t i = 0; i < logs_.size(); ++i)
    keys.push_back({parts_[i]->FirstRecord(), logs_[i].path});
  order_ = MergeOrder(keys);
  std::vector<std::unique_ptr<ScratchReader>> readers(parts_.size());
  const auto next = [&](std::size_t log, std::string_view& record) {
    auto& reader = readers[log];
    if (!reader) reader = std::make_unique<ScratchReader>(parts_[log]->Sightings());
    reader->Skip(record.size()); // the record given last
    const std::size_t length = SightingRecordLength(reader->Peek(2));
    record = length == 0 ? std::string_view() : reader->Peek(length);
    if (reader->Failed() && failure_.empty()) failure_ = parts_[log]->Sightings().FailureDetail();
    return length != 0 && record.size() == length;
  };
  const GatheredSurvey gathered =
      GatherSurvey(order_, next, settings_.filters.accessPoints, table_);
  left_out_by_filters_ = gathered.leftOutByFilters;
  left_out_at_least_ = gathered.leftOutAtLeast;
  return failure_.empty();
}

bool MergedReport::Finish() {
  if (!Gather()) {
    Abandon();
    return false;
  }
  const report::PartSettings& first = parts_.front()->Settings();
  SpectrumStats spectrum(first.busyDb, first.picture.dbMin, first.picture.dbMax);
  UtilizationStats utilization;
  report::PageContent page;
  page.title = settings_.name;
  page.program = settings_.program;
  page.settings = DescribeReport(settings_);
  std::uint64_t sighted = 0;
  for (const std::size_t i : order_) {
    const report::ReportPart& part = *parts_[i];
    page.logs.push_back({logs_[i].name, &part.Summary(), &part.WaterfallPng()});
    spectrum.Merge(part.Spectrum());
    utilization.Append(part.Utilization());
    page.tracks.push_back({logs_[i].name, &part.Trail().Points()});
    sighted += part.Sighted();
  }
  page.spectrum = &spectrum;
  if (spectrum.Sweeps() != 0 &&
      !DrawDensity(spectrum, settings_.name + "  \xE2\x80\x94  level density", page.densityPng,
                   failure_)) {
    failure_ = destination_.path + ": the density picture: " + failure_;
    Abandon();
    return false;
  }
  page.utilization = &utilization;
  page.table = &table_;
  page.sightings = sighted != 0;
  report::WritePage(out_, page);
  return out_.Close();
}

void MergedReport::Abandon() {
  out_.Abandon();
  for (const auto& part : parts_) part->Abandon();
}

std::string MergedReport::FailureDetail() const {
  if (!failure_.empty()) return failure_;
  return out_.FailureDetail();
}

} // namespace veltrix
