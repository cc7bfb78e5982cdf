#pragma once
// The report's charts and map as inline SVG: small texts a web page holds as they are and a
// browser prints sharp. Every text from a log is written cleaned and escaped.

#include <array>
#include <string>
#include <vector>

#include "analysis/access_points.h"
#include "analysis/survey_map.h"
#include "analysis/utilization_stats.h"

namespace veltrix {

// Utilization over time: RTC across, percent up, a line per channel seen.
std::string UtilizationChartSvg(const UtilizationStats& stats);

// The access points on each channel: open and WEP stacked.
std::string ChannelUseChartSvg(const std::array<ChannelUse, 14>& use);

// A log's track on the map.
struct MapTrack {
  std::string name;
  const std::vector<PositionTrail::Point>* points;
};

// The tracks (a line each) and the access points that have a position (open and WEP in two
// colours, the strongest few named), in an equirectangular projection fitted to them, with a
// scale bar in metres and a north arrow. Empty when nothing has a position.
std::string MapSvg(const std::vector<MapTrack>& tracks, const AccessPointTable& table);

} // namespace veltrix
