// A simulated site survey: a walk of about fifteen minutes through a few streets, with the access
// points of the buildings along them heard as the walker passes, for the examples and the report.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "example_log.h"

namespace veltrix::tools {
namespace {

using testing::Bytes;
using testing::LogBuilder;
using testing::Mac;

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 6371000.0 * kPi / 180.0;
constexpr double kLatitude = 48.13512, kLongitude = 11.58198; // the walk's start
constexpr int kSeconds = 900;
constexpr double kNoiseFloor = -96.0;

struct Point {
  double x, y; // metres east and north of the start
};

// The streets, corner to corner; the walker keeps an even pace over them.
const std::vector<Point> kCorners = {{0, 0},     {160, 0},   {160, 120}, {320, 120},
                                     {320, -60}, {160, -60}, {160, 0},   {0, 0},
                                     {0, 140},   {-90, 140}, {-90, 0},   {0, 0}};

struct AccessPoint {
  Mac mac;
  std::string ssid;
  std::uint8_t channel;
  bool wep;
  Point at;
  double power;   // dBm at a metre
  double traffic; // the share of sweeps in which it sends
};

struct Clock {
  int second; // since the start
  testing::Rtc Rtc() const {
    const int t = 10 * 3600 + 4 * 60 + second; // 10:04:00 on 14 May 2024
    return testing::Rtc{14,
                        5,
                        24,
                        static_cast<std::uint8_t>(t / 3600),
                        static_cast<std::uint8_t>(t / 60 % 60),
                        static_cast<std::uint8_t>(t % 60)};
  }
};

class Survey {
public:
  explicit Survey(LogVariant variant) : b_(variant == LogVariant::B), random_(2024) {
    Place();
    double length = 0;
    for (std::size_t i = 1; i < kCorners.size(); ++i)
      length += Distance(kCorners[i - 1], kCorners[i]);
    speed_ = length / kSeconds;
  }

  Bytes Log() {
    LogBuilder log(b_ ? "QXB " : "QXBG");
    for (int s = 0; s < kSeconds; ++s) {
      const Clock clock{s};
      const Point here = Where(s);
      marker_ = Corner(s);
      // The instrument steps through the channels it listens on, a second each.
      static constexpr std::uint8_t kTuned[] = {1, 6, 11, 3, 6, 9, 1, 11};
      const std::uint8_t channel = kTuned[s % std::size(kTuned)];
      Frame(log, b_ ? 4 : 17, {channel}, clock);
      if (s % 2 == 0) Frame(log, b_ ? 7 : 25, testing::GpsBody(Fix(here, s)), clock);
      Frame(log, b_ ? 14 : 8, testing::SpectrumBody(Sweep(here, s)), clock);
      if (s % 5 == 0) Hear(log, here, channel, clock);
      if (s % 10 == 5) Utilization(log, here, channel, clock);
    }
    return log.bytes();
  }

private:
  static double Distance(const Point& a, const Point& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
  }

  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
  }

  // Twenty-four access points in the buildings along the streets, mostly on channels 1, 6 and
  // 11, some with WEP, some sharing an SSID, one hidden.
  void Place() {
    static const char* const kNames[] = {
        "Cafe Lindwurm",  "CityNet",  "CityNet",        "Praxis Dr. Huber", "HomeBox-7F21",
        "Buchhandlung",   "",         "CityNet",        "Hotel Adler",      "Hotel Adler Guest",
        "FRITZ!Box 7530", "Bäckerei", "Kanzlei <Nord>", "HomeBox-1A0C",     "Studio 42",
        "Apotheke",       "CityNet",  "UPC1234567",     "Galerie & Café",   "Office-5G?",
        "Lager",          "Gast",     "HomeBox-99B1",   "Druckerei"};
    static constexpr std::uint8_t kChannels[] = {1, 6, 11, 6, 1,  11, 6, 1, 11, 11, 6, 1,
                                                 3, 6, 9,  1, 11, 6,  1, 6, 11, 4,  1, 6};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      // Beside a street: at a point along a leg, set back from it.
      const std::size_t leg = i % (kCorners.size() - 1);
      const Point& a = kCorners[leg];
      const Point& b = kCorners[leg + 1];
      const double along = Uniform(0.1, 0.9), back = Uniform(8, 35) * (i % 2 ? 1 : -1);
      const double length = std::max(1.0, Distance(a, b));
      const Point at{a.x + (b.x - a.x) * along - (b.y - a.y) / length * back,
                     a.y + (b.y - a.y) * along + (b.x - a.x) / length * back};
      points_.push_back({Mac{0x00, 0x1C, 0xF0, 0x4A, static_cast<std::uint8_t>(0x10 + i),
                             static_cast<std::uint8_t>(0x3B * i)},
                         kNames[i], kChannels[i], i % 3 == 1, at, Uniform(-38, -28),
                         Uniform(0.25, 0.9)});
    }
  }

