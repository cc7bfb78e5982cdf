// The report's charts and map as SVG texts.
#include "plot/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "text/clean_text.h"

namespace veltrix {
namespace {

constexpr const char* kOpen = "#2ca02c";
constexpr const char* kWep = "#d62728";
// A line's colour per channel 0 to 14, distinct neighbours.
constexpr const char* kChannelColours[] = {"#7f7f7f", "#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                           "#9467bd", "#8c564b", "#e377c2", "#17becf", "#bcbd22",
                                           "#393b79", "#637939", "#8c6d31", "#843c39", "#7b4173"};

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string Xml(std::string_view text) {
  return CleanText(text, Clean::Xml);
}

std::string Open(int width, int height, const char* label) {
  return "<svg viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
         "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" role=\"img\" aria-label=\"" + label +
         "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"11\">";
}

std::string TextAt(double x, double y, const std::string& text, const char* anchor = "start",
                   const char* extra = "") {
  return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
         ">" + text + "</text>";
}

std::string Line(double x1, double y1, double x2, double y2, const char* stroke) {
  return "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" +
         Num(y2) + "\" stroke=\"" + stroke + "\"/>";
}

// The least of 1, 2, 5, 10, 20, 50... that divides `most` into at most `parts` steps.
int NiceStep(int most, int parts) {
  for (int scale = 1;; scale *= 10) {
    for (const int step : {1, 2, 5}) {
      if (most <= step * scale * parts) return step * scale;
    }
  }
}

// "13:05:09" of an RTC, or "" out of range.
std::string TimeText(const DateTime& t) {
  if (!t.InRange()) return {};
  const std::string text = t.RtcText();
  return text.substr(text.find(' ') + 1);
}

} // namespace

std::string UtilizationChartSvg(const UtilizationStats& stats) {
  constexpr int kWidth = 900, kHeight = 300, kLeft = 50, kRight = 110, kTop = 15, kBottom = 35;
  const int plotWidth = kWidth - kLeft - kRight, plotHeight = kHeight - kTop - kBottom;
  const std::vector<UtilizationStats::Column> series = stats.Series();
  std::string svg = Open(kWidth, kHeight, "Channel utilization over time");
  for (int percent = 0; percent <= 100; percent += 20) {
    const double y = kTop + plotHeight * (1.0 - percent / 100.0);
    svg += Line(kLeft, y, kLeft + plotWidth, y, "#dddddd");
    svg += TextAt(kLeft - 6, y + 4, std::to_string(percent), "end");
  }
  svg += TextAt(kLeft - 6, kTop - 4 + 0.0, "%", "end");
  const std::size_t n = series.size();
  const auto xOf = [&](std::size_t i) {
    return kLeft + (n <= 1 ? 0.0 : plotWidth * static_cast<double>(i) / static_cast<double>(n - 1));
  };
  if (n > 0) {
    for (const std::size_t i : {std::size_t{0}, n / 2, n - 1}) {
      svg += TextAt(xOf(i), kTop + plotHeight + 16, TimeText(series[i].first),
                    i == 0       ? "start"
                    : i == n - 1 ? "end"
                                 : "middle");
    }
  }
  int legend = 0;
  for (const UtilizationStats::Channel& channel : stats.Channels()) {
    const char* colour = kChannelColours[channel.number];
    std::string points;
    for (std::size_t i = 0; i < n; ++i) {
      const float value = series[i].max[static_cast<std::size_t>(channel.number)];
      if (value < 0) continue;
      points += Num(xOf(i)) + "," +
                Num(kTop + plotHeight * (1.0 - std::min(value, 100.0f) / 100.0)) + " ";
    }
    svg += "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"" + std::string(colour) +
           "\" points=\"" + points + "\"/>";
    const double y = kTop + 8 + 16.0 * legend++;
    svg += Line(kLeft + plotWidth + 12, y - 4, kLeft + plotWidth + 32, y - 4, colour);
    svg += TextAt(kLeft + plotWidth + 38, y, "channel " + std::to_string(channel.number));
  }
  svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(kTop) + "\" width=\"" + Num(plotWidth) +
         "\" height=\"" + Num(plotHeight) + "\" fill=\"none\" stroke=\"#000000\"/>";
  return svg + "</svg>";
}

std::string ChannelUseChartSvg(const std::array<ChannelUse, 14>& use) {
  constexpr int kWidth = 900, kHeight = 260, kLeft = 50, kRight = 110, kTop = 15, kBottom = 35;
  const int plotWidth = kWidth - kLeft - kRight, plotHeight = kHeight - kTop - kBottom;
  int most = 1;
  for (const ChannelUse& c : use) most = std::max(most, c.accessPoints);
  const int step = NiceStep(most, 5);
  std::string svg = Open(kWidth, kHeight, "Access points per channel");
  const auto yOf = [&](double count) { return kTop + plotHeight * (1.0 - count / most); };
  for (int count = 0; count <= most; count += step) {
    svg += Line(kLeft, yOf(count), kLeft + plotWidth, yOf(count), "#dddddd");
    svg += TextAt(kLeft - 6, yOf(count) + 4, std::to_string(count), "end");
  }
  const double slot = static_cast<double>(plotWidth) / use.size();
  for (std::size_t i = 0; i < use.size(); ++i) {
    const double x = kLeft + slot * (static_cast<double>(i) + 0.2);
    const double width = slot * 0.6;
    const auto bar = [&](double from, double to, const char* colour) {
      if (to <= from) return;
      svg += "<rect x=\"" + Num(x) + "\" y=\"" + Num(yOf(to)) + "\" width=\"" + Num(width) +
             "\" height=\"" + Num(yOf(from) - yOf(to)) + "\" fill=\"" + colour + "\"/>";
    };
    bar(0, use[i].open, kOpen);
    bar(use[i].open, use[i].open + use[i].wep, kWep);
    svg += TextAt(x + width / 2, kTop + plotHeight + 16, std::to_string(use[i].channel), "middle");
  }
  svg += TextAt(kLeft + plotWidth / 2.0, kHeight - 4, "channel", "middle");
  svg += "<rect x=\"" + Num(kLeft + plotWidth + 12) + "\" y=\"" + Num(kTop) +
         "\" width=\"12\" height=\"12\" fill=\"" + kOpen + "\"/>" +
         TextAt(kLeft + plotWidth + 30, kTop + 10, "open");
  svg += "<rect x=\"" + Num(kLeft + plotWidth + 12) + "\" y=\"" + Num(kTop + 18) +
         "\" width=\"12\" height=\"12\" fill=\"" + kWep + "\"/>" +
         TextAt(kLeft + plotWidth + 30, kTop + 28, "WEP");
  svg += Line(kLeft, kTop + plotHeight, kLeft + plotWidth, kTop + plotHeight, "#000000");
  return svg + "</svg>";
}

std::string MapSvg(const std::vector<MapTrack>& tracks, const AccessPointTable& table) {
  constexpr int kWidth = 900, kHeight = 600, kMargin = 40;
  constexpr double kMetresPerDegree = 6371000.0 * 3.14159265358979323846 / 180.0;
  // The extent of everything that has a position.
  double south = std::numeric_limits<double>::infinity(), north = -south, west = south,
         east = -south;
  const auto extend = [&](double latitude, double longitude) {
    south = std::min(south, latitude), north = std::max(north, latitude);
    west = std::min(west, longitude), east = std::max(east, longitude);
  };
  for (const MapTrack& track : tracks)
    for (const PositionTrail::Point& p : *track.points) extend(p.latitude, p.longitude);
  std::vector<const AccessPoint*> placed;
  for (const AccessPoint& ap : table.All()) {
    if (!ap.position) continue;
    placed.push_back(&ap);
    extend(ap.position->latitude, ap.position->longitude);
  }
  if (south > north) return {};
  // Equirectangular: a degree of longitude is cos(latitude) of a degree of latitude. At least 200
  // metres across, so that one point is a map too.
  const double cosine =
      std::max(0.01, std::cos((south + north) / 2 * 3.14159265358979323846 / 180));
  const double spanX = std::max((east - west) * cosine, 200.0 / kMetresPerDegree);
  const double spanY = std::max(north - south, 200.0 / kMetresPerDegree);
  const double scale = std::min((kWidth - 2 * kMargin) / spanX, (kHeight - 2 * kMargin) / spanY);
  const double centreX = (west + east) / 2 * cosine, centreY = (south + north) / 2;
  const auto xOf = [&](double longitude) {
    return kWidth / 2.0 + (longitude * cosine - centreX) * scale;
  };
  const auto yOf = [&](double latitude) { return kHeight / 2.0 - (latitude - centreY) * scale; };

  std::string svg = Open(kWidth, kHeight, "Map of the access points and the GPS track");
  svg += "<rect width=\"" + std::to_string(kWidth) + "\" height=\"" + std::to_string(kHeight) +
         "\" fill=\"#fbfbf8\" stroke=\"#999999\"/>";
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    std::string points;
    double lastX = -1e9, lastY = -1e9;
    for (const PositionTrail::Point& p : *tracks[t].points) {
      const double x = xOf(p.longitude), y = yOf(p.latitude);
      // One point per half pixel is all a line shows.
      if (std::fabs(x - lastX) < 0.5 && std::fabs(y - lastY) < 0.5) continue;
      lastX = x, lastY = y;
      points += Num(x) + "," + Num(y) + " ";
    }
    svg += "<polyline fill=\"none\" stroke-width=\"2\" stroke-opacity=\"0.7\" stroke=\"" +
           std::string(kChannelColours[1 + t % 14]) + "\" points=\"" + points + "\"><title>" +
           Xml(tracks[t].name) + "</title></polyline>";
  }
  struct Box {
    double left, top, right, bottom;
    bool Meets(const Box& o) const {
      return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
  };
  std::vector<Box> taken; // the dots, then the labels placed
  for (const AccessPoint* ap : placed) {
    const double x = xOf(ap->position->longitude), y = yOf(ap->position->latitude);
    svg += "<circle cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" r=\"5\" fill=\"" +
           (ap->wep ? kWep : kOpen) + "\" stroke=\"#ffffff\"><title>" +
           (ap->ssid.empty() ? "(no SSID)" : Xml(ap->ssid)) + "</title></circle>";
    taken.push_back({x - 5, y - 5, x + 5, y + 5});
  }
  // The strongest few are named, beside their dot on the right or else on the left, where the
  // name covers no other dot or name and stays inside the map; a name that fits nowhere is left
  // to the dot's tooltip.
  std::vector<const AccessPoint*> strongest = placed;
  std::stable_sort(strongest.begin(), strongest.end(),
                   [](const AccessPoint* a, const AccessPoint* b) {
                     return a->levelAtPosition > b->levelAtPosition;
                   });
  strongest.resize(std::min<std::size_t>(strongest.size(), 8));
  for (const AccessPoint* ap : strongest) {
    const double x = xOf(ap->position->longitude), y = yOf(ap->position->latitude);
    const std::string name = ap->ssid.empty() ? "(no SSID)" : Xml(ap->ssid);
    // About 6 px a character at 10 px (UTF-8 continuation bytes are no characters).
    const double width =
        6.0 * static_cast<double>(std::count_if(name.begin(), name.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    for (const bool onRight : {true, false}) {
      const Box box = onRight ? Box{x + 7, y - 7, x + 9 + width, y + 6}
                              : Box{x - 9 - width, y - 7, x - 7, y + 6};
      if (box.left < 2 || box.right > kWidth - 2) continue;
      if (std::any_of(taken.begin(), taken.end(), [&](const Box& t) {
            // Its own dot is beside it, never under it.
            return t.Meets(box) && !(t.left == x - 5 && t.top == y - 5);
          }))
        continue;
      taken.push_back(box);
      svg += TextAt(onRight ? x + 8 : x - 8, y + 4, name, onRight ? "start" : "end",
                    " font-size=\"10\" paint-order=\"stroke\" stroke=\"#fbfbf8\" "
                    "stroke-width=\"3\"");
      break;
    }
  }
  // A scale bar of a round length near a fifth of the width, and a north arrow.
  const double metresPerPixel = 1.0 / scale * kMetresPerDegree;
  double length = 1;
  while (length * 10 / metresPerPixel < kWidth / 5.0) length *= 10;
  for (const double factor : {5.0, 2.0}) {
    if (length * factor / metresPerPixel < kWidth / 5.0) {
      length *= factor;
      break;
    }
  }
  const double bar = length / metresPerPixel;
  const double barY = kHeight - 18;
  svg += Line(20, barY, 20 + bar, barY, "#000000") + Line(20, barY - 5, 20, barY + 3, "#000000") +
         Line(20 + bar, barY - 5, 20 + bar, barY + 3, "#000000");
  const std::string label = length >= 1000
                                ? std::to_string(static_cast<long>(length / 1000)) + " km"
                                : std::to_string(static_cast<long>(length)) + " m";
  svg += TextAt(20 + bar / 2, barY - 8, label, "middle");
  svg += "<path d=\"M " + Num(kWidth - 30) + " 20 L " + Num(kWidth - 38) + " 44 L " +
         Num(kWidth - 30) + " 38 L " + Num(kWidth - 22) + " 44 Z\" fill=\"#000000\"/>" +
         TextAt(kWidth - 30, 58, "N", "middle", " font-weight=\"bold\"");
  return svg + "</svg>";
}

} // namespace veltrix
