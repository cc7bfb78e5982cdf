// The maps and tables of one log.
#include "outputs/maps/map_output.h"

#include "outputs/maps/wigle.h"

namespace veltrix {

MapOutput::MapOutput(MapFiles files, MapSettings settings, MapFilters filters, std::size_t capacity)
    : settings_(std::move(settings)), filters_(std::move(filters)),
      files_(files, settings_.delimiter), part_({filters_.sightings, false, files.wigle.has_value(),
                                                 files.gpx.has_value(), capacity, settings_.spare},
                                                maps::ScratchBeside(files)) {}

bool MapOutput::Open(LogVariant variant) {
  if (!files_.Open()) return false;
  if (files_.Files().wigle)
    maps::WriteWigleHeader(files_.Wigle(), variant == LogVariant::B, variant == LogVariant::G,
                           settings_.program);
  // Every row is written as it comes, unless the access-point filters decide at the end.
  const bool spoolRows = filters_.accessPoints.Active();
  return part_.Open(variant, spoolRows ? nullptr : &files_.Wigle());
}

bool MapOutput::Finish() {
  if (!part_.Finish()) {
    Abandon();
    return false;
  }
  AccessPointTable& table = part_.Table();
  if (filters_.accessPoints.Active())
    table.KeepOnly([&](const AccessPoint& ap) { return filters_.accessPoints.Keeps(ap); });
  const maps::TrackPiece track{settings_.name, &part_.TrackPoints(), part_.Track().Points()};
  if (filters_.accessPoints.Active()) files_.CopyRows(table, {{&part_.Rows()}, true});
  files_.Write(table, settings_, {&track, 1});
  return files_.Finish();
}

void MapOutput::Abandon() {
  part_.Abandon(); // first: it stops the work aside, which may be writing the WiGLE rows
  files_.Abandon();
}

std::string MapOutput::FailureDetail() const {
  std::string detail = files_.FailureDetail();
  return detail.empty() ? part_.FailureDetail() : detail;
}

std::vector<std::string> MapOutput::Warnings() const {
  return maps::MapWarnings(files_.Files(), part_.Table(), filters_.accessPoints.Active(),
                           part_.Track().LeftOut());
}

} // namespace veltrix
