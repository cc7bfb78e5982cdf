#include "convert/sweep_accumulator.h"

#include <algorithm>
#include <cstdlib>

#include "text/date_text.h"

namespace veltrix {
namespace {

// Sums of raw samples stay within 32 bits for this many sweeps.
constexpr std::uint32_t kPartialSweeps = 32768;

std::string Joined(std::string_view date, std::string_view time) {
  std::string text(date);
  text += ' ';
  text += time;
  return text;
}

// Days from 1970-01-01 of a civil date (month and day as they come: odd values count on).
std::int64_t Days(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

} // namespace

SweepAccumulator::SweepAccumulator(std::size_t maxRows)
    : max_rows_(std::max<std::size_t>(2, maxRows & ~std::size_t{1})) {
  rows_.reserve(max_rows_);
}

std::int64_t SweepAccumulator::RtcSeconds(std::string_view date, std::string_view time) {
  std::int64_t d[3], t[3];
  if (!ThreeNumbers(date, d) || !ThreeNumbers(time, t)) return 0;
  return Days(d[2], d[0], d[1]) * 86400 + t[0] * 3600 + t[1] * 60 + t[2];
}

void SweepAccumulator::Add(std::span<const std::int16_t> samples, int divisor,
                           std::string_view rtcDate, std::string_view rtcTime,
                           std::string_view marker) {
  if (samples.empty()) return;
  if (sweeps_ == 0) {
    divisor_ = divisor;
    peak_.assign(samples.begin(), samples.end());
    sums_.assign(samples.size(), 0);
    partial_sums_.assign(samples.size(), 0);
    marker_ = marker;
    first_time_ = Joined(rtcDate, rtcTime);
  }
  const std::size_t n = std::min(samples.size(), peak_.size());
  const std::int16_t* s = samples.data();

  // The clock: a gap where it jumps by more than a minute either way. Dates change seldom, and
  // the time is mostly the plain "HH:MM:SS".
  if (sweeps_ == 0 || rtcTime != rtc_time_ || rtcDate != rtc_date_) {
    const auto digit = [&](std::size_t i) { return rtcTime[i] - '0'; };
    std::int64_t seconds;
    if (sweeps_ != 0 && rtcDate == rtc_date_ && rtcTime.size() == 8 && rtcTime[2] == ':' &&
        rtcTime[5] == ':') {
      seconds = rtc_day_start_ + (digit(0) * 10 + digit(1)) * 3600 +
                (digit(3) * 10 + digit(4)) * 60 + digit(6) * 10 + digit(7);
    } else {
      seconds = RtcSeconds(rtcDate, rtcTime);
      rtc_day_start_ = RtcSeconds(rtcDate, "00:00:00");
    }
    if (sweeps_ != 0 && std::abs(seconds - rtc_seconds_) > kGapSeconds &&
        gaps_.size() < kMaxEvents) {
      gaps_.push_back({sweeps_, seconds - rtc_seconds_});
    }
    rtc_seconds_ = seconds;
    rtc_date_ = rtcDate;
    rtc_time_ = rtcTime;
  }
  if (marker != marker_) {
    if (marker_changes_.size() < kMaxEvents)
      marker_changes_.push_back({sweeps_, std::string(marker)});
    marker_ = marker;
  }

  if (pending_.sweeps == 0) {
    pending_.peak.assign(s, s + n);
    pending_.firstSweep = sweeps_;
    pending_.time = Joined(rtcDate, rtcTime);
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
