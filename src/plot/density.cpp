// Draws the density picture with cairo.
#include "plot/density.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "decode/channels.h"
#include "plot/drawing.h"
#include "plot/palette.h"
#include "text/clean_text.h"

namespace veltrix {
namespace {

using namespace plot;

constexpr int kLeft = 80;
constexpr int kPanelWidth = 900; // 100 MHz, as on the waterfall
constexpr int kTitleBaseline = 24;
constexpr int kChannelBaseline = 42;
constexpr int kPanelTop = 64;
constexpr int kPanelHeight = 320;
constexpr int kColourBarX = kLeft + kPanelWidth + 24;
constexpr int kColourBarWidth = 16;

double XOfMHz(double mhz) {
  return kLeft + (mhz - SpectrumStats::kLowMHz) /
                     (SpectrumStats::kHighMHz - SpectrumStats::kLowMHz) * kPanelWidth;
}

// The palette's place of a share: 0 at kLeastShare and below, 1 at 100%.
double ScaleOf(double share) {
  const double least = std::log10(DensityPicture::kLeastShare);
  return std::clamp((std::log10(std::max(share, DensityPicture::kLeastShare)) - least) / -least,
                    0.0, 1.0);
}

// The cells: one image pixel per column and row, scaled up without smoothing; columns without
// the level stay white.
cairo_status_t DrawCells(cairo_t* cr, const SpectrumStats& stats) {
  const int columns = SpectrumStats::kDensityColumns, rows = stats.DensityRows();
  const SurfacePtr cells(cairo_image_surface_create(CAIRO_FORMAT_RGB24, columns, rows));
  if (cairo_surface_status(cells.get()) != CAIRO_STATUS_SUCCESS)
    return cairo_surface_status(cells.get());
  cairo_surface_flush(cells.get());
  unsigned char* data = cairo_image_surface_get_data(cells.get());
  const int stride = cairo_image_surface_get_stride(cells.get());
  for (int r = 0; r < rows; ++r) {
    // The top line shows the highest level.
    auto* line = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(r) * stride);
    for (int c = 0; c < columns; ++c) {
      const double share = stats.DensityShare(c, rows - 1 - r);
      Rgb colour{255, 255, 255};
      if (share > 0) colour = LevelColour(ScaleOf(share), 0.0, 1.0);
      line[c] = static_cast<std::uint32_t>(colour.r) << 16 |
                static_cast<std::uint32_t>(colour.g) << 8 | colour.b;
    }
  }
  cairo_surface_mark_dirty(cells.get());
  cairo_save(cr);
  cairo_translate(cr, kLeft, kPanelTop);
  cairo_scale(cr, static_cast<double>(kPanelWidth) / columns,
              static_cast<double>(kPanelHeight) / rows);
  cairo_set_source_surface(cr, cells.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  return cairo_surface_status(cells.get());
}

// The frequency axis every 10 MHz, the channels above, the level axis every 10 dB, the frame.
void DrawAxes(cairo_t* cr, const SpectrumStats& stats) {
  const int bottom = kPanelTop + kPanelHeight;
  SetColour(cr, 0, 0, 0);
  for (int mhz = 2400; mhz <= 2500; mhz += 10) {
    const double x = std::round(XOfMHz(mhz)) + 0.5;
    cairo_move_to(cr, x, bottom);
    cairo_line_to(cr, x, bottom + 5);
    cairo_stroke(cr);
    Text(cr, x, bottom + 18, std::to_string(mhz), 0.5);
  }
  Text(cr, kLeft + kPanelWidth, bottom + 34, "MHz", 1.0);
  for (int k = 1; k <= 14; ++k) {
    const double x = std::round(XOfMHz(ChannelMHz(k))) + 0.5;
    cairo_move_to(cr, x, kPanelTop - 6);
    cairo_line_to(cr, x, kPanelTop);
    cairo_stroke(cr);
    Text(cr, x, kChannelBaseline, std::to_string(k), 0.5);
  }
  Text(cr, kLeft - 8, kChannelBaseline, "channel", 1.0);
  const int rows = stats.DensityRows();
  const double rowHeight = static_cast<double>(kPanelHeight) / rows;
  // Every 10 dB over the usual window; a round step that gives at most ten marks over another.
  int step = 1;
  for (const int round : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}) {
    step = round;
    if (rows <= 10 * round) break;
  }
  for (int r = 0; r < rows; ++r) {
    const int level = stats.DensityLow() + r;
    if (level % step != 0) continue;
    const double y = kPanelTop + kPanelHeight - (r + 0.5) * rowHeight;
    cairo_move_to(cr, kLeft - 5, std::round(y) + 0.5);
    cairo_line_to(cr, kLeft, std::round(y) + 0.5);
    cairo_stroke(cr);
    Text(cr, kLeft - 8, y + 4, std::to_string(level), 1.0);
  }
  Text(cr, kLeft - 8, kPanelTop - 6, "dBm", 1.0);
  cairo_rectangle(cr, kLeft - 0.5, kPanelTop - 0.5, kPanelWidth + 1, kPanelHeight + 1);
  cairo_stroke(cr);
}

// The colour bar, its percentages every power of ten.
void DrawColourBar(cairo_t* cr) {
  for (int p = 0; p < kPanelHeight; ++p) {
    const Rgb c = LevelColour(1.0 - (p + 0.5) / kPanelHeight, 0.0, 1.0);
    SetColour(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
    cairo_rectangle(cr, kColourBarX, kPanelTop + p, kColourBarWidth, 1);
    cairo_fill(cr);
  }
  SetColour(cr, 0, 0, 0);
  cairo_rectangle(cr, kColourBarX - 0.5, kPanelTop - 0.5, kColourBarWidth + 1, kPanelHeight + 1);
  cairo_stroke(cr);
  for (const double share : {1.0, 0.1, 0.01, 0.001, 0.0001}) {
    const double y = std::round(kPanelTop + (1.0 - ScaleOf(share)) * kPanelHeight) + 0.5;
    cairo_move_to(cr, kColourBarX + kColourBarWidth, y);
    cairo_line_to(cr, kColourBarX + kColourBarWidth + 4, y);
    cairo_stroke(cr);
    Text(cr, kColourBarX + kColourBarWidth + 7, y + 4, Format("%g%%", share * 100));
  }
  Text(cr, kColourBarX, kChannelBaseline, "sweeps");
}

} // namespace

bool DrawDensity(const SpectrumStats& stats, const std::string& title, std::string& png,
                 std::string& failure) {
  png.clear();
  failure.clear();
  if (stats.Sweeps() == 0 || stats.DensityRows() == 0) {
    failure = "no sweeps to count";
    return false;
  }
  const SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, DensityPicture::kWidth,
                                                      DensityPicture::kHeight));
  cairo_status_t status;
  {
    const ContextPtr cr(cairo_create(surface.get()));
    SetColour(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_select_font_face(cr.get(), kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr.get(), 13.0);
    SetColour(cr.get(), 0, 0, 0);
    Text(cr.get(), DensityPicture::kWidth / 2.0, kTitleBaseline, CleanText(title, Clean::Utf8),
         0.5);
    cairo_select_font_face(cr.get(), kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), kFontSize);
    cairo_set_line_width(cr.get(), 1.0);
    status = DrawCells(cr.get(), stats);
    DrawAxes(cr.get(), stats);
    DrawColourBar(cr.get());
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_status(cr.get());
  }
  cairo_surface_flush(surface.get());
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface.get());
  if (status == CAIRO_STATUS_SUCCESS && !PngBytes(surface.get(), png))
    status = CAIRO_STATUS_WRITE_ERROR;
  if (status != CAIRO_STATUS_SUCCESS) failure = cairo_status_to_string(status);
  return status == CAIRO_STATUS_SUCCESS;
}

} // namespace veltrix
