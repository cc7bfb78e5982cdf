// WiGLE's CSV upload format, always comma-separated.
#include "outputs/maps/wigle.h"

#include "decode/channels.h"
#include "outputs/maps/map_text.h"

namespace veltrix::maps {

void WriteWigleHeader(OutputFile& out, bool b, bool g, const std::string& program) {
  const std::string model = b && g ? "Tarvik 802.11b/802.11g"
                            : b    ? "Tarvik 802.11b"
                                   : "Tarvik 802.11g";
  out.Text("WigleWifi-1.6,appRelease=" VELTRIX_VERSION ",model=" + model + ",release=" + program +
           ",device=Tarvik,display=,board=,brand=Tarvik,star=Sol,body=3,subBody=0");
  out.EndLine();
  for (const char* column :
       {"MAC", "SSID", "AuthMode", "FirstSeen", "Channel", "Frequency", "RSSI", "CurrentLatitude",
        "CurrentLongitude", "AltitudeMeters", "AccuracyMeters", "RCOIs", "MfgrId", "Type"}) {
    out.PlainField(column);
  }
  out.EndLine();
}

void WriteWigleRow(OutputFile& out, const Sighting& s) {
  // Written from texts on the stack: a row is written for every sighting with a position.
  char mac[kMacTextSize];
  out.PlainField(ColonMac(s.mac, mac));
  if (NeedsCleaning(s.ssid)) {
    out.Field(CleanText(s.ssid));
  } else {
    out.Field(s.ssid);
  }
  out.PlainField(s.wep ? "[WEP][ESS]" : "[ESS]");
  char time[DateTime::kIsoCapacity];
  out.PlainField({time, s.position->time.PutIso(time, ' ')});
  out.IntegerField(s.channel);
  out.IntegerField(ChannelMHz(s.channel));
  out.IntegerField(s.level);
  char degrees[kFixed2Capacity];
  out.PlainField({degrees, FormatFixed(degrees, s.position->latitude, kMapDecimals)});
  out.PlainField({degrees, FormatFixed(degrees, s.position->longitude, kMapDecimals)});
  for (const char* rest : {"0", "0", "", "", "WIFI"}) out.PlainField(rest);
  out.EndLine();
}

} // namespace veltrix::maps
