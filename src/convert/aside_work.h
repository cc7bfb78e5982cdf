#pragma once
// Work an output hands to the conversion's spare thread, so that it overlaps the reading and
// decoding: items (small records of what the output must do) are filled in place in a batch, and
// each full batch is handed over; the spare thread handles the items in the order they were given.
// A ring of a few batches bounds the memory, and the giving thread waits when the other falls that
// far behind. A batch may be a single item that is filled over many steps (a chunk of rows).

#include <array>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "io/spare_thread.h"

namespace veltrix {

template <class Item, std::size_t BatchItems = 1024> class AsideWork {
public:
  static constexpr std::size_t kBatchItems = BatchItems;
  static constexpr std::size_t kBatches = 4;

  // `handle` is called on `thread` for each item.
  AsideWork(SpareThread& thread, std::function<void(const Item&)> handle)
      : thread_(thread), handle_(std::move(handle)) {}
  // Drops the items not yet handled, and waits for the batch being handled.
  ~AsideWork() {
    std::unique_lock lock(mutex_);
    dropping_ = true;
    changed_.wait(lock, [&] { return handled_ == handed_; });
  }
  AsideWork(const AsideWork&) = delete;
  AsideWork& operator=(const AsideWork&) = delete;

  // Where the next item goes; Push hands it over once it is filled.
  Item& Next() { return batches_[filling_].items[count_]; }
  void Push() {
    if (++count_ == kBatchItems) HandOver();
  }
  // Hands over the last items and waits until every item is handled.
  void Finish() {
    if (count_ > 0) HandOver();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return handled_ == handed_; });
  }

private:
  struct Batch {
    std::vector<Item> items = std::vector<Item>(kBatchItems);
    std::size_t count = 0;
  };

  void HandOver() {
    Batch& batch = batches_[filling_];
    batch.count = count_;
    {
      const std::lock_guard lock(mutex_);
      ++handed_;
    }
    thread_.Post([this, &batch] {
      bool drop = false;
      {
        const std::lock_guard lock(mutex_);
        drop = dropping_;
      }
      if (!drop) {
        for (std::size_t i = 0; i < batch.count; ++i) handle_(batch.items[i]);
      }
      // Told under the lock: once it is released, the owner may go.
      const std::lock_guard lock(mutex_);
      ++handled_;
      changed_.notify_all();
    });
    // The next batch in the ring is free once the spare thread has handled what it held.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return handed_ - handled_ < kBatches; });
    filling_ = handed_ % kBatches;
    count_ = 0;
  }

  SpareThread& thread_;
  const std::function<void(const Item&)> handle_;
  std::array<Batch, kBatches> batches_;
  // The giving thread alone changes these, on every item: a cache line of their own.
  alignas(64) std::size_t filling_ = 0; // the batch being filled, and its items so far
  std::size_t count_ = 0;

  alignas(64) std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t handed_ = 0;  // batches handed over since the start
  std::size_t handled_ = 0; // batches handled since the start
  bool dropping_ = false;   // the owner is going: what is left is not handled
};

} // namespace veltrix
