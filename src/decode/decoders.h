#pragma once
// src/decode/ holds the decoders, the decoded record state, the payload-type and rate tables and
// the log summary. The payload decoders of the two instrument generations: each decodes the payload
// of a frame into a decoded record state, a station list and a GPS decoder, and says whether a
// record line is to be written (RecordReady, with the state's Kind naming the record) or not.
//
// Only the record groups asked for are decoded; channel and GPS payloads (and, in 802.11b logs,
// management captures) always are. A payload shorter than its layout is never read past its end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "decode/record_state.h"
#include "reader/identify.h"
#include "reader/log_reader.h"
#include "survey/gps_decoder.h"
#include "survey/station_list.h"

namespace veltrix {

// The five record groups, in the order of the header record's columns.
enum class RecordGroup : std::uint8_t { FullSpectrum, SingleSpectrum, Survey, Single, Utilization };
inline constexpr std::array<RecordGroup, 5> kRecordGroups = {
    RecordGroup::FullSpectrum, RecordGroup::SingleSpectrum, RecordGroup::Survey,
    RecordGroup::Single, RecordGroup::Utilization};
// Their short names, by RecordGroup: what files of one group each are named by.
inline constexpr std::array<std::string_view, 5> RecordGroupNames = {
    "full-spectrum", "single-spectrum", "survey", "single", "util"};

// The group whose lines a decoded record gives; nothing for RecordKind::None.
inline std::optional<RecordGroup> GroupOf(RecordKind kind) {
  switch (kind) {
  case RecordKind::FullSpectrum:
    return RecordGroup::FullSpectrum;
  case RecordKind::SingleSpectrum:
    return RecordGroup::SingleSpectrum;
  case RecordKind::Survey:
    return RecordGroup::Survey;
  case RecordKind::Single:
    return RecordGroup::Single;
  case RecordKind::Utilization:
    return RecordGroup::Utilization;
  default:
    return std::nullopt;
  }
}

// A choice of record groups: the ones a decoder decodes, the ones an output writes. The one place
// that says whether a group (or the group of a decoded record) is ticked.
struct RecordGroups {
  bool fullSpectrum = false;
  bool singleSpectrum = false;
  bool survey = false;
  bool single = false; // single-channel station data
  bool utilization = false;

  static RecordGroups All() { return {true, true, true, true, true}; }
  static RecordGroups Only(RecordGroup group) {
    RecordGroups only;
    only.Set(group, true);
    return only;
  }
  bool Has(RecordGroup group) const { return this->*kFlags[static_cast<std::size_t>(group)]; }
  bool Has(RecordKind kind) const {
    const std::optional<RecordGroup> group = GroupOf(kind);
    return group && Has(*group);
  }
  void Set(RecordGroup group, bool ticked) {
    this->*kFlags[static_cast<std::size_t>(group)] = ticked;
  }
  void TickAllRecordGroups() { *this = All(); }
  bool AnyRecordGroup() const {
    return fullSpectrum || singleSpectrum || survey || single || utilization;
  }
  bool operator==(const RecordGroups&) const = default;

private:
  static constexpr bool RecordGroups::*kFlags[kRecordGroups.size()] = {
      &RecordGroups::fullSpectrum, &RecordGroups::singleSpectrum, &RecordGroups::survey,
      &RecordGroups::single, &RecordGroups::utilization};
};

// Told of every report of an access point: each access-point node an 802.11g survey inserts (in
// station order), and each management-frame capture of an 802.11b log (types 9 and 10, beacons in
// types 6 and 18) with FrameValid set, once its node is found or added; `node` holds the values
// after the update (a node the full list could not take is reported all the same).
class SightingSink {
public:
  virtual void AccessPointSighted(const StationNode& node) = 0;

protected:
  ~SightingSink() = default;
};

// 802.11g logs.
DecodeResult DecodeG(const Frame& frame, RecordState& state, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings = nullptr);
// 802.11b logs.
DecodeResult DecodeB(const Frame& frame, RecordState& state, StationList& stations, GpsDecoder& gps,
                     const RecordGroups& groups, SightingSink* sightings = nullptr);

// One generation's decoder with everything it keeps from record to record, created with the
// start-up defaults. Each output of a conversion has its own, or shares one with the outputs that
// decode alike (see ConversionOutput::DecodedGroups).
struct RecordDecoder : private SightingSink {
  explicit RecordDecoder(LogVariant variant, RecordGroups groups = RecordGroups::All(),
                         std::size_t stationCapacity = StationList::kDefaultCapacity)
      : variant(variant), groups(groups), stations(stationCapacity) {}
  RecordDecoder(const RecordDecoder&) = delete;
  RecordDecoder& operator=(const RecordDecoder&) = delete;

  DecodeResult Decode(const Frame& frame) {
    decoding = &frame;
    const std::uint64_t fixes = gps.Fixes;
    SightingSink* sink = sinks_.empty() ? nullptr : sinks_.size() == 1 ? sinks_[0] : this;
    result = variant == LogVariant::B ? DecodeB(frame, state, stations, gps, groups, sink)
                                      : DecodeG(frame, state, stations, gps, groups, sink);
    newFix = gps.Fixes != fixes;
    decoding = nullptr;
    return result;
  }
  // Tells `sink` of every sighting, after the sinks added before it.
  void AddSightingSink(SightingSink& sink) { sinks_.push_back(&sink); }

  LogVariant variant;
  RecordGroups groups;
  RecordState state;
  StationList stations;
  GpsDecoder gps;
  DecodeResult result = DecodeResult::NothingToWrite; // of the last frame decoded
  bool newFix = false;                                // the last frame decoded brought a GPS fix
  const Frame* decoding = nullptr; // the frame being decoded, while the sinks are told

private:
  void AccessPointSighted(const StationNode& node) override {
    for (SightingSink* sink : sinks_) sink->AccessPointSighted(node);
  }
  std::vector<SightingSink*> sinks_;
};

} // namespace veltrix
