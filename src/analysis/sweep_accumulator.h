#pragma once
// The full-spectrum sweeps of one log, gathered for a waterfall picture in memory bounded by the
// picture, not by the log: consecutive sweeps are combined into rows by their maximum as they
// come (neighbouring rows merge pairwise when the rows fill up), with the mean and the peak of
// every sample over the whole log, and the marker changes and time gaps between sweeps.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_text.h"

namespace veltrix {

class SweepAccumulator {
public:
  static constexpr std::size_t kMaxRows = 1024; // even: rows merge in pairs
  static constexpr std::size_t kMaxEvents = 64; // marker changes and gaps kept, each
  static constexpr std::int64_t kGapSeconds = 60;

  struct Row {
    std::vector<std::int16_t> peak; // per sample, the maximum over the row's sweeps (raw units)
    std::uint64_t firstSweep = 0;
    std::uint64_t sweeps = 0;
    std::string time; // "date time" of the RTC of its first sweep
  };
  struct MarkerChange {
    std::uint64_t sweep; // the first sweep with the new marker
    std::string marker;
  };
  struct Gap {
    std::uint64_t sweep;  // the first sweep after the gap
    std::int64_t seconds; // from the sweep before (negative when the clock went back)
  };

  explicit SweepAccumulator(std::size_t maxRows = kMaxRows);

  // One sweep: `samples` in units of 1/divisor dBm (16 or 256), with its RTC and marker.
  void Add(std::span<const std::int16_t> samples, int divisor, const DateTime& rtc,
           std::string_view marker);

  std::uint64_t Sweeps() const { return sweeps_; }
  std::size_t Samples() const { return peak_.size(); }
  int Divisor() const { return divisor_; }
  // The rows in order, the last one possibly covering fewer sweeps than the others.
  std::vector<Row> Rows() const;
  // Per sample over every sweep, in dBm.
  std::vector<double> Mean() const;
  std::vector<double> Peak() const;
  const std::vector<MarkerChange>& MarkerChanges() const { return marker_changes_; }
  const std::vector<Gap>& Gaps() const { return gaps_; }
  const std::string& FirstTime() const { return first_time_; }
  std::string LastTime() const { return rtc_.RtcText(); }

private:
  void MergeRows();
  void FlushSums();

  std::size_t max_rows_;
  std::vector<Row> rows_; // complete rows of span_ sweeps each
  Row pending_;           // the row being filled
  std::uint64_t span_ = 1;
  std::uint64_t sweeps_ = 0;
  int divisor_ = 16;
  std::vector<std::int16_t> peak_;
  std::vector<std::int64_t> sums_;
  std::vector<std::int32_t> partial_sums_; // added up in 32 bits, flushed before they overflow
  std::uint32_t partial_count_ = 0;
  std::vector<MarkerChange> marker_changes_;
  std::vector<Gap> gaps_;
  std::string marker_;
  DateTime rtc_; // of the last sweep
  std::int64_t rtc_seconds_ = 0;
  std::string first_time_;
};

} // namespace veltrix
