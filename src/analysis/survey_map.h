#pragma once
// What a report's access-point sections and its map draw from: the access points on each channel,
// and each log's track thinned to what a map can show.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/access_points.h"

namespace veltrix {

struct ChannelUse {
  int channel;
  int accessPoints = 0, open = 0, wep = 0;
  int overlapping = 0; // access points on the channels 1 to 4 away, which share the air
};

// Channels 1 to 14, from each access point's channel (its strongest sighting's).
std::array<ChannelUse, 14> ChannelUseOf(const AccessPointTable& table);

// A log's track as a map shows it: its fixes' positions in log order, at most `capacity` of them
// spread over the whole log (when it fills, every other point goes and further fixes are taken
// half as often).
class PositionTrail {
public:
  static constexpr std::size_t kDefaultCapacity = 4096;
  struct Point {
    double latitude, longitude;
    bool operator==(const Point&) const = default;
  };

  explicit PositionTrail(std::size_t capacity = kDefaultCapacity);
  void Add(const Point& at);
  const std::vector<Point>& Points() const { return points_; }

private:
  std::size_t capacity_;
  std::vector<Point> points_;
  std::uint64_t stride_ = 1, seen_ = 0;
  Point last_{};
  bool any_ = false;
};

} // namespace veltrix
