// The maps family's files, written at the end, and their warnings.
#include "outputs/maps/map_files.h"

#include <algorithm>

#include "analysis/map_filters.h"
#include "outputs/maps/ap_table.h"
#include "outputs/maps/gpx.h"
#include "outputs/maps/kml.h"

namespace veltrix::maps {
namespace {

// "1 access point", "2 access points"
std::string Count(std::uint64_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

bool Create(OutputFile& file, const std::optional<OutputDestination>& destination) {
  return !destination || file.Create(*destination);
}

// The MAC a WiGLE row starts with.
std::optional<std::array<std::uint8_t, 6>> RowMac(std::string_view row) {
  return ParseMac(row.substr(0, 17));
}

} // namespace

std::string ScratchBeside(const MapFiles& files) {
  for (const auto* d : {&files.wigle, &files.gpx, &files.kml, &files.accessPoints})
    if (*d) return (*d)->path;
  return ".";
}

MapFileSet::MapFileSet(MapFiles files, char delimiter)
    : files_(std::move(files)), table_file_(delimiter) {}

std::vector<OutputDestination> MapFileSet::Destinations() const {
  std::vector<OutputDestination> all;
  for (const auto* d : {&files_.kml, &files_.gpx, &files_.wigle, &files_.accessPoints})
    if (*d) all.push_back(**d);
  return all;
}

std::vector<OutputFile*> MapFileSet::Asked() {
  std::vector<OutputFile*> asked;
  if (files_.kml) asked.push_back(&kml_);
  if (files_.gpx) asked.push_back(&gpx_);
  if (files_.wigle) asked.push_back(&wigle_);
  if (files_.accessPoints) asked.push_back(&table_file_);
  return asked;
}

bool MapFileSet::Open() {
  read_failure_.clear();
  rows_failure_.clear();
  return Create(kml_, files_.kml) && Create(gpx_, files_.gpx) && Create(wigle_, files_.wigle) &&
         Create(table_file_, files_.accessPoints);
}

void MapFileSet::Write(const AccessPointTable& table, const MapSettings& settings,
                       std::span<const TrackPiece> tracks) {
  if (files_.kml) WriteKml(kml_, table, settings.name);
  if (files_.gpx) {
    WriteGpxHead(gpx_, settings.name, settings.program);
    WriteGpxWaypoints(gpx_, table);
    for (const TrackPiece& track : tracks) {
      if (track.count == 0) continue;
      WriteGpxTrackStart(gpx_, track.name);
      Copy(*track.points, gpx_, read_failure_);
      WriteGpxTrackEnd(gpx_);
    }
    WriteGpxTail(gpx_);
  }
  if (files_.accessPoints) WriteAccessPointTable(table_file_, table);
}

void MapFileSet::CopyRows(const AccessPointTable& table, const SpooledRows& rows) {
  if (!files_.wigle) return;
  for (ScratchFile* spool : rows.spools) CopyRows(table, *spool, rows.ofTableOnly);
}

void MapFileSet::Copy(ScratchFile& spool, OutputFile& out, std::string& failure) {
  const std::int64_t size = spool.Size();
  if (size < 0) {
    if (failure.empty()) failure = spool.FailureDetail();
    return;
  }
  out.TextFrom(spool.Descriptor(), 0, size);
}

void MapFileSet::CopyRows(const AccessPointTable& table, ScratchFile& spool, bool ofTableOnly) {
  if (!ofTableOnly) {
    Copy(spool, wigle_, rows_failure_);
    return;
  }
  ScratchReader reader(spool);
  for (std::string_view row = reader.Line(); !row.empty(); row = reader.Line()) {
    const std::optional<std::array<std::uint8_t, 6>> mac = RowMac(row);
    if (mac && table.Contains(*mac)) wigle_.Text(row);
  }
  if (reader.Failed() && rows_failure_.empty()) rows_failure_ = spool.FailureDetail();
}

bool MapFileSet::Failed() const {
  return wigle_.Failed();
}

bool MapFileSet::Finish() {
  const std::vector<OutputFile*> asked = Asked();
  // A file whose writing has already failed keeps the others out too, not only those after it.
  bool ok = read_failure_.empty() && rows_failure_.empty() &&
            std::none_of(asked.begin(), asked.end(), [](OutputFile* f) { return f->Failed(); });
  for (OutputFile* file : asked) {
    if (ok && !file->Close()) ok = false;
  }
  if (!ok) Abandon();
  return ok;
}

void MapFileSet::Abandon() {
  for (OutputFile* file : Asked()) file->Abandon();
}

std::string MapFileSet::FailureDetail() const {
  if (!read_failure_.empty()) return read_failure_;
  if (!rows_failure_.empty()) return rows_failure_;
  for (const OutputFile* file : {&kml_, &gpx_, &wigle_, &table_file_}) {
    if (std::string detail = file->FailureDetail(); !detail.empty()) return detail;
  }
  return {};
}

std::vector<WrittenFile> MapFileSet::Written() const {
  std::vector<WrittenFile> written;
  for (const OutputDestination& destination : Destinations())
    written.push_back({destination.path, {}});
  return written;
}

std::vector<std::string> MapWarnings(const MapFiles& files, const AccessPointTable& table,
                                     bool accessPointFilters, std::uint64_t trackLeftOut) {
  std::vector<std::string> warnings;
  const std::uint64_t unplaced = table.WithoutPosition();
  if ((files.kml || files.gpx) && unplaced != 0) {
    warnings.push_back(std::to_string(unplaced) + " of " +
                       Count(table.All().size(), "access point") +
                       (unplaced == 1 ? " has" : " have") + " no GPS position and " +
                       (unplaced == 1 ? "is" : "are") + " not on the map.");
  }
  if (table.LeftOut() != 0) {
    warnings.push_back(
        (table.LeftOutAtLeast() ? "More than " : "") + Count(table.LeftOut(), "access point") +
        " beyond the first " + std::to_string(table.Capacity()) +
        " left out of the access-point list" +
        (files.wigle && !accessPointFilters ? " (their sightings are in the WiGLE file)." : "."));
  }
  if (trackLeftOut != 0) {
    warnings.push_back(Count(trackLeftOut, "GPS position") + " beyond the first " +
                       std::to_string(GpsTrack::kMaxPoints) + " left out of the GPX track.");
  }
  return warnings;
}

} // namespace veltrix::maps
