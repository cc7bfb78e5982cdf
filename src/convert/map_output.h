#pragma once
// The access points of a log for maps and tables, as one output of a conversion: KML and GPX for
// map programs, WiGLE's CSV upload format, and a table with one row per access point. It decodes
// surveys and captures with a decoder of its own and writes whichever of the four files are asked
// for, from one pass over the log.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "convert/access_points.h"
#include "convert/conversion_output.h"
#include "convert/output_file.h"
#include "decode/decoders.h"

namespace veltrix {

struct MapFiles {
  std::optional<OutputDestination> kml, gpx, wigle, accessPoints;
};

struct MapSettings {
  std::string name;     // of the log: the KML document's and the GPX track's name
  char delimiter = ','; // of the access-point table (the WiGLE file always takes commas)
  std::string program = "Veltrix " VELTRIX_VERSION; // the GPX creator, and in WiGLE's header
};

// The access-point table's columns.
inline constexpr const char* kAccessPointColumns[] = {
    "MAC",       "SSID",           "Channel",
    "WEP",       "Sightings",      "First Seen",
    "Last Seen", "Max RSSI (dBm)", "Min RSSI (dBm)",
    "Latitude",  "Longitude",      "RSSI at Position (dBm)"};

class MapOutput final : public ConversionOutput, private SightingSink {
public:
  // The GPX track keeps this many distinct positions; further ones are counted.
  static constexpr std::size_t kMaxTrackPoints = 262144;

  MapOutput(MapFiles files, MapSettings settings,
            std::size_t capacity = AccessPointTable::kDefaultCapacity);

  std::vector<OutputDestination> Destinations() const override;
  bool Open(LogVariant variant) override;
  void Take(const Frame& frame) override;
  bool Failed() const override;
  bool Finish() override;
  void Abandon() override;
  std::string FailureDetail() const override;
  std::vector<std::string> Warnings() const override;

private:
  struct TrackPoint { // 24 bytes: the track may hold many
    double latitude, longitude;
    std::int16_t year, month, day, hours, minutes, seconds;
  };
  struct PlaceHash {
    std::size_t operator()(const std::pair<double, double>& p) const;
  };

  void AccessPointSighted(const StationNode& node) override;
  void WriteWigleRow(const Sighting& s);
  void WriteKml();
  void WriteGpx();
  void WriteTable();
  std::vector<OutputFile*> Files();

  const MapFiles files_;
  const MapSettings settings_;
  const std::size_t capacity_;
  LogVariant variant_ = LogVariant::G;
  std::optional<RecordDecoder> decoder_;
  const Frame* frame_ = nullptr; // the one being decoded
  AccessPointTable table_;
  OutputFile kml_{','}, gpx_{','}, wigle_{','}, table_file_;
  std::vector<TrackPoint> track_;
  std::unordered_set<std::pair<double, double>, PlaceHash> places_;
  std::uint64_t track_left_out_ = 0;
};

} // namespace veltrix
