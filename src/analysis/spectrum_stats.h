#pragma once
// The band over the full-spectrum sweeps of a log or a survey: per Wi-Fi channel the mean and
// peak level within 11 MHz of its centre and how often it was busy, and how often each frequency
// had each level (the density picture's counts). Sweeps of both generations add up: each sample
// lies at its frequency, 2400 + i x 100 / (samples - 1) MHz, as the waterfall places it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace veltrix {

class SpectrumStats {
public:
  static constexpr double kLowMHz = 2400.0, kHighMHz = 2500.0;
  static constexpr double kChannelHalfWidthMHz = 11.0;
  static constexpr int kChannels = 14;
  static constexpr int kDensityColumns = 100; // of 1 MHz each

  // No sample lies beyond this many dBm either way (16-bit samples in 1/16 dBm at the finest).
  static constexpr int kLevelLimitDb = 2048;

  // `busyDb`: a channel is busy in a sweep whose highest level near it is at or above it.
  // `densityLow` to `densityHigh`: the density's levels, a row of 1 dB each from the whole level
  // that the one rounds to up to the other's, at least one, within the levels samples can have.
  SpectrumStats(double busyDb, double densityLow, double densityHigh);

  // One sweep: `samples` in units of 1/divisor dBm.
  void Add(std::span<const std::int16_t> samples, int divisor);
  // Adds another's sweeps (the same thresholds).
  void Merge(const SpectrumStats& other);

  std::uint64_t Sweeps() const { return sweeps_; }
  double BusyDb() const { return busy_db_; }

  struct Channel {
    int number;
    int centreMHz;
    std::optional<double> mean, peak; // dBm; nothing without a sample near it
    double busyPercent;
  };
  std::vector<Channel> Channels() const;

  // The density's rows, lowest level first.
  int DensityLow() const { return density_low_; }
  int DensityRows() const { return density_rows_; }
  // The share of a column's samples (all sweeps) whose level rounds (half up) to the row's.
  double DensityShare(int column, int row) const;

private:
  struct Near {                      // the samples within a channel's reach, for one sample count
    std::size_t first = 0, last = 0; // a range; empty when first > last
  };
  void Place(std::size_t samples);
  void Rank(int divisor);
  // Adds the counts by sample into the columns.
  void Fold() const;

  double busy_db_;
  int density_low_, density_rows_;
  std::uint64_t sweeps_ = 0;
  std::array<double, kChannels> sum_{};
  std::array<std::uint64_t, kChannels> count_{};
  std::array<double, kChannels> peak_{};
  std::array<std::uint64_t, kChannels> busy_{};
  // The density's counts, column-major (column * rows + row), and the samples that fell in each
  // column; the sweeps since the last fold wait in by_sample_ (sample * (rows + 1) + row, the
  // last row for the levels outside the rows).
  mutable std::vector<std::uint64_t> density_;
  mutable std::vector<std::uint64_t> column_total_;
  mutable std::vector<std::uint32_t> by_sample_;
  mutable std::uint64_t unfolded_ = 0;
  // For the sample count and divisor of the sweeps being added:
  std::size_t placed_for_ = 0;
  std::array<Near, kChannels> near_{};
  std::vector<int> column_of_;                // of each sample
  std::vector<std::uint64_t> column_samples_; // of one sweep, per column
  std::vector<std::int64_t> prefix_;          // running sums of a sweep's samples
  int ranked_for_ = 0;
  std::vector<std::uint16_t> row_of_; // the density row of each sample value
};

// The centre of a Wi-Fi channel in MHz.
int ChannelCentreMHz(int channel);

} // namespace veltrix
