// Channel utilization over utilization records.
#include "analysis/utilization_stats.h"

#include <algorithm>

namespace veltrix {
namespace {

UtilizationStats::Column Empty(const DateTime& first) {
  UtilizationStats::Column column{first, {}};
  column.max.fill(-1.0f);
  return column;
}

void Combine(UtilizationStats::Column& into, const UtilizationStats::Column& from) {
  for (std::size_t c = 0; c < into.max.size(); ++c)
    into.max[c] = std::max(into.max[c], from.max[c]);
}

} // namespace

UtilizationStats::UtilizationStats(std::size_t columns)
    : max_columns_(std::max<std::size_t>(2, columns & ~std::size_t{1})) {
  columns_.reserve(max_columns_);
}

void UtilizationStats::Add(const DateTime& rtc, std::span<const std::pair<int, double>> values) {
  Column column = Empty(rtc);
  for (const auto& [channel, percent] : values) {
    if (channel < 0 || channel > kMaxChannel) continue;
    const auto c = static_cast<std::size_t>(channel);
    ++count_[c];
    sum_[c] += percent;
    max_[c] = count_[c] == 1 ? percent : std::max(max_[c], percent);
    seen_[c] = seen_[c] || percent > 0.0;
    column.max[c] = std::max(column.max[c], static_cast<float>(percent));
  }
  ++records_;
  Push(column, 1);
}

// Adds `column`, standing for `records` records, at the end of the series.
void UtilizationStats::Push(const Column& column, std::uint64_t records) {
  if (pending_records_ == 0) {
    pending_ = column;
  } else {
    Combine(pending_, column);
  }
  pending_records_ += records;
  if (pending_records_ < span_) return;
  columns_.push_back(pending_);
  pending_records_ = 0;
  if (columns_.size() == max_columns_) MergeColumns();
}

// Neighbouring columns combined: half as many, each twice as long.
void UtilizationStats::MergeColumns() {
  for (std::size_t i = 0; i < columns_.size() / 2; ++i) {
    Column a = columns_[2 * i];
    Combine(a, columns_[2 * i + 1]);
    columns_[i] = a;
  }
  columns_.resize(columns_.size() / 2);
  span_ *= 2;
}

void UtilizationStats::Append(const UtilizationStats& other) {
  records_ += other.records_;
  for (std::size_t c = 0; c < count_.size(); ++c) {
    if (other.count_[c] == 0) continue;
    max_[c] = count_[c] == 0 ? other.max_[c] : std::max(max_[c], other.max_[c]);
    count_[c] += other.count_[c];
    sum_[c] += other.sum_[c];
    seen_[c] = seen_[c] || other.seen_[c];
  }
  // The other's columns stand for `other.span_` records each; pushed whole, they keep the
  // series within its bound.
  for (const Column& column : other.columns_) Push(column, other.span_);
  if (other.pending_records_ != 0) Push(other.pending_, other.pending_records_);
}

std::vector<UtilizationStats::Channel> UtilizationStats::Channels() const {
  std::vector<Channel> channels;
  for (std::size_t c = 0; c < count_.size(); ++c) {
    if (!seen_[c]) continue;
    channels.push_back(
        {static_cast<int>(c), count_[c], sum_[c] / static_cast<double>(count_[c]), max_[c]});
  }
  return channels;
}

std::vector<UtilizationStats::Column> UtilizationStats::Series() const {
  std::vector<Column> series = columns_;
  if (pending_records_ != 0) series.push_back(pending_);
  return series;
}

} // namespace veltrix
