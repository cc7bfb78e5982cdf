#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/sweep_accumulator.h"

namespace veltrix {
namespace {

using Row = SweepAccumulator::Row;

constexpr DateTime kRtc{2007, 7, 12, 13, 5, 9};

// A sweep of `n` samples all at `level` raw units.
std::vector<std::int16_t> Flat(std::size_t n, std::int16_t level) {
  return std::vector<std::int16_t>(n, level);
}

// Rows as (first sweep, sweeps, peak of sample 0).
std::vector<std::vector<std::int64_t>> Shape(const std::vector<Row>& rows) {
  std::vector<std::vector<std::int64_t>> out;
  for (const Row& r : rows) {
    out.push_back(
        {static_cast<std::int64_t>(r.firstSweep), static_cast<std::int64_t>(r.sweeps), r.peak[0]});
  }
  return out;
}

TEST(SweepAccumulator, RowsCombineByMaximumAsTheyCome) {
  struct Case {
    const char* name;
    std::size_t maxRows;
    std::vector<std::int16_t> levels; // sample 0 of each sweep
    std::vector<std::vector<std::int64_t>> rows;
  };
  const std::vector<Case> cases = {
      {"fewer sweeps than rows", 8, {-5, 7, -3}, {{0, 1, -5}, {1, 1, 7}, {2, 1, -3}}},
      {"rows merge pairwise when full, the last one partial",
       4,
       {1, 9, 2, 3, 8, 4, 5, 6, 0, -1},
       {{0, 4, 9}, {4, 4, 8}, {8, 2, 0}}},
      {"exactly full after a merge", 4, {1, 2, 3, 4, 5, 6, 7, 8}, {{0, 4, 4}, {4, 4, 8}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SweepAccumulator sweeps(c.maxRows);
    for (const std::int16_t level : c.levels) {
      sweeps.Add(Flat(3, level), 16, kRtc, "1");
    }
    EXPECT_EQ(sweeps.Sweeps(), c.levels.size());
    EXPECT_EQ(Shape(sweeps.Rows()), c.rows);
  }
}

TEST(SweepAccumulator, MeanAndPeakInDbm) {
  SweepAccumulator sweeps;
  sweeps.Add(std::vector<std::int16_t>{-1600, 256}, 16, kRtc, "");
  sweeps.Add(std::vector<std::int16_t>{-800, -32768}, 16, kRtc, "");
  EXPECT_EQ(sweeps.Mean(), (std::vector<double>{-75.0, (256.0 - 32768.0) / 2 / 16}));
  EXPECT_EQ(sweeps.Peak(), (std::vector<double>{-50.0, 16.0}));
  SweepAccumulator b;
  b.Add(std::vector<std::int16_t>{-25600, 128}, 256, kRtc, "");
  EXPECT_EQ(b.Peak(), (std::vector<double>{-100.0, 0.5})); // real dBm, not truncated
}

TEST(SweepAccumulator, MarkerChangesAndTimeGaps) {
  struct Sweep {
    DateTime rtc;
    const char* marker;
  };
  const Sweep log[] = {
      {{2007, 7, 12, 13, 5, 0}, "1"},    {{2007, 7, 12, 13, 5, 30}, "1"}, // 30 s: no gap
      {{2007, 7, 12, 13, 7, 0}, "2"},                                     // 90 s, a new marker
      {{2007, 7, 12, 13, 6, 58}, "2"},                                    // back 2 s
      {{2007, 12, 31, 23, 59, 50}, "2"}, {{2008, 1, 1, 0, 0, 10}, "3"},   // 20 s over new year
  };
  SweepAccumulator sweeps;
  for (const Sweep& s : log) sweeps.Add(Flat(2, 0), 16, s.rtc, s.marker);
  ASSERT_EQ(sweeps.MarkerChanges().size(), 2u);
  EXPECT_EQ(sweeps.MarkerChanges()[0].sweep, 2u);
  EXPECT_EQ(sweeps.MarkerChanges()[0].marker, "2");
  EXPECT_EQ(sweeps.MarkerChanges()[1].sweep, 5u);
  ASSERT_EQ(sweeps.Gaps().size(), 2u);
  EXPECT_EQ(sweeps.Gaps()[0].sweep, 2u);
  EXPECT_EQ(sweeps.Gaps()[0].seconds, 90);
  EXPECT_EQ(sweeps.Gaps()[1].sweep, 4u); // months later
  EXPECT_EQ(sweeps.FirstTime(), "07/12/2007 13:05:00");
  EXPECT_EQ(sweeps.LastTime(), "01/01/2008 00:00:10");

  // Kept to a bound, however many there are.
  SweepAccumulator many;
  for (int i = 0; i < 500; ++i) {
    many.Add(Flat(2, 0), 16, {2007, 7, 12, i % 2 ? 13 : 14, 0, 0}, std::to_string(i));
  }
  EXPECT_EQ(many.MarkerChanges().size(), SweepAccumulator::kMaxEvents);
  EXPECT_EQ(many.Gaps().size(), SweepAccumulator::kMaxEvents);
}

} // namespace
} // namespace veltrix
