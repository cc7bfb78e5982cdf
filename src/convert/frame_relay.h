#pragma once
// Hands a conversion's frames to some of its outputs on a thread of their own: the outputs after
// the first take copies of the frames from a ring of a few hundred, in order, while the first
// output takes them on the reading thread. Each output still sees every frame once, in order,
// with its own decoder, so its bytes are what they are alone; the two threads only overlap.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "convert/conversion_output.h"
#include "reader/log_reader.h"

namespace veltrix {

class FrameRelay {
public:
  // Starts the thread that feeds `outputs`, which must outlive the relay.
  explicit FrameRelay(std::span<const std::unique_ptr<ConversionOutput>> outputs);
  // Finish, if not done.
  ~FrameRelay();
  FrameRelay(const FrameRelay&) = delete;
  FrameRelay& operator=(const FrameRelay&) = delete;

  // Copies `frame` into the ring, waiting while the ring is full.
  void Push(const Frame& frame);
  // Waits until every frame pushed has been taken, and ends the thread.
  void Finish();
  // An output that has failed, if one has: no further frame reaches it.
  ConversionOutput* Failed() const { return failed_.load(std::memory_order_acquire); }

private:
  static constexpr std::uint64_t kSlots = 256;
  static constexpr std::uint64_t kDone = std::uint64_t{1} << 63; // in pushed_: no more frames
  struct Slot {
    Frame frame;
    std::vector<std::uint8_t> payload;
  };

  void Run();

  std::span<const std::unique_ptr<ConversionOutput>> outputs_;
  std::vector<Slot> slots_;
  std::atomic<std::uint64_t> pushed_{0}, taken_{0};
  std::atomic<ConversionOutput*> failed_{nullptr};
  std::thread thread_; // last: starts once everything above exists
};

} // namespace veltrix
