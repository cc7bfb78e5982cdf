// The report of one log.
#include "outputs/report/report_output.h"

#include <cstdio>

#include "outputs/report/report_page.h"
#include "plot/density.h"

namespace veltrix {
namespace {

std::string Db(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g dBm", value);
  return text;
}

} // namespace

std::vector<std::pair<std::string, std::string>> DescribeReport(const ReportSettings& settings) {
  std::vector<std::pair<std::string, std::string>> described = {
      {"Colour window", Db(settings.picture.dbMin) + " to " + Db(settings.picture.dbMax)},
      {"Busy at or above", Db(settings.busyDb)}};
  for (auto& filter : DescribeFilters(settings.filters)) described.push_back(std::move(filter));
  return described;
}

ReportOutput::ReportOutput(OutputDestination destination, ReportSettings settings)
    : destination_(std::move(destination)), settings_(std::move(settings)),
      part_({[&] {
               WaterfallSettings picture = settings_.picture;
               picture.name = settings_.name;
               return picture;
             }(),
             settings_.busyDb, settings_.filters.sightings, false,
             AccessPointTable::kDefaultCapacity},
            destination_.path) {}

bool ReportOutput::Open(LogVariant variant) {
  return out_.Create(destination_) && part_.Open(variant);
}

bool ReportOutput::Finish() {
  // The density picture is drawn while the part draws the waterfall.
  report::PageContent page;
  std::string densityFailure;
  const auto drawDensity = [&] {
    if (part_.Spectrum().Sweeps() != 0 &&
        !DrawDensity(part_.Spectrum(), settings_.name + "  \xE2\x80\x94  level density",
                     page.densityPng, densityFailure))
      densityFailure = destination_.path + ": the density picture: " + densityFailure;
  };
  if (!part_.Finish(drawDensity)) {
    Abandon();
    return false;
  }
  if (!densityFailure.empty()) {
    failure_ = densityFailure;
    Abandon();
    return false;
  }
  AccessPointTable& table = part_.Table();
  const AccessPointFilter& filter = settings_.filters.accessPoints;
  if (filter.Active()) table.KeepOnly([&](const AccessPoint& ap) { return filter.Keeps(ap); });
  page.title = settings_.name;
  page.program = settings_.program;
  page.logs = {{settings_.name, &part_.Summary(), &part_.WaterfallPng()}};
  page.settings = DescribeReport(settings_);
  page.spectrum = &part_.Spectrum();
  page.utilization = &part_.Utilization();
  page.table = &table;
  page.sightings = part_.Sighted() != 0;
  page.tracks = {{settings_.name, &part_.Trail().Points()}};
  report::WritePage(out_, page);
  return out_.Close();
}

void ReportOutput::Abandon() {
  out_.Abandon();
  part_.Abandon();
}

std::string ReportOutput::FailureDetail() const {
  if (!failure_.empty()) return failure_;
  if (std::string detail = out_.FailureDetail(); !detail.empty()) return detail;
  return part_.FailureDetail();
}

} // namespace veltrix
