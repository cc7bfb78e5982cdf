// GPX 1.1: waypoints and the GPS tracks.
#include "outputs/maps/gpx.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <functional>

#include "outputs/maps/map_text.h"

namespace veltrix::maps {
namespace {

// GPX takes longitudes from -180 up to but not including 180: 180 is written as -180, the same
// meridian.
// Appends `part` at `out`; returns the end.
char* Put(char* out, std::string_view part) {
  std::memcpy(out, part.data(), part.size());
  return out + part.size();
}

// lat="..." lon="...", the longitude 180 as -180, into room for kPlaceCapacity bytes.
constexpr std::size_t kPlaceCapacity = 2 * kFixed2Capacity + 16;
char* PutPlace(char* out, double latitude, double longitude) {
  out = FormatFixed(Put(out, "lat=\""), latitude, kMapDecimals);
  out = FormatFixed(Put(out, "\" lon=\""), longitude == 180.0 ? -180.0 : longitude, kMapDecimals);
  return Put(out, "\"");
}

std::string Place(double latitude, double longitude) {
  char text[kPlaceCapacity];
  return std::string(text, PutPlace(text, latitude, longitude));
}

} // namespace

std::size_t GpsTrack::Hash(double latitude, double longitude) {
  std::uint64_t a = 0, b = 0;
  // +0.0 for -0.0: the two are one place.
  latitude += 0.0;
  longitude += 0.0;
  std::memcpy(&a, &latitude, sizeof a);
  std::memcpy(&b, &longitude, sizeof b);
  std::uint64_t h = a * 0x9E3779B97F4A7C15ull ^ (b + 0x7F4A7C159E3779B9ull + (a << 6) + (a >> 2));
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  return static_cast<std::size_t>(h ^ (h >> 32));
}

void GpsTrack::Grow() {
  constexpr Place kFree{std::numeric_limits<double>::quiet_NaN(), 0};
  std::vector<Place> old = std::move(places_);
  places_.assign(old.empty() ? 1024 : old.size() * 2, kFree);
  const std::size_t mask = places_.size() - 1;
  for (const Place& place : old) {
    if (std::isnan(place.latitude)) continue;
    std::size_t i = Hash(place.latitude, place.longitude) & mask;
    while (!std::isnan(places_[i].latitude)) i = (i + 1) & mask;
    places_[i] = place;
  }
}

bool GpsTrack::Add(const GpsPosition& at) {
  if (places_.empty()) Grow();
  const std::size_t mask = places_.size() - 1;
  std::size_t i = Hash(at.latitude, at.longitude) & mask;
  for (; !std::isnan(places_[i].latitude); i = (i + 1) & mask) {
    if (places_[i].latitude == at.latitude && places_[i].longitude == at.longitude) return false;
  }
  if (points_ >= kMaxPoints) {
    ++left_out_;
    return false;
  }
  places_[i] = {at.latitude, at.longitude};
  ++points_;
  if (4 * points_ >= 3 * places_.size()) Grow();
  return true;
}

void WriteGpxHead(OutputFile& out, const std::string& name, const std::string& program) {
  out.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"" +
           Xml(program) +
           "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
           "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n<metadata><name>" +
           Xml(name) + "</name></metadata>\n");
}

void WriteGpxWaypoints(OutputFile& out, const AccessPointTable& table) {
  for (const AccessPoint& ap : table.All()) {
    if (!ap.position) continue;
    out.Text("<wpt " + Place(ap.position->latitude, ap.position->longitude) + "><time>" +
             UtcText(ap.position->time) + "</time><name>" + SsidName(ap.ssid) +
             "</name><desc>MAC " + ColonMac(ap.mac) + ", channel " + Number(ap.channel) + ", WEP " +
             (ap.wep ? "Yes" : "No") + ", " + Number(ap.levelAtPosition) + " dBm</desc></wpt>\n");
  }
}

void WriteGpxTrackStart(OutputFile& out, const std::string& name) {
  out.Text("<trk><name>" + Xml(name) + "</name><trkseg>\n");
}

void WriteGpxTrackPoint(OutputFile& out, const GpsPosition& at) {
  // Put together on the stack: a track has a point for every distinct fix.
  char text[kPlaceCapacity + DateTime::kIsoCapacity + 32];
  char* p = PutPlace(Put(text, "<trkpt "), at.latitude, at.longitude);
  p = at.time.PutIso(Put(p, "><time>"), 'T');
  p = Put(p, "Z</time></trkpt>\n");
  out.Text({text, static_cast<std::size_t>(p - text)});
}

void WriteGpxTrackEnd(OutputFile& out) {
  out.Text("</trkseg></trk>\n");
}

void WriteGpxTail(OutputFile& out) {
  out.Text("</gpx>\n");
}

} // namespace veltrix::maps
