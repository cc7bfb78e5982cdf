#include "convert/map_output.h"

#include <functional>

#include "text/clean_text.h"
#include "text/mac_text.h"
#include "text/number_format.h"

namespace veltrix {
namespace {

constexpr int kMapDecimals = 7; // the fixes' resolution is a milliarcsecond: 2.8e-7 degrees
constexpr int kTableDecimals = 5;

std::string Number(std::int64_t value) {
  return std::to_string(value);
}

// "1 access point", "2 access points"
std::string Count(std::uint64_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string Degrees(double value, int decimals) {
  char text[kFixed2Capacity];
  return std::string(text, FormatFixed(text, value, decimals));
}

// "00:0A:1B:2C:3D:4E", as map programs and WiGLE write them.
std::string ColonMac(const std::array<std::uint8_t, 6>& mac) {
  char text[kMacTextSize];
  std::string out(FormatMac(mac.data(), text));
  for (char& c : out) c = c == '-' ? ':' : c;
  return out;
}

std::string DashMac(const std::array<std::uint8_t, 6>& mac) {
  char text[kMacTextSize];
  return std::string(FormatMac(mac.data(), text));
}

std::string Xml(std::string_view bytes) {
  return CleanText(bytes, true);
}

std::string SsidName(const std::string& ssid) {
  return ssid.empty() ? std::string("(no SSID)") : Xml(ssid);
}

std::string UtcText(const DateTime& time) {
  return time.Iso('T') + 'Z';
}

// 2407 + 5 x channel; channel 14 lies apart, at 2484 MHz.
int ChannelMHz(int channel) {
  return channel == 14 ? 2484 : 2407 + 5 * channel;
}

std::string RtcIso(const DateTime& rtc) {
  return rtc.InRange() ? rtc.Iso('T') : std::string();
}

bool Create(OutputFile& file, const std::optional<OutputDestination>& destination) {
  return !destination || file.Create(*destination);
}

} // namespace

std::size_t MapOutput::PlaceHash::operator()(const std::pair<double, double>& p) const {
  const std::size_t a = std::hash<double>{}(p.first);
  return a ^ (std::hash<double>{}(p.second) + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
}

MapOutput::MapOutput(MapFiles files, MapSettings settings, std::size_t capacity)
    : files_(std::move(files)), settings_(std::move(settings)), capacity_(capacity),
      table_(capacity), table_file_(settings_.delimiter) {}

std::vector<OutputDestination> MapOutput::Destinations() const {
  std::vector<OutputDestination> all;
  for (const auto* d : {&files_.kml, &files_.gpx, &files_.wigle, &files_.accessPoints})
    if (*d) all.push_back(**d);
  return all;
}

std::vector<OutputFile*> MapOutput::Files() {
  std::vector<OutputFile*> open;
  if (files_.kml) open.push_back(&kml_);
  if (files_.gpx) open.push_back(&gpx_);
  if (files_.wigle) open.push_back(&wigle_);
  if (files_.accessPoints) open.push_back(&table_file_);
  return open;
}

bool MapOutput::Open(LogVariant variant) {
  variant_ = variant;
  // Surveys, and single-channel captures for the beacons among them, whatever the text shows.
  RecordGroups groups;
  groups.survey = groups.single = true;
  decoder_.emplace(variant, groups);
  decoder_->sightings = this;
  table_ = AccessPointTable(capacity_);
  track_.clear();
  places_.clear();
  track_left_out_ = 0;
  if (!Create(kml_, files_.kml) || !Create(gpx_, files_.gpx) || !Create(wigle_, files_.wigle) ||
      !Create(table_file_, files_.accessPoints)) {
    return false;
  }
  if (files_.wigle) {
    const std::string model = variant == LogVariant::B ? "Tarvik 802.11b" : "Tarvik 802.11g";
    wigle_.Text("WigleWifi-1.6,appRelease=" VELTRIX_VERSION ",model=" + model +
                ",release=" + settings_.program +
                ",device=Tarvik,display=,board=,brand=Tarvik,star=Sol,body=3,subBody=0");
    wigle_.EndLine();
    for (const char* column :
         {"MAC", "SSID", "AuthMode", "FirstSeen", "Channel", "Frequency", "RSSI", "CurrentLatitude",
          "CurrentLongitude", "AltitudeMeters", "AccuracyMeters", "RCOIs", "MfgrId", "Type"}) {
      wigle_.PlainField(column);
    }
    wigle_.EndLine();
  }
  return true;
}

void MapOutput::Take(const Frame& frame) {
  frame_ = &frame;
  const std::uint64_t fixes = decoder_->gps.Fixes;
  decoder_->Decode(frame);
  frame_ = nullptr;
  if (!files_.gpx || decoder_->gps.Fixes == fixes) return;
  const std::optional<GpsPosition> at = PositionOf(decoder_->gps);
  if (!at || places_.contains({at->latitude, at->longitude})) return;
  if (track_.size() >= kMaxTrackPoints) {
    ++track_left_out_;
    return;
  }
  places_.insert({at->latitude, at->longitude});
  const DateTime& t = at->time;
  const auto s16 = [](std::int64_t v) { return static_cast<std::int16_t>(v); };
  track_.push_back({at->latitude, at->longitude, s16(t.year), s16(t.month), s16(t.day),
                    s16(t.hours), s16(t.minutes), s16(t.seconds)});
}

void MapOutput::AccessPointSighted(const StationNode& node) {
  Sighting s;
  s.mac = node.mac;
  s.ssid = node.ssid;
  s.channel = node.channel;
  s.wep = node.wep != 0;
  s.level = node.signal;
  if (frame_ != nullptr) {
    s.rtc = frame_->Rtc;
  }
  s.position = PositionOf(decoder_->gps);
  table_.Add(s);
  if (files_.wigle && s.position) WriteWigleRow(s);
}

void MapOutput::WriteWigleRow(const Sighting& s) {
  wigle_.PlainField(ColonMac(s.mac));
  wigle_.Field(CleanText(s.ssid));
  wigle_.PlainField(s.wep ? "[WEP][ESS]" : "[ESS]");
  wigle_.PlainField(s.position->time.Iso(' '));
  wigle_.IntegerField(s.channel);
  wigle_.IntegerField(ChannelMHz(s.channel));
  wigle_.IntegerField(s.level);
  wigle_.PlainField(Degrees(s.position->latitude, kMapDecimals));
  wigle_.PlainField(Degrees(s.position->longitude, kMapDecimals));
  for (const char* rest : {"0", "0", "", "", "WIFI"}) wigle_.PlainField(rest);
  wigle_.EndLine();
}

void MapOutput::WriteKml() {
  kml_.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
            Xml(settings_.name) +
            "</name>\n"
            "<Style id=\"open\"><IconStyle><color>ff00c000</color></IconStyle></Style>\n"
            "<Style id=\"wep\"><IconStyle><color>ff0000e0</color></IconStyle></Style>\n");
  for (const AccessPoint& ap : table_.All()) {
    if (!ap.position) continue;
    const auto data = [](const char* name, const std::string& value) {
      return std::string("<Data name=\"") + name + "\"><value>" + value + "</value></Data>\n";
    };
    kml_.Text("<Placemark>\n<name>" + SsidName(ap.ssid) + "</name>\n<TimeStamp><when>" +
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
  kml_.Text("</Document>\n</kml>\n");
}

void MapOutput::WriteGpx() {
  gpx_.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"" +
            Xml(settings_.program) +
            "\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
            "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n<metadata><name>" +
            Xml(settings_.name) + "</name></metadata>\n");
  const auto place = [](double latitude, double longitude) {
    return "lat=\"" + Degrees(latitude, kMapDecimals) + "\" lon=\"" +
           Degrees(longitude, kMapDecimals) + "\"";
  };
  for (const AccessPoint& ap : table_.All()) {
    if (!ap.position) continue;
    gpx_.Text("<wpt " + place(ap.position->latitude, ap.position->longitude) + "><time>" +
              UtcText(ap.position->time) + "</time><name>" + SsidName(ap.ssid) +
              "</name><desc>MAC " + ColonMac(ap.mac) + ", channel " + Number(ap.channel) +
              ", WEP " + (ap.wep ? "Yes" : "No") + ", " + Number(ap.levelAtPosition) +
              " dBm</desc></wpt>\n");
  }
  if (!track_.empty()) {
    gpx_.Text("<trk><name>" + Xml(settings_.name) + "</name><trkseg>\n");
    for (const TrackPoint& p : track_) {
      const DateTime t{p.year, p.month, p.day, p.hours, p.minutes, p.seconds};
      gpx_.Text("<trkpt " + place(p.latitude, p.longitude) + "><time>" + UtcText(t) +
                "</time></trkpt>\n");
    }
    gpx_.Text("</trkseg></trk>\n");
  }
  gpx_.Text("</gpx>\n");
}

void MapOutput::WriteTable() {
  OutputFile& out = table_file_;
  for (const char* column : kAccessPointColumns) out.Field(column);
  out.EndLine();
  for (const AccessPoint& ap : table_.All()) {
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

bool MapOutput::Failed() const {
  return wigle_.Failed();
}

bool MapOutput::Finish() {
  if (files_.kml) WriteKml();
  if (files_.gpx) WriteGpx();
  if (files_.accessPoints) WriteTable();
  bool ok = true;
  for (OutputFile* file : Files()) {
    if (ok && !file->Close()) ok = false;
  }
  if (!ok) Abandon();
  return ok;
}

void MapOutput::Abandon() {
  for (OutputFile* file : Files()) file->Abandon();
}

std::string MapOutput::FailureDetail() const {
  for (const OutputFile* file : {&kml_, &gpx_, &wigle_, &table_file_}) {
    if (std::string detail = file->FailureDetail(); !detail.empty()) return detail;
  }
  return {};
}

std::vector<std::string> MapOutput::Warnings() const {
  std::vector<std::string> warnings;
  const std::uint64_t unplaced = table_.WithoutPosition();
  if ((files_.kml || files_.gpx) && unplaced != 0) {
    warnings.push_back(std::to_string(unplaced) + " of " +
                       Count(table_.All().size(), "access point") +
                       (unplaced == 1 ? " has" : " have") + " no GPS position and " +
                       (unplaced == 1 ? "is" : "are") + " not on the map.");
  }
  if (table_.LeftOut() != 0) {
    warnings.push_back((table_.LeftOutAtLeast() ? "More than " : "") +
                       Count(table_.LeftOut(), "access point") + " beyond the first " +
                       std::to_string(table_.Capacity()) + " left out of the access-point list" +
                       (files_.wigle ? " (their sightings are in the WiGLE file)." : "."));
  }
  if (track_left_out_ != 0) {
    warnings.push_back(Count(track_left_out_, "GPS position") + " beyond the first " +
                       std::to_string(kMaxTrackPoints) + " left out of the GPX track.");
  }
  return warnings;
}

} // namespace veltrix
