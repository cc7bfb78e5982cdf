// The merge order of a survey's logs, and its sightings as records of bytes.
#include "analysis/survey_merge.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace veltrix {
namespace {

// Fixed-size fields, in the machine's own byte order: the records never leave the process.
template <class T> void Put(char*& out, T value) {
  std::memcpy(out, &value, sizeof value);
  out += sizeof value;
}

template <class T> T Get(const char*& in) {
  T value;
  std::memcpy(&value, in, sizeof value);
  in += sizeof value;
  return value;
}

// A sighting's clocks come from bytes and a 16-bit year: 16 bits a field hold them.
void PutTime(char*& out, const DateTime& t) {
  for (const std::int64_t field : {t.year, t.month, t.day, t.hours, t.minutes, t.seconds})
    Put(out, static_cast<std::int16_t>(field));
}

DateTime GetTime(const char*& in) {
  DateTime t;
  for (std::int64_t* field : {&t.year, &t.month, &t.day, &t.hours, &t.minutes, &t.seconds})
    *field = Get<std::int16_t>(in);
  return t;
}

// Kept, MAC, channel, WEP, level, RTC, has a position, latitude, longitude, time, SSID length.
constexpr std::size_t kFixedBytes = 1 + 6 + 1 + 1 + 2 + 12 + 1 + 8 + 8 + 12 + 1;

} // namespace

std::vector<std::size_t> MergeOrder(const std::vector<MergeKey>& keys) {
  std::vector<std::size_t> order(keys.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const MergeKey& x = keys[a];
    const MergeKey& y = keys[b];
    if (x.firstRecord.has_value() != y.firstRecord.has_value()) return x.firstRecord.has_value();
    if (x.firstRecord && *x.firstRecord != *y.firstRecord) return *x.firstRecord < *y.firstRecord;
    return x.path < y.path; // byte by byte, as char_traits<char> compares
  });
  return order;
}

std::size_t SightingRecordLength(std::string_view head) {
  if (head.size() < 2) return 0;
  const char* p = head.data();
  return 2 + Get<std::uint16_t>(p);
}

void AppendSightingRecord(std::string& out, const Sighting& s, bool kept) {
  const std::size_t ssid = std::min<std::size_t>(s.ssid.size(), 255);
  char record[2 + kFixedBytes];
  char* p = record;
  Put<std::uint16_t>(p, static_cast<std::uint16_t>(kFixedBytes + ssid));
  Put<std::uint8_t>(p, kept ? 1 : 0);
  std::memcpy(p, s.mac.data(), s.mac.size());
  p += s.mac.size();
  Put<std::uint8_t>(p, s.channel);
  Put<std::uint8_t>(p, s.wep ? 1 : 0);
  Put<std::int16_t>(p, s.level);
  PutTime(p, s.rtc);
  const GpsPosition none;
  const GpsPosition& at = s.position ? *s.position : none;
  Put<std::uint8_t>(p, s.position ? 1 : 0);
  Put<double>(p, at.latitude);
  Put<double>(p, at.longitude);
  PutTime(p, at.time);
  Put<std::uint8_t>(p, static_cast<std::uint8_t>(ssid));
  out.append(record, sizeof record);
  out.append(s.ssid.substr(0, ssid));
}

std::size_t ReadSightingRecord(std::string_view in, Sighting& s, std::string& ssid, bool& kept) {
  if (in.size() < 2) return 0;
  const char* p = in.data();
  const std::size_t length = Get<std::uint16_t>(p);
  if (length < kFixedBytes || in.size() < 2 + length) return 0;
  kept = Get<std::uint8_t>(p) != 0;
  std::memcpy(s.mac.data(), p, s.mac.size());
  p += s.mac.size();
  s.channel = Get<std::uint8_t>(p);
  s.wep = Get<std::uint8_t>(p) != 0;
  s.level = Get<std::int16_t>(p);
  s.rtc = GetTime(p);
  const bool placed = Get<std::uint8_t>(p) != 0;
  GpsPosition at;
  at.latitude = Get<double>(p);
  at.longitude = Get<double>(p);
  at.time = GetTime(p);
  s.position = placed ? std::optional<GpsPosition>(at) : std::nullopt;
  const std::size_t size = Get<std::uint8_t>(p);
  ssid.assign(p, std::min(size, length - kFixedBytes));
  s.ssid = ssid;
  return 2 + length;
}

GatheredSurvey
GatherSurvey(const std::vector<std::size_t>& order,
             const std::function<bool(std::size_t log, std::string_view& record)>& next,
             const AccessPointFilter& filter, AccessPointTable& table) {
  // The access points of the sightings that the sighting filters left out: those that no kept
  // sighting brought into the table are left out by the filters.
  SightedCount dropped(4 * table.Capacity());
  Sighting s;
  std::string ssid;
  bool kept = false;
  for (const std::size_t log : order) {
    std::string_view record;
    while (next(log, record)) {
      if (ReadSightingRecord(record, s, ssid, kept) == 0) break;
      if (kept) {
        table.Add(s);
      } else {
        dropped.Add(s.mac);
      }
    }
  }
  GatheredSurvey gathered;
  gathered.leftOutByFilters = dropped.Count();
  for (const std::uint64_t mac : dropped.Keys())
    if (table.Knows(MacOf(mac))) --gathered.leftOutByFilters;
  if (filter.Active())
    gathered.leftOutByFilters +=
        table.KeepOnly([&](const AccessPoint& ap) { return filter.Keeps(ap); });
  gathered.leftOutAtLeast = dropped.AtLeast();
  return gathered;
}

void SightedCount::Add(const std::array<std::uint8_t, 6>& mac) {
  const std::uint64_t key = MacKey(mac);
  if (seen_.size() < limit_) {
    seen_.insert(key);
  } else if (!seen_.contains(key)) {
    more_ = true;
  }
}

} // namespace veltrix
