#pragma once
// src/plot/ holds the cairo renderer, for the picture output and the window. The waterfall picture
// of a log's full-spectrum sweeps, laid out like a spectrum analyser's screen: the title, the
// band's mean and peak level above, the waterfall (time down, frequency across, level as colour)
// with its time, frequency and channel axes, marker changes and time gaps, and a colour bar. Drawn
// with cairo into an image that the window shows and the command line writes as PNG.

#include <memory>
#include <optional>
#include <string>

#include <cairo.h>

#include "analysis/sweep_accumulator.h"
#include "io/output_target.h"
#include "reader/identify.h"

namespace veltrix {

struct WaterfallSettings {
  std::string name; // of the log, for the title
  LogVariant variant = LogVariant::G;
  double dbMin = -100.0; // the colour window
  double dbMax = -20.0;
};

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(double px, double py) const {
    return px >= x && px < x + width && py >= y && py < y + height;
  }
};

struct WaterfallDrawing;

class WaterfallPicture {
public:
  static constexpr int kWidth = 1100;
  static constexpr int kHeight = 720;
  static constexpr double kLowMHz = 2400.0;
  static constexpr double kHighMHz = 2500.0;

  // The picture of the sweeps; none for a log without sweeps, or when cairo fails to draw it.
  static WaterfallDrawing Draw(const SweepAccumulator& sweeps, const WaterfallSettings& settings);

  cairo_surface_t* Surface() const { return surface_.get(); }
  int Width() const { return kWidth; }
  int Height() const { return kHeight; }
  // The colour of a pixel as 0xRRGGBB.
  std::uint32_t PixelAt(int x, int y) const;
  // The picture as PNG bytes, the same that WritePng writes; false when cairo cannot encode it.
  bool PngBytes(std::string& png) const;
  // Writes the picture as PNG; false (with the target's error) when a write fails.
  bool WritePng(OutputTarget& target) const;

  // Where the waterfall lies in the picture.
  static const PixelRect& WaterfallPanel();
  // The x of a frequency, and the y of a sweep, in the waterfall panel.
  double XOfMHz(double mhz) const;
  int YOfSweep(std::uint64_t sweep) const;

  // What lies under a point of the waterfall panel.
  struct Readout {
    std::string time; // the RTC of the row's first sweep
    double mhz;
    double dBm; // the row's level (the maximum of its sweeps) at the nearest sample
  };
  std::optional<Readout> ReadoutAt(double x, double y) const;

private:
  WaterfallPicture() = default;
  // The panel's rows made from the sweep buffer's, for the cells and the readout.
  void LayOutRows(const SweepAccumulator& sweeps);
  // The panels, one function each, in the order DrawPanels draws them. DrawPanels returns the
  // first failure of the cells' surface or of the context, DrawWaterfall the cells' surface's.
  cairo_status_t DrawPanels(cairo_t* cr, const SweepAccumulator& sweeps,
                            const WaterfallSettings& settings) const;
  static void DrawTitle(cairo_t* cr, const SweepAccumulator& sweeps,
                        const WaterfallSettings& settings);
  void DrawLevelPanel(cairo_t* cr, const SweepAccumulator& sweeps,
                      const WaterfallSettings& settings) const;
  cairo_status_t DrawWaterfall(cairo_t* cr, const WaterfallSettings& settings) const;
  void DrawAxes(cairo_t* cr) const;
  void DrawMarks(cairo_t* cr, const SweepAccumulator& sweeps) const;
  static void DrawColourBar(cairo_t* cr, const WaterfallSettings& settings);

  std::shared_ptr<cairo_surface_t> surface_;
  std::size_t samples_ = 0;
  // The panel's rows: levels in dBm (samples_ each), and the time of each row's first sweep.
  std::vector<float> levels_;
  std::vector<std::string> row_times_;
  // Each buffer row's first sweep and the panel row it starts at, to place sweeps.
  std::vector<std::uint64_t> row_first_sweep_;
  std::vector<int> row_panel_y_;
};

// What WaterfallPicture::Draw gives: the picture, or none; then `failure` is empty for a log
// without sweeps, and cairo's reason when the draw failed.
struct WaterfallDrawing {
  std::optional<WaterfallPicture> picture;
  std::string failure;
  bool Failed() const { return !failure.empty(); }
};

} // namespace veltrix
