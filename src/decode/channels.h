#pragma once
// The 2.4 GHz Wi-Fi channels' centre frequencies.

namespace veltrix {

// 2407 + 5 x channel MHz; channel 14 lies apart, at 2484 MHz.
inline constexpr int ChannelMHz(int channel) {
  return channel == 14 ? 2484 : 2407 + 5 * channel;
}

} // namespace veltrix
