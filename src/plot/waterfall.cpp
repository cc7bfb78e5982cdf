// Draws the waterfall picture with cairo, one function per panel; its readout and its PNG.
#include "plot/waterfall.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decode/channels.h"
#include "plot/drawing.h"
#include "plot/palette.h"
#include "text/clean_text.h"

namespace veltrix {
namespace {

using namespace plot;

constexpr int kLeft = 80;        // room for the time labels
constexpr int kPanelWidth = 900; // 100 MHz
constexpr int kTitleBaseline = 24;
constexpr PixelRect kLevelPanel{kLeft, 48, kPanelWidth, 140};
constexpr int kChannelBaseline = 214; // the channel numbers, above the waterfall
constexpr PixelRect kWaterfallPanel{kLeft, 224, kPanelWidth, 440};
constexpr int kColourBarX = kLeft + kPanelWidth + 24;
constexpr int kColourBarWidth = 16;
constexpr int kLabelSpacing = 16; // the least distance between two labels on one axis

// The time part of an RTC "date time" text.
std::string TimeOf(const std::string& rtc) {
  const std::size_t space = rtc.find(' ');
  return space == std::string::npos ? rtc : rtc.substr(space + 1);
}

// The levels to mark on a scale of `pixels` over the colour window: every 10 dB, or every 20,
// 50, 100... dB on a window so wide that marks 10 dB apart would come closer than 11 pixels
// (the labels' height) and run into each other.
std::vector<double> LevelMarks(double low, double high, double pixels) {
  const double span = high - low;
  std::vector<double> marks;
  if (!(std::isfinite(span) && span > 0)) return marks;
  double step = 10;
  for (int i = 0; step / span * pixels < 11; ++i) step *= i % 3 == 1 ? 2.5 : 2;
  const double first = std::ceil(low / step) * step;
  for (int i = 0; first + i * step <= high; ++i) marks.push_back(first + i * step);
  return marks;
}

} // namespace

WaterfallDrawing WaterfallPicture::Draw(const SweepAccumulator& sweeps,
                                        const WaterfallSettings& settings) {
  if (sweeps.Sweeps() == 0 || sweeps.Samples() < 2) return {};
  WaterfallPicture picture;
  picture.LayOutRows(sweeps);
  SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight));
  cairo_status_t status;
  {
    // Cairo draws nothing more after its first failure; the context keeps it.
    const ContextPtr cr(cairo_create(surface.get()));
    status = picture.DrawPanels(cr.get(), sweeps, settings);
  }
  cairo_surface_flush(surface.get());
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface.get());
  if (status != CAIRO_STATUS_SUCCESS) return {std::nullopt, cairo_status_to_string(status)};
  picture.surface_ = std::move(surface);
  return {std::move(picture), {}};
}

const PixelRect& WaterfallPicture::WaterfallPanel() {
  return kWaterfallPanel;
}

double WaterfallPicture::XOfMHz(double mhz) const {
  return kWaterfallPanel.x + (mhz - kLowMHz) / (kHighMHz - kLowMHz) * kWaterfallPanel.width;
}

int WaterfallPicture::YOfSweep(std::uint64_t sweep) const {
  // The buffer row that holds the sweep, and where it starts in the panel.
  const auto after = std::upper_bound(row_first_sweep_.begin(), row_first_sweep_.end(), sweep);
  const std::size_t row = after == row_first_sweep_.begin()
                              ? 0
                              : static_cast<std::size_t>(after - row_first_sweep_.begin()) - 1;
  return kWaterfallPanel.y + row_panel_y_[row];
}

void WaterfallPicture::LayOutRows(const SweepAccumulator& sweeps) {
  samples_ = sweeps.Samples();
  const double divisor = sweeps.Divisor();

  // The panel's rows from the buffer's: combined by maximum when there are more of them, repeated
  // when there are fewer.
  const std::vector<SweepAccumulator::Row> rows = sweeps.Rows();
  const std::size_t bufferRows = rows.size();
  const auto panelRows = static_cast<std::size_t>(kWaterfallPanel.height);
  levels_.assign(panelRows * samples_, -1e9f);
  row_times_.assign(panelRows, std::string());
  row_first_sweep_.assign(bufferRows, 0);
  row_panel_y_.assign(bufferRows, -1); // the first panel row made from each buffer row
  for (std::size_t p = 0; p < panelRows; ++p) {
    const std::size_t first = p * bufferRows / panelRows;
    const std::size_t last =
        bufferRows <= panelRows ? first + 1 : std::max(first + 1, (p + 1) * bufferRows / panelRows);
    row_times_[p] = rows[first].time;
    float* level = &levels_[p * samples_];
    for (std::size_t r = first; r < last; ++r) {
      for (std::size_t i = 0; i < samples_; ++i) {
        level[i] = std::max(level[i], static_cast<float>(rows[r].peak[i] / divisor));
      }
      if (row_panel_y_[r] < 0) row_panel_y_[r] = static_cast<int>(p);
      row_first_sweep_[r] = rows[r].firstSweep;
    }
  }
}

