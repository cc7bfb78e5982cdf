#pragma once
// The maps and tables family: the access points of a log as one output of a conversion, or of a
// survey of many logs merged into one (merged_maps.h). One pass over a log (map_part.h) decodes
// its surveys and captures (the engine's decoder, shared with a text of the same groups) and
// gathers the sightings the filters keep; at the end the files asked for are written (map_files.h):
// KML (kml.h) and GPX (gpx.h) for map programs, WiGLE's CSV upload format (wigle.h), and a table
// with one row per access point (ap_table.h).

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "analysis/map_filters.h"
#include "convert/conversion_output.h"
#include "outputs/maps/map_files.h"
#include "outputs/maps/map_part.h"

namespace veltrix {

class MapOutput final : public ConversionOutput {
public:
  MapOutput(MapFiles files, MapSettings settings, MapFilters filters = {},
            std::size_t capacity = AccessPointTable::kDefaultCapacity);

  std::vector<OutputDestination> Destinations() const override { return files_.Destinations(); }
  bool Open(LogVariant variant) override;
  std::optional<RecordGroups> DecodedGroups() const override { return part_.DecodedGroups(); }
  void UseDecoder(RecordDecoder& decoder) override { part_.UseDecoder(decoder); }
  void Take(const Frame& frame) override { part_.Take(frame); }
  bool Failed() const override { return files_.Failed() || part_.Failed(); }
  bool Finish() override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<WrittenFile> Written() const override { return files_.Written(); }
  std::vector<std::string> Warnings() const override;

  // The access points gathered; after Finish, those the filters kept.
  const AccessPointTable& Table() const { return part_.Table(); }

private:
  const MapSettings settings_;
  const MapFilters filters_;
  maps::MapFileSet files_;
  maps::MapPart part_;
};

} // namespace veltrix
