#pragma once
// GPX 1.1 for GPS tools: the access points that have a position as waypoints, and a track of the
// GPS fixes per log.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// Which fixes a log's track holds: each distinct position once, in log order; bounded.
class GpsTrack {
public:
  // A track keeps this many positions; further ones are counted.
  static constexpr std::size_t kMaxPoints = 262144;

  // True when `at` is a place the track has not had and it has room for: then it is a point.
  bool Add(const GpsPosition& at);
  std::uint64_t Points() const { return points_; }
  std::uint64_t LeftOut() const { return left_out_; }
  // Lets go of the places once the log is read; the counts stay.
  void Forget() { places_ = {}; }

private:
  // The places had, in an open-addressing table (linear probing, at most three quarters full; a
  // free slot's latitude is NaN, which no position has): a drive's fixes are each looked up, so
  // the table is most of what the track costs.
  struct Place {
    double latitude, longitude;
  };
  static std::size_t Hash(double latitude, double longitude);
  void Grow();

  std::vector<Place> places_;
  std::uint64_t points_ = 0;
  std::uint64_t left_out_ = 0;
};

// The document's head: `name` names it, `program` is its creator.
void WriteGpxHead(OutputFile& out, const std::string& name, const std::string& program);
// A waypoint per access point that has a position.
void WriteGpxWaypoints(OutputFile& out, const AccessPointTable& table);
// A track: its start, a line per point, its end.
void WriteGpxTrackStart(OutputFile& out, const std::string& name);
void WriteGpxTrackPoint(OutputFile& out, const GpsPosition& at);
void WriteGpxTrackEnd(OutputFile& out);
void WriteGpxTail(OutputFile& out);

} // namespace veltrix::maps
