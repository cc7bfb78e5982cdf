// StationList: the first node, the index by MAC, the capacity, and Clear with reuse.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "survey/station_list.h"

namespace veltrix {
namespace {

// MAC number `id`.
std::array<std::uint8_t, 6> MacOf(std::size_t id) {
  return {0x02,
          0,
          0,
          static_cast<std::uint8_t>(id >> 16),
          static_cast<std::uint8_t>(id >> 8),
          static_cast<std::uint8_t>(id)};
}

// A node whose SSID tells which insert made it.
StationNode Node(std::size_t id, std::int16_t signal, int serial) {
  StationNode n;
  n.mac = MacOf(id);
  n.signal = signal;
  n.ssid = std::to_string(serial);
  return n;
}

// The serial of a node, -1 for none.
int SerialOf(const StationNode* n) {
  return n == nullptr ? -1 : std::stoi(n->ssid);
}

TEST(StationListTest, FirstNodeAndFindByMac) {
  struct Step {
    std::uint8_t id;
    std::int16_t signal;
    bool change = false; // the signal of FindByMac(id) set, as a decoder hearing it again does
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;                         // an insert's serial is its step's index
    int first;                                       // serial of First()
    std::vector<std::pair<std::uint8_t, int>> found; // id, serial FindByMac gives
  };
  const std::vector<Case> cases = {
      {"empty", {}, -1, {{1, -1}}},
      {"the lowest signal is first", {{1, -40}, {2, -100}, {3, -70}}, 1, {{1, 0}, {2, 1}, {3, 2}}},
      {"an equal signal does not go first", {{1, -60}, {2, -60}, {3, -61}, {4, -61}}, 2, {}},
      {"extreme signals",
       {{1, INT16_MAX}, {2, INT16_MIN}, {3, INT16_MIN}, {4, 0}},
       1,
       {{2, 1}, {3, 2}, {9, -1}}},
      {"a first raised later loses to a node it was below",
       {{1, -60}, {2, -80}, {2, -10, true}, {3, -20}},
       3,
       {{2, 1}, {3, 3}}},
      {"a first lowered later keeps its place",
       {{1, -60}, {1, -90, true}, {2, -70}},
       0,
       {{1, 0}, {2, 2}}},
      {"a MAC again, lower: the later is found", {{7, -60}, {7, -80}, {8, -70}}, 1, {{7, 1}}},
      {"a MAC again, equal or higher: the earlier is found",
       {{7, -60}, {7, -60}, {7, -50}, {8, -70}},
       3,
       {{7, 0}}},
      {"a MAC again after the indexed one was lowered",
       {{7, -60}, {7, -90, true}, {7, -70}},
       0,
       {{7, 0}}},
      {"a MAC again after the indexed one was raised",
       {{7, -60}, {7, -10, true}, {7, -20}, {7, -15}},
       2,
       {{7, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StationList list;
    int count = 0;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      if (s.change) {
        StationNode* n = list.FindByMac(MacOf(s.id).data());
        ASSERT_NE(n, nullptr);
        n->signal = s.signal;
      } else {
        list.InsertSorted(Node(s.id, s.signal, static_cast<int>(i)));
        ++count;
      }
    }
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(SerialOf(list.First()), c.first);
    for (const auto& [id, serial] : c.found)
      EXPECT_EQ(SerialOf(list.FindByMac(MacOf(id).data())), serial) << int(id);
  }
}

// Filled to capacity, NewNode fails exactly there and leaves the list alone; the default capacity
// is past what a 16-bit count holds.
TEST(StationListTest, NewNodeFailsExactlyAtCapacity) {
  for (const std::size_t capacity :
       {std::size_t{1}, std::size_t{5}, StationList::kDefaultCapacity}) {
    StationList list(capacity);
    int lowest = 0;
    for (std::size_t i = 0; i < capacity; ++i) {
      std::optional<StationNode> n = list.NewNode();
      ASSERT_TRUE(n) << i;
      *n = Node(i, static_cast<std::int16_t>(i * 7919 % 61 - 90), static_cast<int>(i));
      if (i == 0 || n->signal < list.First()->signal) lowest = static_cast<int>(i);
      list.InsertSorted(std::move(*n));
    }
    ASSERT_EQ(list.Count(), static_cast<int>(capacity));
    EXPECT_FALSE(list.NewNode());
    EXPECT_EQ(list.Count(), static_cast<int>(capacity));
    EXPECT_EQ(SerialOf(list.First()), lowest);
    EXPECT_EQ(SerialOf(list.FindByMac(MacOf(capacity - 1).data())), static_cast<int>(capacity) - 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_TRUE(list.NewNode());
  }
}

// Lists of many sizes rebuilt in one StationList, some never searched before they are cleared:
// each shows only its own nodes, whatever earlier lists left in the index.
TEST(StationListTest, ClearedListIsReusedWithoutItsOldNodes) {
  struct Round {
    std::size_t size, firstId; // MACs firstId, firstId + 1, ...
    bool searched;
  };
  const std::vector<Round> rounds = {{1000, 0, true},  {3, 998, true},   {300, 100, false},
                                     {700, 250, true}, {0, 0, true},     {600, 0, false},
                                     {1, 599, true},   {1500, 500, true}};
  StationList list;
  for (std::size_t r = 0; r < rounds.size(); ++r) {
    SCOPED_TRACE(r);
    const Round& round = rounds[r];
    list.Clear();
    int lowest = -1, lowestSignal = 0;
    for (std::size_t i = 0; i < round.size; ++i) {
      const std::size_t id = round.firstId + i;
      const auto signal = static_cast<std::int16_t>(id * 37 % 50 - 90);
      const int serial = static_cast<int>(r * 10000 + i);
      if (lowest < 0 || signal < lowestSignal) lowest = serial, lowestSignal = signal;
      list.InsertSorted(Node(id, signal, serial));
    }
    ASSERT_EQ(list.Count(), static_cast<int>(round.size));
    EXPECT_EQ(SerialOf(list.First()), lowest);
    if (!round.searched) continue;
    for (std::size_t id = 0; id < 2100; ++id) {
      const bool listed = id >= round.firstId && id < round.firstId + round.size;
      ASSERT_EQ(SerialOf(list.FindByMac(MacOf(id).data())),
                listed ? static_cast<int>(r * 10000 + id - round.firstId) : -1)
          << id;
    }
  }
}

} // namespace
} // namespace veltrix
