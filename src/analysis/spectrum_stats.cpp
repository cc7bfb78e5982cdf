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
      density_rows_(std::max(1, RowLevel(densityHigh) - density_low_ + 1)),
      density_(static_cast<std::size_t>(kDensityColumns * density_rows_), 0),
      column_total_(kDensityColumns, 0) {
  peak_.fill(-std::numeric_limits<double>::infinity());
}

// Where each sample of a sweep of `samples` lies: its density column and the channels near it.
void SpectrumStats::Place(std::size_t samples) {
  Fold(); // the counts by sample are for the previous placing
  placed_for_ = samples;
  const double step = (kHighMHz - kLowMHz) / static_cast<double>(samples - 1);
  column_of_.resize(samples);
  column_samples_.assign(kDensityColumns, 0);
  for (std::size_t i = 0; i < samples; ++i) {
    const double mhz = kLowMHz + static_cast<double>(i) * step;
    column_of_[i] = std::min(kDensityColumns - 1, static_cast<int>(mhz - kLowMHz));
    ++column_samples_[static_cast<std::size_t>(column_of_[i])];
  }
  by_sample_.assign(samples * (static_cast<std::size_t>(density_rows_) + 1), 0);
  prefix_.resize(samples + 1);
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
}

// The density row of every sample value for one divisor: the level rounded half up, or the
// extra row past the last for a level outside them. A sweep then costs a look-up per sample
// instead of a division, a floor and a branch that random levels would keep mispredicting.
void SpectrumStats::Rank(int divisor) {
  ranked_for_ = divisor;
  const double scale = 1.0 / divisor;
  row_of_.resize(65536);
  for (int value = -32768; value <= 32767; ++value) {
    const int row = static_cast<int>(std::floor(value * scale + 0.5)) - density_low_;
    row_of_[static_cast<std::size_t>(value + 32768)] =
        static_cast<std::uint16_t>(row >= 0 && row < density_rows_ ? row : density_rows_);
  }
}

void SpectrumStats::Add(std::span<const std::int16_t> samples, int divisor) {
  if (samples.size() < 2 || divisor == 0) return;
  if (samples.size() != placed_for_) Place(samples.size());
  if (divisor != ranked_for_) Rank(divisor);
  ++sweeps_;
  const double scale = 1.0 / divisor;
  // The channels' sums from running sums, in the samples' own units: whole numbers, exact.
  std::int64_t* prefix = prefix_.data();
  prefix[0] = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) prefix[i + 1] = prefix[i] + samples[i];
  for (std::size_t c = 0; c < near_.size(); ++c) {
    const Near& near = near_[c];
    if (near.first > near.last) continue;
    std::int16_t highest = samples[near.first];
    for (std::size_t i = near.first + 1; i <= near.last; ++i)
      highest = std::max(highest, samples[i]);
    sum_[c] += static_cast<double>(prefix[near.last + 1] - prefix[near.first]) * scale;
    count_[c] += near.last - near.first + 1;
    peak_[c] = std::max(peak_[c], highest * scale);
    if (highest * scale >= busy_db_) ++busy_[c];
  }
  // The density, by sample: each sample counts in cells of its own (and one for the levels
  // outside the rows), so that neighbours of one level never wait on the same counter; folded
  // into columns when read.
  const std::uint16_t* rowOf = row_of_.data() + 32768;
  const auto cellsPerSample = static_cast<std::size_t>(density_rows_) + 1;
  std::uint32_t* cells = by_sample_.data();
  for (std::size_t i = 0; i < samples.size(); ++i, cells += cellsPerSample) ++cells[rowOf[samples[i]]];
  if (++unfolded_ == std::numeric_limits<std::uint32_t>::max()) Fold();
}

void SpectrumStats::Fold() const {
  if (unfolded_ == 0) return;
  const auto rows = static_cast<std::size_t>(density_rows_);
  for (std::size_t i = 0; i < column_of_.size(); ++i) {
    std::uint64_t* column = density_.data() + static_cast<std::size_t>(column_of_[i]) * rows;
    std::uint32_t* cells = by_sample_.data() + i * (rows + 1);
    for (std::size_t row = 0; row < rows; ++row) column[row] += cells[row];
    std::fill(cells, cells + rows + 1, 0);
  }
  for (std::size_t c = 0; c < column_total_.size(); ++c)
    column_total_[c] += column_samples_[c] * unfolded_;
  unfolded_ = 0;
}

void SpectrumStats::Merge(const SpectrumStats& other) {
  Fold();
  other.Fold();
  sweeps_ += other.sweeps_;
  for (std::size_t c = 0; c < sum_.size(); ++c) {
    sum_[c] += other.sum_[c];
    count_[c] += other.count_[c];
    peak_[c] = std::max(peak_[c], other.peak_[c]);
    busy_[c] += other.busy_[c];
  }
  for (std::size_t i = 0; i < density_.size() && i < other.density_.size(); ++i)
    density_[i] += other.density_[i];
  for (std::size_t i = 0; i < column_total_.size(); ++i) column_total_[i] += other.column_total_[i];
}

std::vector<SpectrumStats::Channel> SpectrumStats::Channels() const {
  std::vector<Channel> channels;
  for (std::size_t c = 0; c < sum_.size(); ++c) {
    Channel channel{
        static_cast<int>(c) + 1, ChannelCentreMHz(static_cast<int>(c) + 1), {}, {}, 0.0};
    if (count_[c] != 0) {
      channel.mean = sum_[c] / static_cast<double>(count_[c]);
      channel.peak = peak_[c];
    }
    if (sweeps_ != 0)
      channel.busyPercent = 100.0 * static_cast<double>(busy_[c]) / static_cast<double>(sweeps_);
    channels.push_back(channel);
  }
  return channels;
}

double SpectrumStats::DensityShare(int column, int row) const {
  Fold();
  const std::uint64_t total = column_total_[static_cast<std::size_t>(column)];
  if (total == 0) return 0.0;
  const std::uint64_t n =
      density_[static_cast<std::size_t>(column) * static_cast<std::size_t>(density_rows_) +
               static_cast<std::size_t>(row)];
  return static_cast<double>(n) / static_cast<double>(total);
}

} // namespace veltrix