  // The walker's place at second `s`.
  Point Where(int s) const {
    double left = speed_ * s;
    for (std::size_t i = 1; i < kCorners.size(); ++i) {
      const double leg = Distance(kCorners[i - 1], kCorners[i]);
      if (left <= leg) {
        const double f = leg == 0 ? 0 : left / leg;
        return {kCorners[i - 1].x + (kCorners[i].x - kCorners[i - 1].x) * f,
                kCorners[i - 1].y + (kCorners[i].y - kCorners[i - 1].y) * f};
      }
      left -= leg;
    }
    return kCorners.back();
  }

  // The number of the last corner passed at second `s`.
  int Corner(int s) const {
    double walked = speed_ * s;
    int corner = 0;
    for (std::size_t i = 1; i < kCorners.size() && walked >= Distance(kCorners[i - 1], kCorners[i]);
         ++i) {
      walked -= Distance(kCorners[i - 1], kCorners[i]);
      corner = static_cast<int>(i);
    }
    return corner;
  }

  // Log-distance path loss from a metre on, exponent 2.8, and a little fading.
  double Level(const AccessPoint& ap, const Point& here) {
    const double d = std::max(1.0, Distance(ap.at, here));
    return ap.power - 28.0 * std::log10(d) + Uniform(-2.5, 2.5);
  }

  testing::GpsFix Fix(const Point& here, int s) const {
    testing::GpsFix fix;
    const int t = 8 * 3600 + 4 * 60 + s; // UTC, two hours behind the RTC
    fix.year = 2024, fix.month = 5, fix.day = 14;
    fix.hours = static_cast<std::uint8_t>(t / 3600);
    fix.minutes = static_cast<std::uint8_t>(t / 60 % 60);
    fix.seconds = static_cast<std::uint8_t>(t % 60);
    const double latitude = kLatitude + here.y / kMetresPerDegree;
    const double longitude =
        kLongitude + here.x / (kMetresPerDegree * std::cos(kLatitude * kPi / 180));
    fix.latitude = static_cast<std::int32_t>(std::lround(latitude * 3600000));
    fix.longitude = static_cast<std::int32_t>(std::lround(longitude * 3600000));
    return fix;
  }

  // A full sweep: the noise floor, a 22 MHz hump for each access point sending now, and the
  // microwave oven in the kitchen at the second corner, on for two minutes.
  std::vector<std::int16_t> Sweep(const Point& here, int s) {
    const int samples = b_ ? 273 : 147;
    const double unit = b_ ? 256.0 : 16.0;
    std::vector<double> milliwatts(static_cast<std::size_t>(samples));
    for (double& mw : milliwatts) mw = std::pow(10.0, (kNoiseFloor + Uniform(-2, 2)) / 10);
    const auto add = [&](double centre, double halfWidth, double edge, double dBm) {
      for (int i = 0; i < samples; ++i) {
        const double mhz = 2400 + i * 100.0 / (samples - 1);
        const double off = std::fabs(mhz - centre);
        if (off > halfWidth) continue;
        const double level = dBm - (off > edge ? (off - edge) / (halfWidth - edge) * 25 : 0);
        milliwatts[static_cast<std::size_t>(i)] += std::pow(10.0, level / 10);
      }
    };
    for (const AccessPoint& ap : points_) {
      if (Uniform(0, 1) > ap.traffic) continue;
      add(2407 + 5.0 * ap.channel, 11, 8, Level(ap, here));
    }
    if (s >= 360 && s < 480 && Uniform(0, 1) < 0.7)
      add(2455, 5, 4, -42 - Distance(here, {160, 120}) / 8);
    std::vector<std::int16_t> sweep;
    for (const double mw : milliwatts)
      sweep.push_back(static_cast<std::int16_t>(std::lround(10 * std::log10(mw) * unit)));
    return sweep;
  }

