// GPX 1.1: waypoints and the GPS track.
#include "outputs/maps/gpx.h"

#include <functional>

#include "outputs/maps/map_text.h"

namespace veltrix::maps {

std::size_t GpsTrack::PlaceHash::operator()(const std::pair<double, double>& p) const {
  const std::size_t a = std::hash<double>{}(p.first);
  return a ^ (std::hash<double>{}(p.second) + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
}

void GpsTrack::Add(const GpsPosition& at) {
  if (places_.contains({at.latitude, at.longitude})) return;
  if (points_.size() >= kMaxPoints) {
    ++left_out_;
    return;
  }
  places_.insert({at.latitude, at.longitude});
  const DateTime& t = at.time;
  const auto s16 = [](std::int64_t v) { return static_cast<std::int16_t>(v); };
  points_.push_back({at.latitude, at.longitude, s16(t.year), s16(t.month), s16(t.day), s16(t.hours),
                     s16(t.minutes), s16(t.seconds)});
}

void WriteGpx(OutputFile& out, const AccessPointTable& table, const GpsTrack& track,
              const std::string& name, const std::string& program) {
  out.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"" +
           Xml(program) +
           "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
           "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n<metadata><name>" +
           Xml(name) + "</name></metadata>\n");
  const auto place = [](double latitude, double longitude) {
    return "lat=\"" + Degrees(latitude, kMapDecimals) + "\" lon=\"" +
           Degrees(longitude, kMapDecimals) + "\"";
  };
  for (const AccessPoint& ap : table.All()) {
    if (!ap.position) continue;
    out.Text("<wpt " + place(ap.position->latitude, ap.position->longitude) + "><time>" +
             UtcText(ap.position->time) + "</time><name>" + SsidName(ap.ssid) +
             "</name><desc>MAC " + ColonMac(ap.mac) + ", channel " + Number(ap.channel) + ", WEP " +
             (ap.wep ? "Yes" : "No") + ", " + Number(ap.levelAtPosition) + " dBm</desc></wpt>\n");
  }
  if (!track.Points().empty()) {
    out.Text("<trk><name>" + Xml(name) + "</name><trkseg>\n");
    for (const GpsTrack::Point& p : track.Points()) {
      const DateTime t{p.year, p.month, p.day, p.hours, p.minutes, p.seconds};
      out.Text("<trkpt " + place(p.latitude, p.longitude) + "><time>" + UtcText(t) +
               "</time></trkpt>\n");
    }
    out.Text("</trkseg></trk>\n");
  }
  out.Text("</gpx>\n");
}

} // namespace veltrix::maps
