#pragma once
// The colours of levels: one perceptual palette of 256 entries over a window of levels.

#include <array>
#include <cstddef>
#include <cstdint>

namespace veltrix {

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

const std::array<Rgb, 256>& Viridis();

// The palette entry of `level` in the window [low, high]; levels outside it are clamped.
std::size_t PaletteIndex(double level, double low, double high);
Rgb LevelColour(double level, double low, double high);

} // namespace veltrix
