// The report of a survey.
#include "outputs/report/merged_report.h"

#include "analysis/survey_merge.h"
#include "outputs/report/report_page.h"
#include "plot/density.h"

namespace veltrix {

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
  return std::make_unique<SurveyPartOutput<report::ReportPart>>(*parts_[index]);
}

// The sightings of every log in merge order into the one table, the filters' verdicts counted.
bool MergedReport::Gather() {
  std::vector<MergeKey> keys;
  std::vector<ScratchFile*> sightings;
  for (std::size_t i = 0; i < logs_.size(); ++i) {
    keys.push_back({parts_[i]->FirstRecord(), logs_[i].path});
    sightings.push_back(&parts_[i]->Sightings());
  }
  const GatheredSurvey gathered = GatherScratchSightings(
      keys, sightings, settings_.filters.accessPoints, table_, order_, failure_);
  left_out_by_filters_ = gathered.leftOutByFilters;
  left_out_at_least_ = gathered.leftOutAtLeast;
  return failure_.empty();
}

bool MergedReport::Finish(SpareThread* /*spare*/) {
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
