#pragma once
// One log's pass for the maps and tables: the sightings of the decoder the engine runs for it, the
// sighting filters, and where the kept sightings go. For one log they are gathered here into its
// access-point table; for a merged survey they wait in a scratch file, to be gathered with the
// other logs' in merge order. The WiGLE rows of the kept sightings that have a position go to the
// WiGLE file itself or to a scratch file, and the track's points to a scratch file; both are
// formatted here, so that the logs of a survey format theirs at the same time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "analysis/access_points.h"
#include "analysis/map_filters.h"
#include "analysis/survey_merge.h"
#include "convert/aside_work.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "io/scratch_file.h"
#include "outputs/maps/gpx.h"

namespace veltrix::maps {

class MapPart : private SightingSink {
public:
  struct Settings {
    SightingFilter filter;
    bool keepSightings = false; // for a merge: every sighting in a scratch file, kept or not
    bool rows = false;          // the WiGLE rows
    bool track = false;         // the GPX track's points
    std::size_t capacity = AccessPointTable::kDefaultCapacity; // of the table gathered here
    // The conversion's spare thread, which handles the sightings and the fixes when given.
    std::shared_ptr<SpareThread> spare;
  };

  // Scratch files go in the folder of `scratchBeside`.
  MapPart(Settings settings, std::string scratchBeside);

  // Starts on a log of `variant`; the WiGLE rows go to `rows` when given, else to a scratch file.
  // False when a scratch file cannot be made.
  bool Open(LogVariant variant, OutputFile* rows = nullptr);
  // What the conversion's engine decodes for it, and the decoder it runs (ConversionOutput's).
  static RecordGroups DecodedGroups();
  void UseDecoder(RecordDecoder& decoder);
  void Take(const Frame& frame);
  // True once a write has failed.
  bool Failed() const;
  // Completes the scratch files, for reading (once every sighting and fix is handled). False when
  // a write failed.
  bool Finish();
  void Abandon();
  std::string FailureDetail() const;

  LogVariant Variant() const { return variant_; }
  const std::optional<DateTime>& FirstRecord() const { return clock_.Time(); }
  // The access points gathered (without keepSightings).
  AccessPointTable& Table() { return table_; }
  const AccessPointTable& Table() const { return table_; }
  // After Finish: the scratch files (of what the settings ask for), and the track's size.
  ScratchFile& Sightings() { return sightings_; }
  ScratchFile& Rows() { return rows_; }
  ScratchFile& TrackPoints() { return track_points_; }
  const GpsTrack& Track() const { return track_; }

private:
  // A sighting or a fix handed to the thread aside; the sighting's SSID is kept here.
  struct Work {
    bool fix = false;
    GpsPosition at;    // the fix
    Sighting sighting; // its SSID refers to `ssid`
    std::string ssid;
  };

  void AccessPointSighted(const StationNode& node) override;
  void Handle(const Sighting& s);
  void HandleFix(const GpsPosition& at);

  const Settings settings_;
  const std::string scratch_beside_;
  LogVariant variant_ = LogVariant::G;
  RecordDecoder* decoder_ = nullptr; // the engine's, until Finish
  FirstRecordClock clock_;
  AccessPointTable table_;
  GpsTrack track_;
  ScratchFile sightings_, rows_, track_points_;
  OutputFile sightings_out_{','}, rows_out_{','}, track_out_{','};
  OutputFile* row_file_ = nullptr;         // where the rows go
  std::string record_;                     // a sighting's bytes
  std::unique_ptr<AsideWork<Work>> aside_; // while the log is read, with a spare thread
};

} // namespace veltrix::maps
