// The band's statistics over full-spectrum sweeps.
#include "analysis/spectrum_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "decode/channels.h"

namespace veltrix {

int ChannelCentreMHz(int channel) {
  return ChannelMHz(channel);
}

namespace {

// The whole dBm level that `level` rounds to (halves up), within the levels a sample can have.
int RowLevel(double level) {
  const double limit = SpectrumStats::kLevelLimitDb;
  return static_cast<int>(std::floor(std::clamp(level, -limit, limit) + 0.5));
}

} // namespace

SpectrumStats::SpectrumStats(double busyDb, double densityLow, double densityHigh)
    : busy_db_(busyDb), density_low_(RowLevel(densityLow)),
      density_rows_(std::max(1, RowLevel(densityHigh) - density_low_ + 1)) {
  totals_.density.assign(static_cast<std::size_t>(kDensityColumns * density_rows_), 0);
  totals_.columnTotal.assign(kDensityColumns, 0);
  totals_.peak.fill(-std::numeric_limits<double>::infinity());
}

// Sweeps of `samples` in 1/divisor dBm from here on: where each sample lies (its density column
// and the channels near it) and the density row of each sample value.
void SpectrumStats::Start(std::size_t samples, int divisor) {
  Fold(); // the pending sweeps are of the previous kind
  const double step = (kHighMHz - kLowMHz) / static_cast<double>(samples - 1);
  column_of_.resize(samples);
  for (std::size_t i = 0; i < samples; ++i) {
    const double mhz = kLowMHz + static_cast<double>(i) * step;
    column_of_[i] = std::min(kDensityColumns - 1, static_cast<int>(mhz - kLowMHz));
  }
  for (int c = 0; c < kChannels; ++c) {
    const double centre = ChannelCentreMHz(c + 1);
    const double low = (centre - kChannelHalfWidthMHz - kLowMHz) / step;
    const double high = (centre + kChannelHalfWidthMHz - kLowMHz) / step;
    // A small allowance, so that a sample exactly at the edge counts despite rounding.
    const auto first = static_cast<std::size_t>(std::max(0.0, std::ceil(low - 1e-9)));
    const auto last = static_cast<std::size_t>(
        std::min(static_cast<double>(samples - 1), std::floor(high + 1e-9)));
    near_[static_cast<std::size_t>(c)] = {first, last};
  }
  // A look-up per sample instead of a division, a floor and a branch that random levels would
  // keep mispredicting.
  const double scale = 1.0 / divisor;
  row_of_.resize(65536);
  for (int value = -32768; value <= 32767; ++value) {
    const int row = static_cast<int>(std::floor(value * scale + 0.5)) - density_low_;
    row_of_[static_cast<std::size_t>(value + 32768)] =
        static_cast<std::uint16_t>(row >= 0 && row < density_rows_ ? row : density_rows_);
  }
  // Busy: the least sample value at or above the threshold (one past every value when none is).
  busy_raw_ = 32768;
  for (int value = 32767; value >= -32768 && value * scale >= busy_db_; --value) busy_raw_ = value;

  Pending& p = pending_;
  p.samples = samples;
  p.divisor = divisor;
  p.sum.assign(samples, 0);
  p.top.assign(samples, std::numeric_limits<std::int16_t>::min());
  p.cells.assign(samples * (static_cast<std::size_t>(density_rows_) + 1), 0);
}

void SpectrumStats::Add(std::span<const std::int16_t> samples, int divisor) {
  if (samples.size() < 2 || divisor == 0) return;
  Pending& p = pending_;
  if (samples.size() != p.samples || divisor != p.divisor) Start(samples.size(), divisor);
  ++sweeps_;
  const std::size_t n = samples.size();
  const std::int16_t* s = samples.data();
  std::int32_t* sum = p.sum.data();
  std::int16_t* top = p.top.data();
  for (std::size_t i = 0; i < n; ++i) {
    sum[i] += s[i];
    top[i] = std::max(top[i], s[i]);
  }
  for (std::size_t c = 0; c < near_.size(); ++c) {
    const Near& near = near_[c];
    std::int16_t highest = std::numeric_limits<std::int16_t>::min();
    for (std::size_t i = near.first; i <= near.last; ++i) highest = std::max(highest, s[i]);
    busy_[c] += near.first <= near.last && highest >= busy_raw_;
  }
  const std::uint16_t* rowOf = row_of_.data() + 32768;
  const auto cellsPerSample = static_cast<std::size_t>(density_rows_) + 1;
  std::uint16_t* cells = p.cells.data();
  for (std::size_t i = 0; i < n; ++i, cells += cellsPerSample) ++cells[rowOf[s[i]]];
  if (++p.sweeps == kFoldEvery) Fold();
}

void SpectrumStats::Fold() const {
  Pending& p = pending_;
  if (p.sweeps == 0) return;
  Totals& t = totals_;
  const double scale = 1.0 / p.divisor;
  for (std::size_t c = 0; c < near_.size(); ++c) {
    const Near& near = near_[c];
    if (near.first > near.last) continue;
    std::int64_t sum = 0;
    std::int16_t highest = std::numeric_limits<std::int16_t>::min();
    for (std::size_t i = near.first; i <= near.last; ++i) {
      sum += p.sum[i];
      highest = std::max(highest, p.top[i]);
    }
    t.sum[c] += static_cast<double>(sum) * scale;
    t.count[c] += (near.last - near.first + 1) * p.sweeps;
    t.peak[c] = std::max(t.peak[c], highest * scale);
  }
  const auto rows = static_cast<std::size_t>(density_rows_);
  for (std::size_t i = 0; i < p.samples; ++i) {
    const auto column = static_cast<std::size_t>(column_of_[i]);
    std::uint64_t* counts = t.density.data() + column * rows;
    const std::uint16_t* cells = p.cells.data() + i * (rows + 1);
    for (std::size_t row = 0; row < rows; ++row) counts[row] += cells[row];
    t.columnTotal[column] += p.sweeps;
  }
  std::fill(p.sum.begin(), p.sum.end(), 0);
  std::fill(p.top.begin(), p.top.end(), std::numeric_limits<std::int16_t>::min());
  std::fill(p.cells.begin(), p.cells.end(), 0);
  p.sweeps = 0;
}

void SpectrumStats::Merge(const SpectrumStats& other) {
  Fold();
  other.Fold();
  sweeps_ += other.sweeps_;
  Totals& t = totals_;
  const Totals& o = other.totals_;
  for (std::size_t c = 0; c < t.sum.size(); ++c) {
    t.sum[c] += o.sum[c];
    t.count[c] += o.count[c];
    t.peak[c] = std::max(t.peak[c], o.peak[c]);
    busy_[c] += other.busy_[c];
  }
  for (std::size_t i = 0; i < t.density.size() && i < o.density.size(); ++i)
    t.density[i] += o.density[i];
  for (std::size_t i = 0; i < t.columnTotal.size(); ++i) t.columnTotal[i] += o.columnTotal[i];
}

std::vector<SpectrumStats::Channel> SpectrumStats::Channels() const {
  Fold();
  const Totals& t = totals_;
  std::vector<Channel> channels;
  for (std::size_t c = 0; c < t.sum.size(); ++c) {
    Channel channel{
        static_cast<int>(c) + 1, ChannelCentreMHz(static_cast<int>(c) + 1), {}, {}, 0.0};
    if (t.count[c] != 0) {
      channel.mean = t.sum[c] / static_cast<double>(t.count[c]);
      channel.peak = t.peak[c];
    }
    if (sweeps_ != 0)
      channel.busyPercent = 100.0 * static_cast<double>(busy_[c]) / static_cast<double>(sweeps_);
    channels.push_back(channel);
  }
  return channels;
}

double SpectrumStats::DensityShare(int column, int row) const {
  Fold();
  const std::uint64_t total = totals_.columnTotal[static_cast<std::size_t>(column)];
  if (total == 0) return 0.0;
  const std::uint64_t n =
      totals_.density[static_cast<std::size_t>(column) * static_cast<std::size_t>(density_rows_) +
                      static_cast<std::size_t>(row)];
  return static_cast<double>(n) / static_cast<double>(total);
}

} // namespace veltrix
