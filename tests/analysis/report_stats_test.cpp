// What the report computes: the channels' levels and busy share over known sweeps, the level
// density, channel utilization, and the access points per channel with their overlaps.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/spectrum_stats.h"
#include "analysis/spectrum_worker.h"
#include "analysis/survey_map.h"
#include "analysis/utilization_stats.h"

namespace veltrix {
namespace {

constexpr int kG = 147;      // samples of an 802.11g sweep
constexpr int kDivisor = 16; // sample units per dBm

// A sweep at `base` dBm, with `level` within `reach` MHz of `centre`.
std::vector<std::int16_t> Sweep(double base, double centre = 0, double reach = 0,
                                double level = 0) {
  std::vector<std::int16_t> samples;
  for (int i = 0; i < kG; ++i) {
    const double mhz = 2400 + i * 100.0 / (kG - 1);
    const double dBm = std::fabs(mhz - centre) <= reach ? level : base;
    samples.push_back(static_cast<std::int16_t>(dBm * kDivisor));
  }
  return samples;
}

TEST(SpectrumStats, ChannelsOverKnownSweeps) {
  SpectrumStats stats(-80, -100, -20);
  stats.Add(Sweep(-90, 2437, 11, -50), kDivisor); // channel 6's whole reach at -50
  stats.Add(Sweep(-90), kDivisor);
  stats.Add(Sweep(-90, 2462, 11, -80), kDivisor); // channel 11 exactly at the threshold
  const std::vector<SpectrumStats::Channel> channels = stats.Channels();
  ASSERT_EQ(channels.size(), 14u);
  EXPECT_EQ(stats.Sweeps(), 3u);
  const struct {
    int channel, centre;
    double mean, peak, busy;
  } expected[] = {
      {1, 2412, -90, -90, 0},
      {6, 2437, (-50 - 90 - 90) / 3.0, -50, 100.0 / 3},
      {11, 2462, (-90 - 90 - 80) / 3.0, -80, 100.0 / 3},
      {14, 2484, -90, -90, 0},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.channel);
    const SpectrumStats::Channel& c = channels[static_cast<std::size_t>(e.channel - 1)];
    EXPECT_EQ(c.number, e.channel);
    EXPECT_EQ(c.centreMHz, e.centre);
    ASSERT_TRUE(c.mean && c.peak);
    EXPECT_NEAR(*c.mean, e.mean, 1e-9);
    EXPECT_EQ(*c.peak, e.peak);
    EXPECT_NEAR(c.busyPercent, e.busy, 1e-9);
  }
  // Channel 4 shares part of channel 6's reach: busy in that sweep, at its peak.
  EXPECT_NEAR(channels[3].busyPercent, 100.0 / 3, 1e-9);
  EXPECT_EQ(*channels[3].peak, -50);

