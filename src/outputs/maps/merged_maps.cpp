// A survey's logs merged into one set of maps and tables.
#include "outputs/maps/merged_maps.h"

#include <future>

#include "analysis/survey_merge.h"
#include "outputs/maps/wigle.h"

namespace veltrix {

MergedMaps::MergedMaps(MapFiles files, MapSettings settings, MapFilters filters,
                       std::vector<SurveyLog> logs, std::size_t capacity)
    : settings_(std::move(settings)), filters_(std::move(filters)), logs_(std::move(logs)),
      files_(files, settings_.delimiter), table_(capacity) {
  if (logs_.size() == 1) settings_.name = logs_.front().name;
  // The parts of a merge handle their sightings in line: its logs already take the threads.
  const maps::MapPart::Settings part{filters_.sightings,    true,     files.wigle.has_value(),
                                     files.gpx.has_value(), capacity, nullptr};
  for (std::size_t i = 0; i < logs_.size(); ++i)
    parts_.push_back(std::make_unique<maps::MapPart>(part, maps::ScratchBeside(files)));
}

MergedMaps::~MergedMaps() = default;

bool MergedMaps::Open() {
  return files_.Open();
}

std::unique_ptr<ConversionOutput> MergedMaps::Part(std::size_t index) {
  return std::make_unique<SurveyPartOutput<maps::MapPart>>(*parts_[index]);
}

std::vector<MergeKey> MergedMaps::Keys() const {
  std::vector<MergeKey> keys;
  for (std::size_t i = 0; i < logs_.size(); ++i)
    keys.push_back({parts_[i]->FirstRecord(), logs_[i].path});
  return keys;
}

// The sightings of every log in merge order into the one table, the filters' verdicts counted.
bool MergedMaps::Gather() {
  std::vector<ScratchFile*> sightings;
  for (const auto& part : parts_) sightings.push_back(&part->Sightings());
  const GatheredSurvey gathered = GatherScratchSightings(Keys(), sightings, filters_.accessPoints,
                                                         table_, order_, read_failure_);
  left_out_by_filters_ = gathered.leftOutByFilters;
  left_out_at_least_ = gathered.leftOutAtLeast;
  return read_failure_.empty();
}

bool MergedMaps::Finish(SpareThread* spare) {
  // The WiGLE file: its header, then every log's rows in merge order, all of them unless the
  // access-point filters choose the rows by the table.
  maps::SpooledRows rows;
  rows.ofTableOnly = filters_.accessPoints.Active();
  for (const std::size_t i : MergeOrder(Keys())) rows.spools.push_back(&parts_[i]->Rows());
  const auto writeWigle = [&] {
    bool b = false, g = false;
    for (const auto& part : parts_) (part->Variant() == LogVariant::B ? b : g) = true;
    maps::WriteWigleHeader(files_.Wigle(), b, g, settings_.program);
    files_.CopyRows(table_, rows);
  };
  // Rows that do not wait for the table are copied on the spare thread (the copy takes about as
  // long as the gathering) while the sightings are gathered here; waited for on every way out.
  std::packaged_task<void()> copy(writeWigle);
  std::future<void> copied;
  if (spare != nullptr && files_.Files().wigle && !rows.ofTableOnly) {
    copied = copy.get_future();
    spare->Post([&copy] { copy(); });
  }
  struct WaitFor {
    std::future<void>& copied;
    ~WaitFor() {
      if (copied.valid()) copied.wait();
    }
  } wait{copied};
  const bool gathered = Gather();
  const bool copiedAside = copied.valid();
  if (copiedAside) copied.get(); // what the copy threw is thrown here
  if (!gathered) {
    Abandon();
    return false;
  }
  if (files_.Files().wigle && !copiedAside) writeWigle();
  std::vector<maps::TrackPiece> tracks;
  for (const std::size_t i : order_)
    tracks.push_back({logs_[i].name, &parts_[i]->TrackPoints(), parts_[i]->Track().Points()});
  files_.Write(table_, settings_, tracks);
  return files_.Finish();
}

void MergedMaps::Abandon() {
  files_.Abandon();
  for (const auto& part : parts_) part->Abandon();
}

std::string MergedMaps::FailureDetail() const {
  if (!read_failure_.empty()) return read_failure_;
  return files_.FailureDetail();
}

std::vector<std::string> MergedMaps::Warnings() const {
  std::uint64_t trackLeftOut = 0;
  for (const auto& part : parts_) trackLeftOut += part->Track().LeftOut();
  return maps::MapWarnings(files_.Files(), table_, filters_.accessPoints.Active(), trackLeftOut);
}

} // namespace veltrix