  // What the instrument hears of the access points on the channel it is tuned to: an 802.11g
  // survey, or 802.11b beacon captures.
  void Hear(LogBuilder& log, const Point& here, std::uint8_t channel, const Clock& clock) {
    std::vector<const AccessPoint*> heard;
    for (const AccessPoint& ap : points_) {
      if (ap.channel == channel && Level(ap, here) > -92) heard.push_back(&ap);
    }
    if (heard.empty()) return;
    if (!b_) {
      std::vector<testing::GSurveyStation> stations;
      std::vector<testing::GSurveyAccessPoint> aps;
      for (const AccessPoint* ap : heard) {
        aps.push_back({static_cast<std::uint8_t>(stations.size()), ap->ssid, ap->channel, ap->wep});
        stations.push_back({ap->mac, static_cast<std::int16_t>(std::lround(Level(*ap, here)))});
      }
      Frame(log, 16, testing::GSurveyBody(stations, aps), clock);
      return;
    }
    for (const AccessPoint* ap : heard) {
      testing::CaptureHeader header;
      header.rssi = static_cast<std::int8_t>(std::lround(Level(*ap, here)));
      for (auto& [i, q] : header.multipath) {
        i = static_cast<std::int8_t>(Uniform(-30, 30));
        q = static_cast<std::int8_t>(Uniform(-30, 30));
      }
      const Bytes frame = testing::BeaconFrame(20, ap->mac, ap->wep,
                                               {{0, testing::SsidElementContent(ap->ssid)},
                                                {1, {0x82, 0x84, 0x8b, 0x96}},
                                                {3, {ap->channel}}});
      Frame(log, 9, testing::CaptureBody(header, frame), clock);
    }
  }

  // How busy the tuned channel is: the traffic of the access points on it that are near.
  void Utilization(LogBuilder& log, const Point& here, std::uint8_t channel, const Clock& clock) {
    double load = 0;
    for (const AccessPoint& ap : points_) {
      if (ap.channel == channel && Level(ap, here) > -85) load += ap.traffic * 0.12;
    }
    load = std::min(0.95, load + Uniform(0, 0.03));
    if (b_) {
      // Bytes a second at 1, 2, 5.5 and 11 Mb/s, the most at 11.
      Frame(log, 19,
            testing::BUtilBody({static_cast<std::uint32_t>(125000 * load * 0.1),
                                static_cast<std::uint32_t>(250000 * load * 0.1),
                                static_cast<std::uint32_t>(687500 * load * 0.2),
                                static_cast<std::uint32_t>(1375000 * load * 0.6)}),
            clock);
      return;
    }
    std::array<std::uint32_t, 14> counts{};
    counts[0] = static_cast<std::uint32_t>(125000 * load * 0.1);   // 1 Mb/s
    counts[10] = static_cast<std::uint32_t>(4125000 * load * 0.3); // 33 Mb/s
    counts[13] = static_cast<std::uint32_t>(6750000 * load * 0.6); // 54 Mb/s
    Frame(log, 21, testing::GUtilBody(counts), clock);
  }

  // A frame, with the corner's marker on the first frame after the walker turned it.
  void Frame(LogBuilder& log, std::uint8_t type, const Bytes& body, const Clock& clock) {
    std::string marker;
    if (marker_ != marked_) {
      marker = std::to_string(marker_ + 1);
      marked_ = marker_;
    }
    log.Frame(type, body, marker, clock.Rtc());
  }

  const bool b_;
  std::mt19937 random_;
  std::vector<AccessPoint> points_;
  double speed_ = 1;
  int marker_ = 0, marked_ = -1;
};

} // namespace

Bytes MakeSurveyLog(LogVariant generation) {
  return Survey(generation).Log();
}

} // namespace veltrix::tools
