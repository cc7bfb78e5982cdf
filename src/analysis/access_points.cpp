#include "analysis/access_points.h"

#include <algorithm>
#include <cmath>

#include "text/clean_text.h"
#include "text/mac_text.h"
#include "text/number_format.h"

namespace veltrix {
namespace {

std::string RtcIso(const DateTime& rtc) {
  return rtc.InRange() ? rtc.Iso('T') : std::string();
}

std::string Degrees(double value) {
  char text[kFixed2Capacity];
  return std::string(text, FormatFixed(text, value, 5));
}

} // namespace

std::array<std::string, 12> AccessPointFields(const AccessPoint& ap) {
  char mac[kMacTextSize];
  const auto number = [](std::int64_t n) { return std::to_string(n); };
  std::array<std::string, 12> fields = {std::string(FormatMac(ap.mac.data(), mac)),
                                        CleanText(ap.ssid),
                                        number(ap.channel),
                                        ap.wep ? "Yes" : "No",
                                        number(static_cast<std::int64_t>(ap.sightings)),
                                        RtcIso(ap.firstRtc),
                                        RtcIso(ap.lastRtc),
                                        number(ap.maxLevel),
                                        number(ap.minLevel),
                                        {},
                                        {},
                                        {}};
  if (ap.position) {
    fields[9] = Degrees(ap.position->latitude);
    fields[10] = Degrees(ap.position->longitude);
    fields[11] = number(ap.levelAtPosition);
  }
  return fields;
}

std::optional<GpsPosition> PositionOf(const GpsDecoder& gps) {
  if (gps.Fixes == 0) return std::nullopt;
  const double lat = gps.Latitude, lon = gps.Longitude;
  if ((lat == 0.0 && lon == 0.0) || !(std::fabs(lat) <= 90.0) || !(std::fabs(lon) <= 180.0))
    return std::nullopt;
  const DateTime time{gps.Year, gps.Month, gps.Day, gps.Hours, gps.Minutes, gps.Seconds};
  if (time.year < 1980 || time.year > 2099 || !time.InRange()) return std::nullopt;
  return GpsPosition{lat, lon, time};
}

Sighting SightingOf(const StationNode& node, const DateTime& rtc, const GpsDecoder& gps) {
  Sighting s;
  s.mac = node.mac;
  s.ssid = node.ssid;
  s.channel = node.channel;
  s.wep = node.wep != 0;
  s.level = node.signal;
  s.rtc = rtc;
  s.position = PositionOf(gps);
  return s;
}

void AccessPointTable::Add(const Sighting& s) {
  const std::uint64_t key = MacKey(s.mac);
  const auto it = index_.find(key);
  AccessPoint* ap;
  if (it != index_.end()) {
    ap = &points_[it->second];
  } else if (points_.size() >= capacity_) {
    if (left_out_.size() < kMaxLeftOutCounted) {
      left_out_.insert(key);
    } else if (!left_out_.contains(key)) {
      left_out_more_ = true;
    }
    return;
  } else {
    index_.emplace(key, points_.size());
    ap = &points_.emplace_back();
    ap->mac = s.mac;
    ap->channel = s.channel;
    ap->maxLevel = ap->minLevel = s.level;
    ap->firstRtc = s.rtc;
  }
  // The strongest sighting (the earliest of equals) gives the channel, and the strongest with a
  // fix gives the position.
  if (ap->sightings != 0 && s.level > ap->maxLevel) ap->channel = s.channel;
  ap->maxLevel = std::max(ap->maxLevel, s.level);
  ap->minLevel = std::min(ap->minLevel, s.level);
  if (s.position && (!ap->position || s.level > ap->levelAtPosition)) {
    ap->position = s.position;
    ap->levelAtPosition = s.level;
  }
  if (!s.ssid.empty()) ap->ssid.assign(s.ssid);
  ap->wep = ap->wep || s.wep;
  ++ap->sightings;
  ap->lastRtc = s.rtc;
}

std::size_t AccessPointTable::KeepOnly(const std::function<bool(const AccessPoint&)>& keep) {
  const std::size_t before = points_.size();
  std::erase_if(points_, [&](const AccessPoint& ap) { return !keep(ap); });
  index_.clear();
  for (std::size_t i = 0; i < points_.size(); ++i) index_.emplace(MacKey(points_[i].mac), i);
  return before - points_.size();
}

std::uint64_t AccessPointTable::WithoutPosition() const {
  return static_cast<std::uint64_t>(std::count_if(
      points_.begin(), points_.end(), [](const AccessPoint& ap) { return !ap.position; }));
}

} // namespace veltrix
