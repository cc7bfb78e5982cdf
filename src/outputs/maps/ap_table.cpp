// The access-point table: quoted like the delimited text, with CR LF line ends.
#include "outputs/maps/ap_table.h"

#include "outputs/maps/map_text.h"

namespace veltrix::maps {
namespace {

std::string RtcIso(const DateTime& rtc) {
  return rtc.InRange() ? rtc.Iso('T') : std::string();
}

} // namespace

void WriteAccessPointTable(OutputFile& out, const AccessPointTable& table) {
  for (const char* column : kAccessPointColumns) out.Field(column);
  out.EndLine();
  for (const AccessPoint& ap : table.All()) {
    out.PlainField(DashMac(ap.mac));
    out.Field(CleanText(ap.ssid));
    out.IntegerField(ap.channel);
    out.PlainField(ap.wep ? "Yes" : "No");
    out.IntegerField(static_cast<std::int64_t>(ap.sightings));
    out.PlainField(RtcIso(ap.firstRtc));
    out.PlainField(RtcIso(ap.lastRtc));
    out.IntegerField(ap.maxLevel);
    out.IntegerField(ap.minLevel);
    if (ap.position) {
      out.PlainField(Degrees(ap.position->latitude, kTableDecimals));
      out.PlainField(Degrees(ap.position->longitude, kTableDecimals));
      out.IntegerField(ap.levelAtPosition);
    } else {
      for (int i = 0; i < 3; ++i) out.PlainField("");
    }
    out.EndLine();
  }
}

} // namespace veltrix::maps
