#pragma once
// The files of the maps family, and what goes into them once the access points are known: the
// same for one log and for a merged survey.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "convert/conversion_output.h"
#include "io/output_file.h"
#include "io/scratch_file.h"
#include "io/spare_thread.h"

namespace veltrix {

struct MapFiles {
  std::optional<OutputDestination> kml, gpx, wigle, accessPoints;
};

struct MapSettings {
  std::string name;     // the KML document's and the GPX metadata's name
  char delimiter = ','; // of the access-point table (the WiGLE file always takes commas)
  std::string program = "Veltrix " VELTRIX_VERSION; // the GPX creator, and in WiGLE's header
  // The conversion's spare thread, which handles the sightings and the track when given.
  std::shared_ptr<SpareThread> spare;
};

namespace maps {

// One log's track as the GPX file shows it: its name and the points' lines in a scratch file.
struct TrackPiece {
  std::string name;
  ScratchFile* points;
  std::uint64_t count;
};

// The WiGLE rows formatted ahead, in a scratch file each, and which of them to copy.
struct SpooledRows {
  std::vector<ScratchFile*> spools; // in order
  bool ofTableOnly = false;         // only the rows of access points in the table
};

class MapFileSet {
public:
  explicit MapFileSet(MapFiles files, char delimiter);

  const MapFiles& Files() const { return files_; }
  std::vector<OutputDestination> Destinations() const;
  // Creates every file asked for. False when one cannot be.
  bool Open();
  OutputFile& Wigle() { return wigle_; }
  // The KML, the GPX and the access-point table: `table` holds the access points to show.
  void Write(const AccessPointTable& table, const MapSettings& settings,
             std::span<const TrackPiece> tracks);
  // The spooled WiGLE rows, after the header (`table` is read only with rows.ofTableOnly). It
  // touches the WiGLE file alone, so it may go on another thread while the table is made.
  void CopyRows(const AccessPointTable& table, const SpooledRows& rows);
  bool Failed() const;
  // Puts every file in place; after a failure, none that is left.
  bool Finish();
  void Abandon();
  std::string FailureDetail() const;
  std::vector<WrittenFile> Written() const;

private:
  std::vector<OutputFile*> Asked(); // the files asked for, in order
  void CopyRows(const AccessPointTable& table, ScratchFile& spool, bool ofTableOnly);
  void Copy(ScratchFile& spool, OutputFile& out, std::string& failure);

  const MapFiles files_;
  OutputFile kml_{','}, gpx_{','}, wigle_{','}, table_file_;
  std::string read_failure_;
  std::string rows_failure_; // of the WiGLE rows' spools, which may be copied on another thread
};

// Where the scratch files of the files go: beside the first file asked for.
std::string ScratchBeside(const MapFiles& files);

// What the files leave out, one line each: access points without a position (not on the map),
// access points beyond the table's capacity (their sightings in the WiGLE file unless the
// access-point filters apply), and GPS positions beyond a track's capacity.
std::vector<std::string> MapWarnings(const MapFiles& files, const AccessPointTable& table,
                                     bool accessPointFilters, std::uint64_t trackLeftOut);

} // namespace maps
} // namespace veltrix
