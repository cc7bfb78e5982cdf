// GPX 1.1: waypoints and the GPS tracks.
#include "outputs/maps/gpx.h"

#include <functional>

#include "outputs/maps/map_text.h"

namespace veltrix::maps {
namespace {

// GPX takes longitudes from -180 up to but not including 180: 180 is written as -180, the same
// meridian.
std::string Place(double latitude, double longitude) {
  return "lat=\"" + Degrees(latitude, kMapDecimals) + "\" lon=\"" +
         Degrees(longitude == 180.0 ? -180.0 : longitude, kMapDecimals) + "\"";
}

} // namespace

std::size_t GpsTrack::PlaceHash::operator()(const std::pair<double, double>& p) const {
  const std::size_t a = std::hash<double>{}(p.first);
  return a ^ (std::hash<double>{}(p.second) + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
}

bool GpsTrack::Add(const GpsPosition& at) {
  if (places_.contains({at.latitude, at.longitude})) return false;
  if (points_ >= kMaxPoints) {
    ++left_out_;
    return false;
  }
  places_.insert({at.latitude, at.longitude});
  ++points_;
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
  out.Text("<trkpt " + Place(at.latitude, at.longitude) + "><time>" + UtcText(at.time) +
           "</time></trkpt>\n");
}

void WriteGpxTrackEnd(OutputFile& out) {
  out.Text("</trkseg></trk>\n");
}

void WriteGpxTail(OutputFile& out) {
  out.Text("</gpx>\n");
}

} // namespace veltrix::maps
