// The maps and tables family as one output: one decoder, one access-point table, up to four files.
#include "outputs/maps/map_output.h"

#include "outputs/maps/ap_table.h"
#include "outputs/maps/kml.h"
#include "outputs/maps/wigle.h"

namespace veltrix {
namespace {

// "1 access point", "2 access points"
std::string Count(std::uint64_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

bool Create(OutputFile& file, const std::optional<OutputDestination>& destination) {
  return !destination || file.Create(*destination);
}

} // namespace

MapOutput::MapOutput(MapFiles files, MapSettings settings, std::size_t capacity)
    : files_(std::move(files)), settings_(std::move(settings)), capacity_(capacity),
      table_(capacity), table_file_(settings_.delimiter) {}

std::vector<OutputDestination> MapOutput::Destinations() const {
  std::vector<OutputDestination> all;
  for (const auto* d : {&files_.kml, &files_.gpx, &files_.wigle, &files_.accessPoints})
    if (*d) all.push_back(**d);
  return all;
}

std::vector<OutputFile*> MapOutput::Files() {
  std::vector<OutputFile*> open;
  if (files_.kml) open.push_back(&kml_);
  if (files_.gpx) open.push_back(&gpx_);
  if (files_.wigle) open.push_back(&wigle_);
  if (files_.accessPoints) open.push_back(&table_file_);
  return open;
}

bool MapOutput::Open(LogVariant variant) {
  // Surveys, and single-channel captures for the beacons among them, whatever the text shows.
  RecordGroups groups;
  groups.survey = groups.single = true;
  decoder_.emplace(variant, groups);
  decoder_->sightings = this;
  table_ = AccessPointTable(capacity_);
  track_ = maps::GpsTrack();
  if (!Create(kml_, files_.kml) || !Create(gpx_, files_.gpx) || !Create(wigle_, files_.wigle) ||
      !Create(table_file_, files_.accessPoints)) {
    return false;
  }
  if (files_.wigle) maps::WriteWigleHeader(wigle_, variant, settings_.program);
  return true;
}

void MapOutput::Take(const Frame& frame) {
  frame_ = &frame;
  const std::uint64_t fixes = decoder_->gps.Fixes;
  decoder_->Decode(frame);
  frame_ = nullptr;
  if (!files_.gpx || decoder_->gps.Fixes == fixes) return;
  if (const std::optional<GpsPosition> at = PositionOf(decoder_->gps)) track_.Add(*at);
}

void MapOutput::AccessPointSighted(const StationNode& node) {
  const Sighting s = SightingOf(node, frame_->Rtc, decoder_->gps);
  table_.Add(s);
  if (files_.wigle && s.position) maps::WriteWigleRow(wigle_, s);
}

bool MapOutput::Failed() const {
  return wigle_.Failed();
}

bool MapOutput::Finish() {
  if (files_.kml) maps::WriteKml(kml_, table_, settings_.name);
  if (files_.gpx) maps::WriteGpx(gpx_, table_, track_, settings_.name, settings_.program);
  if (files_.accessPoints) maps::WriteAccessPointTable(table_file_, table_);
  bool ok = true;
  for (OutputFile* file : Files()) {
    if (ok && !file->Close()) ok = false;
  }
  if (!ok) Abandon();
  return ok;
}

void MapOutput::Abandon() {
  for (OutputFile* file : Files()) file->Abandon();
}

std::string MapOutput::FailureDetail() const {
  for (const OutputFile* file : {&kml_, &gpx_, &wigle_, &table_file_}) {
    if (std::string detail = file->FailureDetail(); !detail.empty()) return detail;
  }
  return {};
}

std::vector<WrittenFile> MapOutput::Written() const {
  std::vector<WrittenFile> written;
  for (const OutputDestination& destination : Destinations())
    written.push_back({destination.path, {}});
  return written;
}

std::vector<std::string> MapOutput::Warnings() const {
  std::vector<std::string> warnings;
  const std::uint64_t unplaced = table_.WithoutPosition();
  if ((files_.kml || files_.gpx) && unplaced != 0) {
    warnings.push_back(std::to_string(unplaced) + " of " +
                       Count(table_.All().size(), "access point") +
                       (unplaced == 1 ? " has" : " have") + " no GPS position and " +
                       (unplaced == 1 ? "is" : "are") + " not on the map.");
  }
  if (table_.LeftOut() != 0) {
    warnings.push_back((table_.LeftOutAtLeast() ? "More than " : "") +
                       Count(table_.LeftOut(), "access point") + " beyond the first " +
                       std::to_string(table_.Capacity()) + " left out of the access-point list" +
                       (files_.wigle ? " (their sightings are in the WiGLE file)." : "."));
  }
  if (track_.LeftOut() != 0) {
    warnings.push_back(Count(track_.LeftOut(), "GPS position") + " beyond the first " +
                       std::to_string(maps::GpsTrack::kMaxPoints) + " left out of the GPX track.");
  }
  return warnings;
}

} // namespace veltrix
