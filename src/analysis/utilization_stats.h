#pragma once
// Channel utilization over the utilization records of a log or a survey: per channel the records,
// the mean and the maximum, and a series for a chart over time, bounded like the waterfall's rows:
// consecutive records share a column (the maximum of each channel's values), and neighbouring
// columns merge pairwise when they fill up.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "text/date_text.h"

namespace veltrix {

class UtilizationStats {
public:
  static constexpr int kMaxChannel = 14;              // channels 0 to 14
  static constexpr std::size_t kDefaultColumns = 512; // even: columns merge in pairs

  explicit UtilizationStats(std::size_t columns = kDefaultColumns);

  // One record: the utilization in percent of each channel it tells of, at its RTC. A channel
  // beyond 14 is left out.
  void Add(const DateTime& rtc, std::span<const std::pair<int, double>> values);
  // Adds another's records after this one's (a survey's next log).
  void Append(const UtilizationStats& other);

  std::uint64_t Records() const { return records_; }

  struct Channel {
    int number;
    std::uint64_t records; // that told of it
    double mean, max;      // percent
  };
  // The channels seen: told of by a record with a value above 0, in channel order.
  std::vector<Channel> Channels() const;

  struct Column {
    DateTime first;                         // the RTC of its first record
    std::array<float, kMaxChannel + 1> max; // per channel; below 0 where none told of it
  };
  // The chart's columns in order, the last possibly of fewer records.
  std::vector<Column> Series() const;

private:
  void Push(const Column& column, std::uint64_t records);
  void MergeColumns();

  std::size_t max_columns_;
  std::uint64_t records_ = 0;
  std::array<std::uint64_t, kMaxChannel + 1> count_{};
  std::array<double, kMaxChannel + 1> sum_{}, max_{};
  std::array<bool, kMaxChannel + 1> seen_{};
  std::vector<Column> columns_; // whole ones, `span_` records each
  Column pending_{};
  std::uint64_t pending_records_ = 0;
  std::uint64_t span_ = 1;
};

} // namespace veltrix
