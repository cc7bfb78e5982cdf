#pragma once
// The density picture of a log's (or a survey's) sweeps: frequency across as on the waterfall,
// level up a row of 1 dB each, and as colour the share of the sweeps in which that frequency had
// that level, on a logarithmic scale, with the channels marked and a colour bar in percent.

#include <string>

#include "analysis/spectrum_stats.h"

namespace veltrix {

struct DensityPicture {
  static constexpr int kWidth = 1100;
  static constexpr int kHeight = 440;
  // The share that takes the palette's first colour; smaller ones are drawn with it too.
  static constexpr double kLeastShare = 1e-4;
};

// `title` heads the picture. The PNG in `png`; false, with cairo's reason in `failure`, when
// cairo cannot draw it or the stats hold no sweep.
bool DrawDensity(const SpectrumStats& stats, const std::string& title, std::string& png,
                 std::string& failure);

} // namespace veltrix