// On a white background, the title in its own font; then the rest in the labels' font, with lines
// one pixel wide. Each panel sets its colours, and puts back a line width or dash it changes.
cairo_status_t WaterfallPicture::DrawPanels(cairo_t* cr, const SweepAccumulator& sweeps,
                                            const WaterfallSettings& settings) const {
  SetColour(cr, 1, 1, 1);
  cairo_paint(cr);
  DrawTitle(cr, sweeps, settings);
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kFontSize);
  cairo_set_line_width(cr, 1.0);
  DrawLevelPanel(cr, sweeps, settings);
  const cairo_status_t cells = DrawWaterfall(cr, settings);
  DrawAxes(cr);
  DrawMarks(cr, sweeps);
  DrawColourBar(cr, settings);
  return cells != CAIRO_STATUS_SUCCESS ? cells : cairo_status(cr);
}

void WaterfallPicture::DrawTitle(cairo_t* cr, const SweepAccumulator& sweeps,
                                 const WaterfallSettings& settings) {
  cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 13.0);
  SetColour(cr, 0, 0, 0);
  const std::string title = CleanText(settings.name, Clean::Utf8) + "  \xE2\x80\x94  802.11" +
                            (settings.variant == LogVariant::B ? "b" : "g") + ", " +
                            std::to_string(sweeps.Sweeps()) +
                            (sweeps.Sweeps() == 1 ? " sweep" : " sweeps") + ", " +
                            sweeps.FirstTime() + " to " + sweeps.LastTime();
  Text(cr, kWidth / 2.0, kTitleBaseline, title, 0.5);
}

// The band's level over the whole log: grid lines every 10 MHz and every 10 dB, the dBm axis,
// the peak and the mean, their legend, and the frame.
void WaterfallPicture::DrawLevelPanel(cairo_t* cr, const SweepAccumulator& sweeps,
                                      const WaterfallSettings& settings) const {
  const double low = settings.dbMin, high = settings.dbMax;
  const PixelRect& lp = kLevelPanel;
  SetColour(cr, 0.85, 0.85, 0.85);
  for (int mhz = 2400; mhz <= 2500; mhz += 10) {
    const double x = std::round(XOfMHz(mhz)) + 0.5;
    cairo_move_to(cr, x, lp.y);
    cairo_line_to(cr, x, lp.y + lp.height);
    cairo_stroke(cr);
  }
  const auto yOfLevel = [&](double dBm) {
    return lp.y + (high - std::clamp(dBm, low, high)) / (high - low) * lp.height;
  };
  for (const double dBm : LevelMarks(low, high, lp.height)) {
    const double y = std::round(yOfLevel(dBm)) + 0.5;
    SetColour(cr, 0.85, 0.85, 0.85);
    cairo_move_to(cr, lp.x, y);
    cairo_line_to(cr, lp.x + lp.width, y);
    cairo_stroke(cr);
    SetColour(cr, 0, 0, 0);
    Text(cr, lp.x - 6, y + 4, Format("%.0f", dBm), 1.0);
  }
  SetColour(cr, 0, 0, 0);
  Text(cr, lp.x - 6, lp.y - 8, "dBm", 1.0);
  const auto curve = [&](const std::vector<double>& level, double r, double g, double b) {
    SetColour(cr, r, g, b);
    cairo_set_line_width(cr, 1.5);
    for (std::size_t i = 0; i < level.size(); ++i) {
      const double x = XOfMHz(kLowMHz + i * (kHighMHz - kLowMHz) / (level.size() - 1));
      (i == 0 ? cairo_move_to : cairo_line_to)(cr, x, yOfLevel(level[i]));
    }
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
  };
  curve(sweeps.Peak(), 0.85, 0.33, 0.1);
  curve(sweeps.Mean(), 0.12, 0.35, 0.75);
  // The legend, above the panel's right end: a short line of each colour and its name.
  const auto legend = [&](double right, const char* name, double r, double g, double b) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, name, &e);
    SetColour(cr, r, g, b);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, right - e.x_advance - 26, lp.y - 12);
    cairo_line_to(cr, right - e.x_advance - 6, lp.y - 12);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
    SetColour(cr, 0, 0, 0);
    Text(cr, right, lp.y - 8, name, 1.0);
    return right - e.x_advance - 40;
  };
  legend(legend(lp.x + lp.width, "mean", 0.12, 0.35, 0.75), "peak", 0.85, 0.33, 0.1);
  SetColour(cr, 0, 0, 0);
  cairo_rectangle(cr, lp.x + 0.5, lp.y + 0.5, lp.width - 1, lp.height - 1);
  cairo_stroke(cr);
}

