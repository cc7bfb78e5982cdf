#pragma once
// Work an output hands to a thread of its own, so that it overlaps the conversion's reading and
// decoding: items (small records of what the output must do) are filled in place in a batch, and
// each full batch is handed over; the thread handles the items in the order they were given. A
// ring of a few batches bounds the memory, and the giving thread waits when the other falls that
// far behind. An output is given such a thread only when the run has one to spare (-j).

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace veltrix {

template <class Item> class AsideWork {
public:
  static constexpr std::size_t kBatchItems = 1024;
  static constexpr std::size_t kBatches = 4;

  // Starts the thread, which calls `handle` on each item.
  explicit AsideWork(std::function<void(const Item&)> handle)
      : handle_(std::move(handle)), thread_([this] { Run(); }) {}
  // Stops the thread; items not yet handled are dropped.
  ~AsideWork() {
    if (!thread_.joinable()) return;
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  AsideWork(const AsideWork&) = delete;
  AsideWork& operator=(const AsideWork&) = delete;

  // Where the next item goes; Push hands it over once it is filled.
  Item& Next() { return batches_[filling_].items[count_]; }
  void Push() {
    if (++count_ == kBatchItems) HandOver();
  }
  // Hands over the last items and waits until every item is handled; the thread then ends.
  void Finish() {
    if (!thread_.joinable()) return;
    if (count_ > 0) HandOver();
    {
      const std::lock_guard lock(mutex_);
      finishing_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

private:
  struct Batch {
    std::vector<Item> items = std::vector<Item>(kBatchItems);
    std::size_t count = 0;
  };

  void HandOver() {
    std::unique_lock lock(mutex_);
    batches_[filling_].count = count_;
    ++handed_;
    changed_.notify_all();
    // The next batch in the ring is free once the thread has handled what it held.
    changed_.wait(lock, [&] { return handed_ - handled_ < kBatches; });
    filling_ = handed_ % kBatches;
    count_ = 0;
  }

  void Run() {
    for (;;) {
      std::size_t next = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || finishing_ || handled_ < handed_; });
        if (stopping_ || handled_ == handed_) return;
        next = handled_ % kBatches;
      }
      const Batch& batch = batches_[next];
      for (std::size_t i = 0; i < batch.count; ++i) handle_(batch.items[i]);
      {
        const std::lock_guard lock(mutex_);
        ++handled_;
      }
      changed_.notify_all();
    }
  }

  const std::function<void(const Item&)> handle_;
  std::array<Batch, kBatches> batches_;
  // The giving thread alone changes these, on every item: a cache line of their own.
  alignas(64) std::size_t filling_ = 0; // the batch being filled, and its items so far
  std::size_t count_ = 0;

  alignas(64) std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t handed_ = 0;  // batches handed over since the start
  std::size_t handled_ = 0; // batches handled since the start
  bool finishing_ = false;  // no more batches: end once all are handled
  bool stopping_ = false;   // end now
  std::thread thread_;      // last: starts once everything above exists
};

} // namespace veltrix
