#pragma once
// GPX 1.1 for GPS tools: the access points that have a position as waypoints, and the track of
// the GPS fixes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "analysis/access_points.h"
#include "io/output_file.h"

namespace veltrix::maps {

// Each distinct position of the GPS fixes once, in log order; bounded.
class GpsTrack {
public:
  // The track keeps this many positions; further ones are counted.
  static constexpr std::size_t kMaxPoints = 262144;

  void Add(const GpsPosition& at);
  std::uint64_t LeftOut() const { return left_out_; }

  struct Point { // 24 bytes: the track may hold many
    double latitude, longitude;
    std::int16_t year, month, day, hours, minutes, seconds;
  };
  const std::vector<Point>& Points() const { return points_; }

private:
  struct PlaceHash {
    std::size_t operator()(const std::pair<double, double>& p) const;
  };
  std::vector<Point> points_;
  std::unordered_set<std::pair<double, double>, PlaceHash> places_;
  std::uint64_t left_out_ = 0;
};

// The whole document: `name` names it and the track, `program` is its creator.
void WriteGpx(OutputFile& out, const AccessPointTable& table, const GpsTrack& track,
              const std::string& name, const std::string& program);

} // namespace veltrix::maps
