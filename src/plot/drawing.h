#pragma once
// What the cairo pictures share: owners of cairo's surfaces and contexts, the font, text placed
// by alignment, and PNG bytes in memory.

#include <cstdio>
#include <memory>
#include <string>

#include <cairo.h>

namespace veltrix::plot {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

inline constexpr const char* kFont = "DejaVu Sans";
inline constexpr double kFontSize = 11.0;

inline void SetColour(cairo_t* cr, double r, double g, double b) {
  cairo_set_source_rgb(cr, r, g, b);
}

// `text` with its left end (align 0), middle (0.5) or right end (1) at x, its baseline at y.
inline void Text(cairo_t* cr, double x, double y, const std::string& text, double align = 0.0) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, text.c_str(), &e);
  cairo_move_to(cr, x - align * e.x_advance, y);
  cairo_show_text(cr, text.c_str());
}

inline std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The surface as PNG; false when cairo cannot encode it.
bool PngBytes(cairo_surface_t* surface, std::string& png);

} // namespace veltrix::plot
