#include "analysis/sweep_accumulator.h"

#include <algorithm>
#include <cstdlib>

namespace veltrix {
namespace {

// Sums of raw samples stay within 32 bits for this many sweeps.
constexpr std::uint32_t kPartialSweeps = 32768;

} // namespace

SweepAccumulator::SweepAccumulator(std::size_t maxRows)
    : max_rows_(std::max<std::size_t>(2, maxRows & ~std::size_t{1})) {
  rows_.reserve(max_rows_);
}

void SweepAccumulator::Add(std::span<const std::int16_t> samples, int divisor, const DateTime& rtc,
                           std::string_view marker) {
  if (samples.empty()) return;
  if (sweeps_ == 0) {
    divisor_ = divisor;
    peak_.assign(samples.begin(), samples.end());
    sums_.assign(samples.size(), 0);
    partial_sums_.assign(samples.size(), 0);
    marker_ = marker;
    first_time_ = rtc.RtcText();
  }
  const std::size_t n = std::min(samples.size(), peak_.size());
  const std::int16_t* s = samples.data();

  // The clock: a gap where it jumps by more than a minute either way.
  if (sweeps_ == 0 || rtc != rtc_) {
    const std::int64_t seconds = rtc.Seconds();
    if (sweeps_ != 0 && std::abs(seconds - rtc_seconds_) > kGapSeconds &&
        gaps_.size() < kMaxEvents) {
      gaps_.push_back({sweeps_, seconds - rtc_seconds_});
    }
    rtc_seconds_ = seconds;
    rtc_ = rtc;
  }
  if (marker != marker_) {
    if (marker_changes_.size() < kMaxEvents)
      marker_changes_.push_back({sweeps_, std::string(marker)});
    marker_ = marker;
  }

  if (pending_.sweeps == 0) {
    pending_.peak.assign(s, s + n);
    pending_.firstSweep = sweeps_;
    pending_.time = rtc.RtcText();
  }
  // One pass, in plain arrays the compiler can take many samples at a time in.
  std::int16_t* peak = peak_.data();
  std::int16_t* row = pending_.peak.data();
  std::int32_t* sums = partial_sums_.data();
  for (std::size_t i = 0; i < n; ++i) {
    peak[i] = std::max(peak[i], s[i]);
    row[i] = std::max(row[i], s[i]);
    sums[i] += s[i];
  }
  if (++partial_count_ == kPartialSweeps) FlushSums();
  ++sweeps_;
  if (++pending_.sweeps == span_) {
    rows_.push_back(std::move(pending_));
    pending_ = Row{};
    if (rows_.size() == max_rows_) MergeRows();
  }
}

// Neighbouring rows combined by their maximum: half as many rows, each twice as long.
void SweepAccumulator::MergeRows() {
  for (std::size_t i = 0; i < rows_.size() / 2; ++i) {
    Row& a = rows_[2 * i];
    const Row& b = rows_[2 * i + 1];
    for (std::size_t k = 0; k < a.peak.size(); ++k) a.peak[k] = std::max(a.peak[k], b.peak[k]);
    a.sweeps += b.sweeps;
    if (i != 2 * i) rows_[i] = std::move(a);
  }
  rows_.resize(rows_.size() / 2);
  span_ *= 2;
}

void SweepAccumulator::FlushSums() {
  for (std::size_t i = 0; i < sums_.size(); ++i) {
    sums_[i] += partial_sums_[i];
    partial_sums_[i] = 0;
  }
  partial_count_ = 0;
}

std::vector<SweepAccumulator::Row> SweepAccumulator::Rows() const {
  std::vector<Row> rows = rows_;
  if (pending_.sweeps != 0) rows.push_back(pending_);
  return rows;
}

std::vector<double> SweepAccumulator::Mean() const {
  std::vector<double> mean(sums_.size(), 0.0);
  if (sweeps_ == 0) return mean;
  for (std::size_t i = 0; i < mean.size(); ++i) {
    const auto total = static_cast<double>(sums_[i] + partial_sums_[i]);
    mean[i] = total / static_cast<double>(sweeps_) / divisor_;
  }
  return mean;
}

std::vector<double> SweepAccumulator::Peak() const {
  std::vector<double> peak(peak_.size());
  for (std::size_t i = 0; i < peak.size(); ++i) peak[i] = static_cast<double>(peak_[i]) / divisor_;
  return peak;
}

} // namespace veltrix