  // Merged with itself: the same shares, twice the sweeps.
  SpectrumStats twice = stats;
  twice.Merge(stats);
  EXPECT_EQ(twice.Sweeps(), 6u);
  EXPECT_NEAR(twice.Channels()[5].busyPercent, 100.0 / 3, 1e-9);
}

TEST(SpectrumStats, DensityRoundsHalvesUp) {
  SpectrumStats stats(-80, -100, -20);
  EXPECT_EQ(stats.DensityLow(), -100);
  EXPECT_EQ(stats.DensityRows(), 81);
  stats.Add(Sweep(-89.5), kDivisor);    // rounds to -89
  stats.Add(Sweep(-89.5625), kDivisor); // to -90
  stats.Add(Sweep(-130), kDivisor);     // below the window: counted in no row
  const int column = 50;                // 2450-2451 MHz
  EXPECT_NEAR(stats.DensityShare(column, -89 - -100), 1.0 / 3, 1e-9);
  EXPECT_NEAR(stats.DensityShare(column, -90 - -100), 1.0 / 3, 1e-9);
  EXPECT_EQ(stats.DensityShare(column, -88 - -100), 0.0);

  // More sweeps than the small counters hold before they are folded into the totals.
  SpectrumStats many(-80, -100, -20);
  const std::vector<std::int16_t> sweep = Sweep(-89.5);
  for (int k = 0; k < 70000; ++k) many.Add(sweep, kDivisor);
  many.Add(Sweep(-95), kDivisor);
  EXPECT_NEAR(many.DensityShare(column, -89 - -100), 70000.0 / 70001, 1e-12);
  EXPECT_NEAR(many.DensityShare(column, -95 - -100), 1.0 / 70001, 1e-12);
  EXPECT_NEAR(*many.Channels()[8].mean, (-89.5 * 70000 - 95) / 70001, 1e-9);
}

// The rows of any colour window: at least one, and never more than samples can reach (a window
// of a billion dB must not ask for gigabytes).
TEST(SpectrumStats, DensityRowsOfAnyWindow) {
  const struct {
    double low, high;
    int firstRow, rows;
  } cases[] = {
      {-100, -20, -100, 81},    {-90.5, -90.2, -90, 1}, {-90.6, -89.4, -91, 3},
      {-1e9, 1e9, -2048, 4097}, {3000, 4000, 2048, 1},
  };
  for (const auto& c : cases) {
    SpectrumStats stats(-80, c.low, c.high);
    EXPECT_EQ(stats.DensityLow(), c.firstRow) << c.low << " " << c.high;
    EXPECT_EQ(stats.DensityRows(), c.rows) << c.low << " " << c.high;
    stats.Add(Sweep(-90.25), kDivisor); // counted where its row exists, ignored elsewhere
    EXPECT_EQ(stats.Sweeps(), 1u);
  }
}

// Through the worker thread, in batches, the same figures as added one by one: over several
// batches, sweeps of both generations (another sample count and divisor) and a last part batch.
TEST(SpectrumStats, TheWorkerAddsTheSame) {
  SpectrumStats direct(-70, -100, -20), threaded(-70, -100, -20);
  {
    SpectrumWorker worker(threaded);
    std::mt19937 random(7);
    const std::size_t sweeps = SpectrumWorker::kBatchSweeps * 5 / 2;
    for (std::size_t k = 0; k < sweeps; ++k) {
      const bool b = k >= sweeps / 2 && k < sweeps * 3 / 4;
      std::vector<std::int16_t> samples(b ? 273 : kG);
      const int divisor = b ? 256 : kDivisor;
      for (std::int16_t& sample : samples)
        sample = static_cast<std::int16_t>(
            std::uniform_int_distribution<int>(-110 * divisor, -30 * divisor)(random));
      direct.Add(samples, divisor);
      worker.Add(samples, divisor);
    }
    worker.Finish();
  }
  ASSERT_EQ(threaded.Sweeps(), direct.Sweeps());
  const auto a = direct.Channels(), b = threaded.Channels();
  for (std::size_t c = 0; c < a.size(); ++c) {
    EXPECT_EQ(a[c].mean, b[c].mean) << c;
    EXPECT_EQ(a[c].peak, b[c].peak) << c;
    EXPECT_EQ(a[c].busyPercent, b[c].busyPercent) << c;
  }
  for (int column = 0; column < SpectrumStats::kDensityColumns; column += 7)
    for (int row = 0; row < direct.DensityRows(); row += 3)
      EXPECT_EQ(direct.DensityShare(column, row), threaded.DensityShare(column, row));
}

TEST(UtilizationStats, ChannelsAndABoundedSeries) {
  UtilizationStats stats(4);
  const DateTime t{2007, 7, 12, 13, 5, 0};
  for (int i = 0; i < 9; ++i) {
    const std::pair<int, double> values[] = {{6, 10.0 * i}, {1, 0.0}, {15, 50.0}};
    stats.Add(t, values);
  }
  const std::vector<UtilizationStats::Channel> channels = stats.Channels();
  ASSERT_EQ(channels.size(), 1u); // channel 1 never had traffic; 15 is no channel
  EXPECT_EQ(channels[0].number, 6);
  EXPECT_EQ(channels[0].records, 9u);
  EXPECT_NEAR(channels[0].mean, 40.0, 1e-9);
  EXPECT_EQ(channels[0].max, 80.0);
  // Nine records in four columns: full twice, they merged pairwise into two of four records each,
  // and the ninth stands alone; each column the maximum of its records.
  const std::vector<UtilizationStats::Column> series = stats.Series();
  std::vector<float> maxima;
  for (const auto& column : series) maxima.push_back(column.max[6]);
  EXPECT_EQ(maxima, (std::vector<float>{30, 70, 80}));
  EXPECT_EQ(series.front().max[1], 0.0f);
  EXPECT_LT(series.front().max[2], 0.0f); // no record told of channel 2
}

TEST(ChannelUse, AccessPointsAndTheirOverlaps) {
  AccessPointTable table;
  const std::pair<int, bool> aps[] = {{1, false},  {1, true},  {6, false}, {11, true},
                                      {14, false}, {0, false}, {15, true}};
  std::uint8_t last = 0;
  for (const auto& [channel, wep] : aps) {
    Sighting s;
    s.mac = {0, 1, 2, 3, 4, last++};
    s.channel = static_cast<std::uint8_t>(channel);
    s.wep = wep;
    table.Add(s);
  }
  const std::array<ChannelUse, 14> use = ChannelUseOf(table);
  const struct {
    int channel, accessPoints, open, wep, overlapping;
  } expected[] = {
      {1, 2, 1, 1, 0},  {2, 0, 0, 0, 3},  {5, 0, 0, 0, 3},  {6, 1, 1, 0, 0},
      {10, 0, 0, 0, 3}, {11, 1, 0, 1, 1}, {14, 1, 1, 0, 1},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.channel);
    const ChannelUse& u = use[static_cast<std::size_t>(e.channel - 1)];
    EXPECT_EQ(u.channel, e.channel);
    EXPECT_EQ(std::tie(u.accessPoints, u.open, u.wep, u.overlapping),
              std::tie(e.accessPoints, e.open, e.wep, e.overlapping));
  }
}

TEST(PositionTrail, ThinsToItsCapacityOverTheWholeTrack) {
  PositionTrail trail(8);
  for (int i = 0; i < 100; ++i) {
    trail.Add({50.0 + i * 1e-4, 8.0});
    trail.Add({50.0 + i * 1e-4, 8.0}); // standing still adds nothing
  }
  ASSERT_LE(trail.Points().size(), 8u);
  ASSERT_GE(trail.Points().size(), 4u);
  EXPECT_EQ(trail.Points().front().latitude, 50.0);
  EXPECT_GT(trail.Points().back().latitude, 50.0 + 50e-4); // reaches into the second half
}

} // namespace
} // namespace veltrix
