// Access points per channel, and tracks thinned for a map.
#include "analysis/survey_map.h"

#include <algorithm>
#include <cstdlib>

namespace veltrix {

std::array<ChannelUse, 14> ChannelUseOf(const AccessPointTable& table) {
  std::array<ChannelUse, 14> use{};
  for (int c = 1; c <= 14; ++c) use[static_cast<std::size_t>(c - 1)].channel = c;
  for (const AccessPoint& ap : table.All()) {
    const int channel = ap.channel;
    if (channel < 1 || channel > 14) continue;
    ChannelUse& own = use[static_cast<std::size_t>(channel - 1)];
    ++own.accessPoints;
    ++(ap.wep ? own.wep : own.open);
    for (ChannelUse& other : use) {
      const int away = std::abs(other.channel - channel);
      if (away >= 1 && away <= 4) ++other.overlapping;
    }
  }
  return use;
}

PositionTrail::PositionTrail(std::size_t capacity)
    : capacity_(std::max<std::size_t>(2, capacity & ~std::size_t{1})) {}

void PositionTrail::Add(const Point& at) {
  if (any_ && at == last_) return; // standing still adds nothing
  any_ = true;
  last_ = at;
  if (seen_++ % stride_ != 0) return;
  points_.push_back(at);
  if (points_.size() < capacity_) return;
  // Full: every other point goes, and further ones come half as often.
  for (std::size_t i = 0; 2 * i < points_.size(); ++i) points_[i] = points_[2 * i];
  points_.resize(points_.size() / 2);
  stride_ *= 2;
}

} // namespace veltrix
