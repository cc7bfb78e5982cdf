// KML for Google Earth: open access points green, WEP ones red.
#include "outputs/maps/kml.h"

#include "outputs/maps/map_text.h"

namespace veltrix::maps {

void WriteKml(OutputFile& out, const AccessPointTable& table, const std::string& name) {
  out.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
           Xml(name) +
           "</name>\n"
           "<Style id=\"open\"><IconStyle><color>ff00c000</color></IconStyle></Style>\n"
           "<Style id=\"wep\"><IconStyle><color>ff0000e0</color></IconStyle></Style>\n");
  for (const AccessPoint& ap : table.All()) {
    if (!ap.position) continue;
    const auto data = [](const char* field, const std::string& value) {
      return std::string("<Data name=\"") + field + "\"><value>" + value + "</value></Data>\n";
    };
    out.Text("<Placemark>\n<name>" + SsidName(ap.ssid) + "</name>\n<TimeStamp><when>" +
             UtcText(ap.position->time) + "</when></TimeStamp>\n<styleUrl>#" +
             (ap.wep ? "wep" : "open") + "</styleUrl>\n<ExtendedData>\n" +
             data("MAC", ColonMac(ap.mac)) + data("Channel", Number(ap.channel)) +
             data("WEP", ap.wep ? "Yes" : "No") +
             data("RSSI at Position (dBm)", Number(ap.levelAtPosition)) +
             data("Sightings", Number(static_cast<std::int64_t>(ap.sightings))) +
             "</ExtendedData>\n<Point><coordinates>" +
             Degrees(ap.position->longitude, kMapDecimals) + "," +
             Degrees(ap.position->latitude, kMapDecimals) +
             "</coordinates></Point>\n</Placemark>\n");
  }
  out.Text("</Document>\n</kml>\n");
}

} // namespace veltrix::maps