// The cells: one image pixel per sample and panel row, drawn without smoothing so that each cell
// keeps its colour; sample i is centred on its frequency, the edge ones cut in half.
cairo_status_t WaterfallPicture::DrawWaterfall(cairo_t* cr,
                                               const WaterfallSettings& settings) const {
  const PixelRect& wf = kWaterfallPanel;
  const SurfacePtr cells(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(samples_), wf.height));
  // A surface that cairo could not make has no pixels to fill.
  if (cairo_surface_status(cells.get()) != CAIRO_STATUS_SUCCESS)
    return cairo_surface_status(cells.get());
  cairo_surface_flush(cells.get());
  unsigned char* data = cairo_image_surface_get_data(cells.get());
  const int stride = cairo_image_surface_get_stride(cells.get());
  for (int p = 0; p < wf.height; ++p) {
    auto* line = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(p) * stride);
    const float* level = &levels_[static_cast<std::size_t>(p) * samples_];
    for (std::size_t i = 0; i < samples_; ++i) {
      const Rgb c = LevelColour(level[i], settings.dbMin, settings.dbMax);
      line[i] = static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
    }
  }
  cairo_surface_mark_dirty(cells.get());
  const double cellWidth = static_cast<double>(wf.width) / static_cast<double>(samples_ - 1);
  cairo_save(cr);
  cairo_rectangle(cr, wf.x, wf.y, wf.width, wf.height);
  cairo_clip(cr);
  cairo_translate(cr, wf.x - cellWidth / 2.0, wf.y);
  cairo_scale(cr, cellWidth, 1.0);
  cairo_set_source_surface(cr, cells.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  return cairo_surface_status(cells.get());
}

// Around the waterfall: the frequency axis below it every 10 MHz, the channel numbers above it,
// and the times down its left side where they do not run into each other.
void WaterfallPicture::DrawAxes(cairo_t* cr) const {
  const PixelRect& wf = kWaterfallPanel;
  SetColour(cr, 0, 0, 0);
  for (int mhz = 2400; mhz <= 2500; mhz += 10) {
    const double x = std::round(XOfMHz(mhz)) + 0.5;
    cairo_move_to(cr, x, wf.y + wf.height);
    cairo_line_to(cr, x, wf.y + wf.height + 5);
    cairo_stroke(cr);
    Text(cr, x, wf.y + wf.height + 18, std::to_string(mhz), 0.5);
  }
  Text(cr, wf.x + wf.width, wf.y + wf.height + 34, "MHz", 1.0);

  for (int k = 1; k <= 14; ++k) {
    const double x = std::round(XOfMHz(ChannelMHz(k))) + 0.5;
    cairo_move_to(cr, x, wf.y - 6);
    cairo_line_to(cr, x, wf.y);
    cairo_stroke(cr);
    Text(cr, x, kChannelBaseline, std::to_string(k), 0.5);
  }
  Text(cr, wf.x - 8, kChannelBaseline, "channel", 1.0);

  int lastLabel = -kLabelSpacing;
  for (int p = 0; p < wf.height; ++p) {
    if (p > 0 &&
        row_times_[static_cast<std::size_t>(p)] == row_times_[static_cast<std::size_t>(p) - 1]) {
      continue;
    }
    if (p - lastLabel < kLabelSpacing || p > wf.height - 6) continue;
    lastLabel = p;
    cairo_move_to(cr, wf.x - 5, wf.y + p + 0.5);
    cairo_line_to(cr, wf.x, wf.y + p + 0.5);
    cairo_stroke(cr);
    Text(cr, wf.x - 8, wf.y + p + 4, TimeOf(row_times_[static_cast<std::size_t>(p)]), 1.0);
  }
}

