// One log's pass for the maps and tables.
#include "outputs/maps/map_part.h"

#include "outputs/maps/wigle.h"

namespace veltrix::maps {
namespace {

// A scratch file, and an OutputFile writing to it.
bool CreateScratch(ScratchFile& file, OutputFile& out, const std::string& beside) {
  return file.Create(beside) && out.Create(OutputDestination{file.Name(), file.Descriptor()});
}

} // namespace

MapPart::MapPart(Settings settings, std::string scratchBeside)
    : settings_(std::move(settings)), scratch_beside_(std::move(scratchBeside)),
      table_(settings_.capacity) {}

bool MapPart::Open(LogVariant variant, OutputFile* rows) {
  variant_ = variant;
  clock_ = FirstRecordClock();
  table_ = AccessPointTable(settings_.capacity);
  track_ = GpsTrack();
  row_file_ = rows;
  if (settings_.keepSightings && !CreateScratch(sightings_, sightings_out_, scratch_beside_))
    return false;
  if (settings_.rows && rows == nullptr) {
    if (!CreateScratch(rows_, rows_out_, scratch_beside_)) return false;
    row_file_ = &rows_out_;
  }
  if (settings_.track && !CreateScratch(track_points_, track_out_, scratch_beside_)) return false;
  if (settings_.spare) {
    aside_ = std::make_unique<AsideWork<Work>>(*settings_.spare, [this](const Work& work) {
      if (work.fix) return HandleFix(work.at);
      Sighting s = work.sighting;
      s.ssid = work.ssid;
      Handle(s);
    });
  }
  return true;
}

RecordGroups MapPart::DecodedGroups() {
  // Surveys, and single-channel captures for the beacons among them, whatever the text shows.
  RecordGroups groups;
  groups.survey = groups.single = true;
  return groups;
}

void MapPart::UseDecoder(RecordDecoder& decoder) {
  decoder_ = &decoder;
  decoder.AddSightingSink(*this);
}

void MapPart::Take(const Frame& frame) {
  clock_.Take(frame);
  if (!settings_.track || !decoder_->newFix) return;
  // The fixes whose GPS record lies in the time window, each distinct place once.
  if (!settings_.filter.InWindow(frame.Rtc)) return;
  const std::optional<GpsPosition> at = PositionOf(decoder_->gps);
  if (!at) return;
  if (!aside_) return HandleFix(*at);
  Work& work = aside_->Next();
  work.fix = true;
  work.at = *at;
  aside_->Push();
}

void MapPart::HandleFix(const GpsPosition& at) {
  if (track_.Add(at)) WriteGpxTrackPoint(track_out_, at);
}

void MapPart::AccessPointSighted(const StationNode& node) {
  const Sighting s = SightingOf(node, decoder_->decoding->Rtc, decoder_->gps);
  if (!aside_) return Handle(s);
  Work& work = aside_->Next();
  work.fix = false;
  work.sighting = s;
  work.ssid.assign(s.ssid);
  aside_->Push();
}

void MapPart::Handle(const Sighting& s) {
  const bool kept = settings_.filter.Keeps(s);
  if (settings_.keepSightings) {
    record_.clear();
    AppendSightingRecord(record_, s, kept);
    sightings_out_.Text(record_);
  }
  if (!kept) return;
  if (!settings_.keepSightings) table_.Add(s);
  if (settings_.rows && s.position) WriteWigleRow(*row_file_, s);
}

bool MapPart::Failed() const {
  return sightings_out_.Failed() || rows_out_.Failed() || track_out_.Failed();
}

bool MapPart::Finish() {
  if (aside_) {
    aside_->Finish();
    aside_.reset();
  }
  // What only reading the log needed: a survey's logs wait for each other with their results alone.
  decoder_ = nullptr;
  track_.Forget();
  bool ok = true;
  for (OutputFile* out : {&sightings_out_, &rows_out_, &track_out_}) ok = out->Close() && ok;
  return ok;
}

void MapPart::Abandon() {
  aside_.reset();
  for (OutputFile* out : {&sightings_out_, &rows_out_, &track_out_}) out->Abandon();
  for (ScratchFile* file : {&sightings_, &rows_, &track_points_}) file->Close();
}

std::string MapPart::FailureDetail() const {
  for (const OutputFile* out : {&sightings_out_, &rows_out_, &track_out_}) {
    if (std::string detail = out->FailureDetail(); !detail.empty()) return detail;
  }
  for (const ScratchFile* file : {&sightings_, &rows_, &track_points_}) {
    if (std::string detail = file->FailureDetail(); !detail.empty()) return detail;
  }
  return {};
}

} // namespace veltrix::maps
