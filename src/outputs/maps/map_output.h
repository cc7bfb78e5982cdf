#pragma once
// The maps and tables family: the access points of a log as one output of a conversion. It
// decodes surveys and captures with a decoder of its own, gathers the sightings into an
// access-point table and writes whichever of its files are asked for, from one pass over the log:
// KML (kml.h) and GPX (gpx.h) for map programs, WiGLE's CSV upload format (wigle.h), and a table
// with one row per access point (ap_table.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "convert/conversion_output.h"
#include "decode/decoders.h"
#include "io/output_file.h"
#include "outputs/maps/gpx.h"

namespace veltrix {

struct MapFiles {
  std::optional<OutputDestination> kml, gpx, wigle, accessPoints;
};

struct MapSettings {
  std::string name;     // of the log: the KML document's and the GPX track's name
  char delimiter = ','; // of the access-point table (the WiGLE file always takes commas)
  std::string program = "Veltrix " VELTRIX_VERSION; // the GPX creator, and in WiGLE's header
};

class MapOutput final : public ConversionOutput, private SightingSink {
public:
  MapOutput(MapFiles files, MapSettings settings,
            std::size_t capacity = AccessPointTable::kDefaultCapacity);

  std::vector<OutputDestination> Destinations() const override;
  bool Open(LogVariant variant) override;
  void Take(const Frame& frame) override;
  bool Failed() const override;
  bool Finish() override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<WrittenFile> Written() const override;
  std::vector<std::string> Warnings() const override;

private:
  void AccessPointSighted(const StationNode& node) override;
  std::vector<OutputFile*> Files();

  const MapFiles files_;
  const MapSettings settings_;
  const std::size_t capacity_;
  std::optional<RecordDecoder> decoder_;
  const Frame* frame_ = nullptr; // the one being decoded
  AccessPointTable table_;
  OutputFile kml_{','}, gpx_{','}, wigle_{','}, table_file_;
  maps::GpsTrack track_;
};

} // namespace veltrix
