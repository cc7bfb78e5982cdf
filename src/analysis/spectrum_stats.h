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

// Aligned to a cache line of its own: a worker thread may fill it while its neighbours are busy.
class alignas(64) SpectrumStats {
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
  // What the sweeps add up to, by channel and by density column and row.
  struct Totals {
    std::array<double, kChannels> sum{};
    std::array<std::uint64_t, kChannels> count{};
    std::array<double, kChannels> peak{};
    std::vector<std::uint64_t> density;     // column-major: column * rows + row
    std::vector<std::uint64_t> columnTotal; // the samples that fell in each column
  };
  // The sweeps since the last fold, by sample, for one sample count and divisor: a sweep only
  // adds to small counters of its own samples (quick, and no two neighbours wait on one
  // counter); they are folded into the totals when read, before another sample count or divisor,
  // and before they could overflow.
  struct Pending {
    std::size_t samples = 0;
    int divisor = 0;
    std::uint32_t sweeps = 0;
    std::vector<std::int32_t> sum;    // per sample
    std::vector<std::int16_t> top;    // per sample, the highest
    std::vector<std::uint16_t> cells; // per sample, rows + 1 (the last for levels outside them)
  };
  static constexpr std::uint32_t kFoldEvery = 65535; // fits the counters of Pending

  void Start(std::size_t samples, int divisor);
  void Fold() const;

  double busy_db_;
  int density_low_, density_rows_;
  std::uint64_t sweeps_ = 0;
  std::array<std::uint64_t, kChannels> busy_{};
  mutable Totals totals_;
  mutable Pending pending_;
  // Where the samples of the pending sweeps lie, and the density row of each sample value.
  std::array<Near, kChannels> near_{};
  std::vector<int> column_of_;
  std::vector<std::uint16_t> row_of_;
  std::int32_t busy_raw_ = 0; // the busy threshold in the divisor's units
};

// The centre of a Wi-Fi channel in MHz.
int ChannelCentreMHz(int channel);

} // namespace veltrix
