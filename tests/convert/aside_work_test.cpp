#include <gtest/gtest.h>

#include <vector>

#include "convert/aside_work.h"

namespace veltrix {
namespace {

// Every item is handled once, in the order given, across many batches and a last partial one;
// items given after a full ring has waited are not lost. Going without Finish drops the items
// not handed over.
TEST(AsideWork, HandlesEveryItemInOrder) {
  using Work = AsideWork<int>;
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, Work::kBatchItems,
                                  Work::kBatchItems * Work::kBatches * 3 + 7}) {
    SCOPED_TRACE(count);
    std::vector<int> handled;
    SpareThread spare;
    Work work(spare, [&](const int& item) { handled.push_back(item); });
    for (std::size_t i = 0; i < count; ++i) {
      work.Next() = static_cast<int>(i);
      work.Push();
    }
    work.Finish();
    ASSERT_EQ(handled.size(), count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(handled[i], static_cast<int>(i));
  }
  std::vector<int> handled;
  {
    SpareThread spare;
    Work work(spare, [&](const int& item) { handled.push_back(item); });
    work.Next() = 1;
    work.Push(); // never handed over: dropped
  }
  EXPECT_TRUE(handled.empty());
}

} // namespace
} // namespace veltrix
