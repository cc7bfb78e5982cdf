#pragma once
// A survey of many logs merged as if it were one log: the order the logs are taken in, and the
// sightings of each log kept as compact records, so that the logs can be read at once (and in any
// order) and their sightings fed to one access-point table in that order afterwards.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "analysis/access_points.h"
#include "analysis/map_filters.h"
#include "reader/log_reader.h"
#include "text/date_text.h"

namespace veltrix {

// The clock of a log's first record: the first frame delivered with a payload (not empty, not
// stepped over as oversized) whose RTC is in range.
class FirstRecordClock {
public:
  void Take(const Frame& frame) {
    if (!time_ && frame.PayloadDelivered && frame.Rtc.InRange()) time_ = frame.Rtc;
  }
  const std::optional<DateTime>& Time() const { return time_; }

private:
  std::optional<DateTime> time_;
};

struct MergeKey {
  std::optional<DateTime> firstRecord; // FirstRecordClock's
  std::string path;                    // as given ("-" for standard input)
};

// The logs' indexes in merge order: by the clock of their first record, earliest first; logs
// without one after all others; ties, and the logs without one, by the bytes of their paths.
std::vector<std::size_t> MergeOrder(const std::vector<MergeKey>& keys);

// The length of the record that starts with `head` (its first two bytes at least), 0 when
// there are fewer.
std::size_t SightingRecordLength(std::string_view head);

// A sighting as a record of bytes, with whether the sighting filters kept it. Its clocks' fields
// are kept in 16 bits, as a log's RTC and GPS fixes have them.
void AppendSightingRecord(std::string& out, const Sighting& sighting, bool kept);
// The record at the start of `in`: its length (0 when `in` holds no whole record), the sighting
// (its SSID in `ssid`) and whether it was kept.
std::size_t ReadSightingRecord(std::string_view in, Sighting& sighting, std::string& ssid,
                               bool& kept);

// What gathering a survey's sightings found beside the table.
struct GatheredSurvey {
  std::uint64_t leftOutByFilters = 0; // access points sighted that the filters left out
  bool leftOutAtLeast = false;        // ... at least that many
};

// Feeds the sighting records of every log, in merge `order`, to `table` (those the sighting
// filters kept), then applies `filter` to the table. `next(log, record)` sets `record` to the
// log's next record, false at its end.
GatheredSurvey
GatherSurvey(const std::vector<std::size_t>& order,
             const std::function<bool(std::size_t log, std::string_view& record)>& next,
             const AccessPointFilter& filter, AccessPointTable& table);

// Counts distinct access points: up to `limit` of them exactly, and whether there were more.
class SightedCount {
public:
  explicit SightedCount(std::size_t limit) : limit_(limit) {}
  void Add(const std::array<std::uint8_t, 6>& mac);
  std::uint64_t Count() const { return seen_.size(); }
  bool AtLeast() const { return more_; }
  const std::unordered_set<std::uint64_t>& Keys() const { return seen_; }

private:
  std::size_t limit_;
  std::unordered_set<std::uint64_t> seen_;
  bool more_ = false;
};

} // namespace veltrix