// On the waterfall: the marker changes and the time gaps, then its frame.
void WaterfallPicture::DrawMarks(cairo_t* cr, const SweepAccumulator& sweeps) const {
  const PixelRect& wf = kWaterfallPanel;
  // Marker changes: a thin line across, labelled with the new marker at the right.
  int lastMarker = -kLabelSpacing;
  for (const SweepAccumulator::MarkerChange& change : sweeps.MarkerChanges()) {
    const int y = YOfSweep(change.sweep);
    SetColour(cr, 1, 1, 1);
    cairo_move_to(cr, wf.x, y + 0.5);
    cairo_line_to(cr, wf.x + wf.width, y + 0.5);
    cairo_stroke(cr);
    if (y - lastMarker < kLabelSpacing) continue;
    lastMarker = y;
    const std::string label = "marker " + CleanText(change.marker, Clean::Utf8);
    cairo_text_extents_t e;
    cairo_text_extents(cr, label.c_str(), &e);
    SetColour(cr, 0, 0, 0);
    cairo_rectangle(cr, wf.x + wf.width - e.x_advance - 8, y - 13, e.x_advance + 6, 13);
    cairo_fill(cr);
    SetColour(cr, 1, 1, 1);
    Text(cr, wf.x + wf.width - 5, y - 3, label, 1.0);
  }

  // Time gaps: a dashed red line across, and a red mark with the gap outside on the left.
  const double dash[] = {6.0, 4.0};
  for (const SweepAccumulator::Gap& gap : sweeps.Gaps()) {
    const int y = YOfSweep(gap.sweep);
    SetColour(cr, 0.9, 0.1, 0.1);
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, wf.x, y);
    cairo_line_to(cr, wf.x + wf.width, y);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, wf.x - 1, y);
    cairo_line_to(cr, wf.x - 7, y - 4);
    cairo_line_to(cr, wf.x - 7, y + 4);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  SetColour(cr, 0, 0, 0);
  cairo_rectangle(cr, wf.x - 0.5, wf.y - 0.5, wf.width + 1, wf.height + 1);
  cairo_stroke(cr);
}

// Right of the waterfall: the colours from the colour window's top to its bottom, with its dBm
// every 10.
void WaterfallPicture::DrawColourBar(cairo_t* cr, const WaterfallSettings& settings) {
  const double low = settings.dbMin, high = settings.dbMax;
  const PixelRect& wf = kWaterfallPanel;
  for (int p = 0; p < wf.height; ++p) {
    const Rgb c = LevelColour(high - (p + 0.5) / wf.height * (high - low), low, high);
    SetColour(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
    cairo_rectangle(cr, kColourBarX, wf.y + p, kColourBarWidth, 1);
    cairo_fill(cr);
  }
  SetColour(cr, 0, 0, 0);
  cairo_rectangle(cr, kColourBarX - 0.5, wf.y - 0.5, kColourBarWidth + 1, wf.height + 1);
  cairo_stroke(cr);
  for (const double dBm : LevelMarks(low, high, wf.height)) {
    const double y = std::round(wf.y + (high - dBm) / (high - low) * wf.height) + 0.5;
    cairo_move_to(cr, kColourBarX + kColourBarWidth, y);
    cairo_line_to(cr, kColourBarX + kColourBarWidth + 4, y);
    cairo_stroke(cr);
    Text(cr, kColourBarX + kColourBarWidth + 7, y + 4, Format("%.0f", dBm));
  }
  Text(cr, kColourBarX, kChannelBaseline, "dBm");
}

std::uint32_t WaterfallPicture::PixelAt(int x, int y) const {
  const unsigned char* data = cairo_image_surface_get_data(surface_.get());
  const int stride = cairo_image_surface_get_stride(surface_.get());
  std::uint32_t pixel;
  std::memcpy(&pixel, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, sizeof pixel);
  return pixel & 0xFFFFFF;
}

std::optional<WaterfallPicture::Readout> WaterfallPicture::ReadoutAt(double x, double y) const {
  const PixelRect& wf = kWaterfallPanel;
  if (!wf.Contains(x, y)) return std::nullopt;
  const auto p = static_cast<std::size_t>(y - wf.y);
  const double mhz = kLowMHz + (x - wf.x) / wf.width * (kHighMHz - kLowMHz);
  const auto i = static_cast<std::size_t>(
      std::lround((mhz - kLowMHz) / (kHighMHz - kLowMHz) * static_cast<double>(samples_ - 1)));
  return Readout{row_times_[p], mhz, levels_[p * samples_ + std::min(i, samples_ - 1)]};
}

namespace {

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteToTarget(void* closure, const unsigned char* data, unsigned int length) {
  auto* target = static_cast<OutputTarget*>(closure);
  return target->Write(reinterpret_cast<const char*>(data), length) ? CAIRO_STATUS_SUCCESS
                                                                    : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

bool plot::PngBytes(cairo_surface_t* surface, std::string& png) {
  png.clear();
  return cairo_surface_write_to_png_stream(surface, AppendToString, &png) == CAIRO_STATUS_SUCCESS;
}

bool WaterfallPicture::PngBytes(std::string& png) const {
  return plot::PngBytes(surface_.get(), png);
}

bool WaterfallPicture::WritePng(OutputTarget& target) const {
  return cairo_surface_write_to_png_stream(surface_.get(), WriteToTarget, &target) ==
         CAIRO_STATUS_SUCCESS;
}

} // namespace veltrix
