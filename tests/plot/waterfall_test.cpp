// The waterfall picture: its colours where the sweeps are, its readout, the same bytes every
// time, and what cairo cannot draw as a failure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plot/palette.h"
#include "plot/waterfall.h"
#include "support/log_builder.h"
#include "support/temp_dir.h"

namespace veltrix {
namespace {

std::uint32_t Packed(Rgb c) {
  return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

// Three sweeps of 147 samples in 1/16 dBm: sweep k is at `base[k]` dBm, but for a burst at
// sample 73 (2450 MHz) in the middle one.
SweepAccumulator ThreeSweeps() {
  SweepAccumulator sweeps;
  const double base[] = {-90, -60, -35};
  const DateTime times[] = {
      {2007, 7, 12, 13, 5, 0}, {2007, 7, 12, 13, 5, 1}, {2007, 7, 12, 13, 9, 0}};
  for (int k = 0; k < 3; ++k) {
    std::vector<std::int16_t> samples(147, static_cast<std::int16_t>(base[k] * 16));
    if (k == 1) samples[73] = -25 * 16;
    sweeps.Add(samples, 16, times[k], k == 2 ? "2" : "1");
  }
  return sweeps;
}

TEST(Waterfall, CellsHaveThePaletteColourOfTheirLevel) {
  const SweepAccumulator sweeps = ThreeSweeps();
  const std::optional<WaterfallPicture> picture =
      WaterfallPicture::Draw(sweeps, {"log.qx", LogVariant::G, -100, -20}).picture;
  ASSERT_TRUE(picture);
  EXPECT_GE(picture->Width(), 800);
  EXPECT_GE(picture->Height(), 400);
  struct Case {
    std::uint64_t sweep;
    double mhz;
    double dBm;
  };
  // Fewer sweeps than rows: each sweep's rows repeat it; 2450 MHz is sample 73 exactly.
  const Case cases[] = {{0, 2405, -90}, {1, 2420, -60}, {1, 2450, -25},
                        {2, 2480, -35}, {0, 2450, -90}, {2, 2403.5, -35}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.sweep) + " at " + std::to_string(c.mhz));
    const int x = static_cast<int>(picture->XOfMHz(c.mhz));
    const int y = picture->YOfSweep(c.sweep) + 3; // inside the sweep's rows, below any line
    EXPECT_EQ(picture->PixelAt(x, y), Packed(LevelColour(c.dBm, -100, -20)));
    const auto readout = picture->ReadoutAt(x, y);
    ASSERT_TRUE(readout);
    EXPECT_NEAR(readout->mhz, c.mhz, 0.2);
    EXPECT_EQ(readout->dBm, c.dBm);
  }
  EXPECT_EQ(picture->ReadoutAt(picture->YOfSweep(2) + 3, 5), std::nullopt); // the title
  EXPECT_EQ(picture->ReadoutAt(picture->XOfMHz(2450), picture->YOfSweep(2) + 3)->time,
            "07/12/2007 13:09:00");

  // A narrower colour window clamps: -90 is below it, -25 above.
  const std::optional<WaterfallPicture> narrow =
      WaterfallPicture::Draw(sweeps, {"log.qx", LogVariant::G, -80, -30}).picture;
  const int y0 = narrow->YOfSweep(0) + 3, y1 = narrow->YOfSweep(1) + 3;
  EXPECT_EQ(narrow->PixelAt(static_cast<int>(narrow->XOfMHz(2420)), y0), Packed(Viridis().front()));
  EXPECT_EQ(narrow->PixelAt(static_cast<int>(narrow->XOfMHz(2450)), y1), Packed(Viridis().back()));

  // A window of two billion dB is drawn too, in a moment: its scale is marked every few hundred
  // million dB (every 10 dB, its 400 million labels would take hours).
  const std::optional<WaterfallPicture> wide =
      WaterfallPicture::Draw(sweeps, {"log.qx", LogVariant::G, -1e9, 1e9}).picture;
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->PixelAt(static_cast<int>(wide->XOfMHz(2420)), wide->YOfSweep(1) + 3),
            Packed(LevelColour(-60, -1e9, 1e9)));
}

TEST(Waterfall, SameSweepsSameBytes) {
  testing::TempDir dir;
  std::vector<testing::Bytes> files;
  for (int i = 0; i < 2; ++i) {
    const auto picture = WaterfallPicture::Draw(ThreeSweeps(), {"log.qx", LogVariant::G}).picture;
    OutputTarget target;
    const std::string path = dir.File(i == 0 ? "first.png" : "second.png");
    ASSERT_TRUE(target.Open(path));
    ASSERT_TRUE(picture->WritePng(target));
    ASSERT_TRUE(target.Finish());
    files.push_back(testing::ReadFile(path));
  }
  ASSERT_GT(files[0].size(), 8u);
  EXPECT_EQ(std::string(files[0].begin(), files[0].begin() + 4), "\x89PNG");
  EXPECT_TRUE(files[0] == files[1]);
}

// No picture: without a failure when there are no sweeps, with cairo's reason when it cannot draw.
// Names and markers that are not UTF-8 are drawn with their bytes escaped, not refused by cairo.
TEST(Waterfall, NoSweepsOrWhatCairoCannotDraw) {
  SweepAccumulator wide; // more samples than a cairo surface has columns
  wide.Add(std::vector<std::int16_t>(32768, -1000), 16, {2007, 7, 12, 13, 5, 0}, "");
  SweepAccumulator marked = ThreeSweeps();
  marked.Add(std::vector<std::int16_t>(147, -1000), 16, {2007, 7, 12, 13, 5, 4}, "\xFF\x01");
  const struct {
    const char* what;
    SweepAccumulator sweeps;
    std::string name;
    bool drawn;
    std::string failure;
  } cases[] = {
      {"no sweeps", SweepAccumulator(), "log.qx", false, ""},
      {"a name and a marker that are not UTF-8", marked, "caf\xE9.qx", true, ""},
      {"cells too wide", wide, "log.qx", false, cairo_status_to_string(CAIRO_STATUS_INVALID_SIZE)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const WaterfallDrawing drawing = WaterfallPicture::Draw(c.sweeps, {c.name, LogVariant::G});
    EXPECT_EQ(drawing.picture.has_value(), c.drawn);
    EXPECT_EQ(drawing.failure, c.failure);
    EXPECT_EQ(drawing.Failed(), !c.failure.empty());
  }
}

} // namespace
} // namespace veltrix
