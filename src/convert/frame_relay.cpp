#include "convert/frame_relay.h"

namespace veltrix {

FrameRelay::FrameRelay(std::span<const std::unique_ptr<ConversionOutput>> outputs)
    : outputs_(outputs), slots_(kSlots), thread_([this] { Run(); }) {}

FrameRelay::~FrameRelay() {
  Finish();
}

void FrameRelay::Push(const Frame& frame) {
  const std::uint64_t pushed = pushed_.load(std::memory_order_relaxed);
  for (std::uint64_t taken = taken_.load(std::memory_order_acquire); pushed - taken == kSlots;
       taken = taken_.load(std::memory_order_acquire)) {
    taken_.wait(taken, std::memory_order_acquire);
  }
  Slot& slot = slots_[pushed % kSlots];
  slot.frame = frame;
  slot.payload.assign(frame.Payload.begin(), frame.Payload.end());
  slot.frame.Payload = std::span<const std::uint8_t>(slot.payload);
  pushed_.store(pushed + 1, std::memory_order_release);
  pushed_.notify_one();
}

void FrameRelay::Finish() {
  if (!thread_.joinable()) return;
  // The count with its top bit set: the thread takes the rest, then ends.
  pushed_.fetch_or(kDone, std::memory_order_release);
  pushed_.notify_one();
  thread_.join();
}

void FrameRelay::Run() {
  std::uint64_t taken = 0;
  for (;;) {
    std::uint64_t state = pushed_.load(std::memory_order_acquire);
    while ((state & ~kDone) == taken) {
      if ((state & kDone) != 0) return;
      pushed_.wait(state, std::memory_order_acquire);
      state = pushed_.load(std::memory_order_acquire);
    }
    for (const std::uint64_t pushed = state & ~kDone; taken < pushed; ++taken) {
      const Frame& frame = slots_[taken % kSlots].frame;
      for (const auto& output : outputs_) {
        if (output->Failed()) continue;
        output->Take(frame);
        if (output->Failed()) failed_.store(output.get(), std::memory_order_release);
      }
      taken_.store(taken + 1, std::memory_order_release);
      taken_.notify_one();
    }
  }
}

} // namespace veltrix
