#pragma once
// Models that several outputs share. This one: the access points of a log, gathered from their
// sightings: each report of an access point by a survey or a management-frame capture, with the
// GPS fix in force when it was made. (sweep_accumulator.h holds the sweeps of a waterfall.)

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "survey/gps_decoder.h"
#include "survey/station_list.h"
#include "text/date_text.h"

namespace veltrix {

// A GPS fix that says where the instrument was: its place and its (UTC) date and time.
struct GpsPosition {
  double latitude = 0.0;  // degrees, positive north
  double longitude = 0.0; // degrees, positive east
  DateTime time;
  bool operator==(const GpsPosition&) const = default;
};

// A MAC as one number, for sets and indexes.
inline std::uint64_t MacKey(const std::array<std::uint8_t, 6>& mac) {
  std::uint64_t key = 0;
  for (const std::uint8_t b : mac) key = key << 8 | b;
  return key;
}

inline std::array<std::uint8_t, 6> MacOf(std::uint64_t key) {
  std::array<std::uint8_t, 6> mac{};
  for (int i = 5; i >= 0; --i, key >>= 8)
    mac[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(key);
  return mac;
}

// The position of the receiver's latest fix; nothing before the first GPS block, for a fix at
// exactly 0, 0, one beyond +-90 / +-180 degrees, or one whose date (years 1980-2099) or time is
// out of range.
std::optional<GpsPosition> PositionOf(const GpsDecoder& gps);

// One report of an access point.
struct Sighting {
  std::array<std::uint8_t, 6> mac{};
  std::string_view ssid;
  std::uint8_t channel = 0;
  bool wep = false;
  std::int16_t level = 0; // dBm
  DateTime rtc;           // the record's
  std::optional<GpsPosition> position;
};

// The sighting of an access point's node as a decoder reports it, in the record of `rtc` with
// `gps`'s latest fix in force.
Sighting SightingOf(const StationNode& node, const DateTime& rtc, const GpsDecoder& gps);

struct AccessPoint {
  std::array<std::uint8_t, 6> mac{};
  std::string ssid;         // the latest non-empty one
  std::uint8_t channel = 0; // of the strongest sighting
  bool wep = false;         // any sighting had it
  std::uint64_t sightings = 0;
  std::int16_t maxLevel = 0, minLevel = 0;
  DateTime firstRtc, lastRtc; // of the first and last sighting
  // The fix of the strongest sighting that had one, and that sighting's level.
  std::optional<GpsPosition> position;
  std::int16_t levelAtPosition = 0;
};

// The columns of a table of access points, and an access point's values in them as texts: the
// access-point table file and the report show the same.
inline constexpr std::array<const char*, 12> kAccessPointColumns = {
    "MAC",       "SSID",           "Channel",
    "WEP",       "Sightings",      "First Seen",
    "Last Seen", "Max RSSI (dBm)", "Min RSSI (dBm)",
    "Latitude",  "Longitude",      "RSSI at Position (dBm)"};
std::array<std::string, 12> AccessPointFields(const AccessPoint& ap);

// The access points by MAC, in the order they were first seen. Bounded: past `capacity` access
// points, sightings of further ones are only counted.
class AccessPointTable {
public:
  static constexpr std::size_t kDefaultCapacity = 65536;
  // Access points turned away are counted one by one up to this many.
  static constexpr std::size_t kMaxLeftOutCounted = 65536;

  explicit AccessPointTable(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  void Add(const Sighting& sighting);
  // Keeps the access points `keep` says yes to, in their order; returns how many went.
  std::size_t KeepOnly(const std::function<bool(const AccessPoint&)>& keep);
  const std::vector<AccessPoint>& All() const { return points_; }
  bool Contains(const std::array<std::uint8_t, 6>& mac) const {
    return index_.contains(MacKey(mac));
  }
  std::size_t Capacity() const { return capacity_; }
  // Access points left out because the table was full, each counted once; counting stops at
  // kMaxLeftOutCounted of them (LeftOutAtLeast() then tells that there were more).
  std::uint64_t LeftOut() const { return left_out_.size(); }
  bool LeftOutAtLeast() const { return left_out_more_; }
  // Whether the table has this access point, or has turned it away (as counted).
  bool Knows(const std::array<std::uint8_t, 6>& mac) const {
    return Contains(mac) || left_out_.contains(MacKey(mac));
  }
  std::uint64_t WithoutPosition() const;

private:
  std::size_t capacity_;
  std::vector<AccessPoint> points_;
  std::unordered_map<std::uint64_t, std::size_t> index_;
  // The MACs turned away, to count each once; bounded like the table itself.
  std::unordered_set<std::uint64_t> left_out_;
  bool left_out_more_ = false;
};

} // namespace veltrix
