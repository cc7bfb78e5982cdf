#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "survey/station_list.h"

namespace veltrix {
namespace {

StationNode Node(std::uint8_t id, std::int16_t signal) {
  StationNode n;
  n.mac = {0, 1, 2, 3, 4, id};
  n.signal = signal;
  return n;
}

// The MAC ids of the list in order, through GetNth.
std::vector<int> Order(const StationList& list) {
  std::vector<int> ids;
  for (int i = 1; i <= list.Count(); ++i) {
    const StationNode* n = list.GetNth(i);
    EXPECT_NE(n, nullptr);
    ids.push_back(n->mac[5]);
  }
  return ids;
}

TEST(StationListTest, InsertSortedKeepsAscendingSignalAndInsertionOrderAmongEquals) {
  struct Case {
    std::vector<std::pair<std::uint8_t, std::int16_t>> inserts; // id, signal
    std::vector<int> order;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {{{1, -40}, {2, -100}, {3, -70}}, {2, 3, 1}},
      {{{1, -60}, {2, -60}, {3, -60}}, {1, 2, 3}},
      {{{1, -60}, {2, -80}, {3, -60}, {4, -80}}, {2, 4, 1, 3}},
      {{{1, 5}, {2, -5}, {3, 0}}, {2, 3, 1}},
  };
  for (const Case& c : cases) {
    StationList list;
    for (const auto& [id, signal] : c.inserts) list.InsertSorted(Node(id, signal));
    EXPECT_EQ(Order(list), c.order);
  }
}

TEST(StationListTest, EmptyListAndRanges) {
  StationList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetNth(1), nullptr);
  const std::uint8_t mac[6] = {0, 1, 2, 3, 4, 1};
  EXPECT_EQ(list.FindByMac(mac), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  list.InsertSorted(Node(1, -50));
  list.InsertSorted(Node(2, -40));
  ASSERT_NE(list.GetNth(2), nullptr);
  EXPECT_EQ(list.GetNth(2)->mac[5], 2);
  EXPECT_EQ(list.GetNth(3), nullptr);
  EXPECT_EQ(list.GetNth(0), nullptr);
  EXPECT_EQ(list.GetNth(-1), nullptr);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FindByMac(mac), nullptr);
}

TEST(StationListTest, FindByMacTakesTheFirstInListOrder) {
  StationList list;
  StationNode a = Node(7, -60), b = Node(7, -80);
  a.channel = 1;
  b.channel = 2;
  list.InsertSorted(a);
  list.InsertSorted(b);
  list.InsertSorted(Node(9, -70));
  const std::uint8_t mac[6] = {0, 1, 2, 3, 4, 7};
  StationNode* found = list.FindByMac(mac);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->signal, -80);
  EXPECT_EQ(found->channel, 2);

  // A node whose signal changes keeps its place; later inserts walk the list as it stands.
  found->signal = -10;
  list.InsertSorted(Node(3, -20));
  EXPECT_EQ(Order(list), (std::vector<int>{3, 7, 9, 7}));
}

TEST(StationListTest, CapacityMakesNewNodeFail) {
  StationList list(2);
  ASSERT_TRUE(list.NewNode());
  list.InsertSorted(Node(1, -1));
  ASSERT_TRUE(list.NewNode());
  list.InsertSorted(Node(2, -1));
  EXPECT_FALSE(list.NewNode());
  list.Clear();
  EXPECT_TRUE(list.NewNode());
}

// MAC number `id`, for lists too long for Node's one-byte ids.
std::array<std::uint8_t, 6> MacOf(std::size_t id) {
  return {0x02,
          0,
          0,
          static_cast<std::uint8_t>(id >> 16),
          static_cast<std::uint8_t>(id >> 8),
          static_cast<std::uint8_t>(id)};
}

// MAC and signal of every node in order.
std::vector<std::pair<std::array<std::uint8_t, 6>, int>> Contents(const StationList& list) {
  std::vector<std::pair<std::array<std::uint8_t, 6>, int>> out;
  for (int i = 1; i <= list.Count(); ++i) {
    const StationNode* n = list.GetNth(i);
    EXPECT_NE(n, nullptr);
    out.emplace_back(n->mac, n->signal);
  }
  return out;
}

// Filled to capacity, NewNode fails exactly there and leaves list and node alone; the default
// capacity is past what a 16-bit count holds.
TEST(StationListTest, NewNodeFailsExactlyAtCapacity) {
  for (const std::size_t capacity :
       {std::size_t{1}, std::size_t{5}, StationList::kDefaultCapacity}) {
    StationList list(capacity);
    for (std::size_t i = 0; i < capacity; ++i) {
      std::optional<StationNode> n = list.NewNode();
      ASSERT_TRUE(n) << i;
      n->mac = MacOf(i);
      n->signal = static_cast<std::int16_t>(i * 7919 % 61 - 90);
      list.InsertSorted(std::move(*n));
    }
    ASSERT_EQ(list.Count(), static_cast<int>(capacity));
    const auto before = Contents(list);
    EXPECT_TRUE(std::is_sorted(before.begin(), before.end(),
                               [](const auto& a, const auto& b) { return a.second < b.second; }));
    EXPECT_FALSE(list.NewNode());
    EXPECT_EQ(Contents(list), before);
    EXPECT_NE(list.FindByMac(MacOf(capacity - 1).data()), nullptr);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.FindByMac(MacOf(capacity - 1).data()), nullptr);
    EXPECT_TRUE(list.NewNode());
  }
}

// The rules, literally: a linear walk to insert, a linear search by MAC.
struct ReferenceList {
  std::vector<StationNode> nodes;
  void InsertBefore(const StationNode& node, std::size_t position) {
    nodes.insert(nodes.begin() + static_cast<std::ptrdiff_t>(std::min(position, nodes.size())),
                 node);
  }
  void InsertSorted(const StationNode& node) {
    std::size_t p = 0;
    while (p < nodes.size() && !(node.signal < nodes[p].signal)) ++p;
    InsertBefore(node, p);
  }
  StationNode* Find(const std::uint8_t* mac) {
    for (StationNode& n : nodes)
      if (std::equal(n.mac.begin(), n.mac.end(), mac)) return &n;
    return nullptr;
  }
};

// Random inserts (equal signals, repeated MACs, the capacity reached), signals changed in place
// through FindByMac, lookups, GetNth and Clear, side by side with the reference after every step.
TEST(StationListTest, MatchesTheLinearReferenceUnderRandomOperations) {
  constexpr std::size_t kCapacity = 400;
  std::mt19937 random(20240611);
  const auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const auto signal = [&]() -> std::int16_t {
    const int r = pick(0, 40);
    return r == 0 ? INT16_MIN : r == 1 ? INT16_MAX : static_cast<std::int16_t>(pick(-6, 6));
  };
  StationList list(kCapacity);
  ReferenceList ref;
  // MACs 0..fresh-1 have been used. Mostly a listed MAC, else one listed before or never.
  std::size_t fresh = 0;
  const auto someMac = [&] {
    if (ref.nodes.empty() || pick(0, 3) == 0)
      return MacOf(static_cast<std::size_t>(pick(0, static_cast<int>(fresh) + 3)));
    return ref.nodes[static_cast<std::size_t>(pick(0, list.Count() - 1))].mac;
  };
  int serial = 0;
  for (int step = 0; step < 8000; ++step) {
    const int op = pick(0, 99);
    if (op < 45) {
      std::optional<StationNode> made = list.NewNode();
      ASSERT_EQ(made.has_value(), ref.nodes.size() < kCapacity) << step;
      if (!made) continue;
      StationNode& n = *made;
      n.mac = pick(0, 5) == 0 ? someMac() : MacOf(fresh++);
      n.ssid = std::to_string(serial++);
      n.signal = signal();
      if (op < 38) {
        ref.InsertSorted(n);
        list.InsertSorted(std::move(n));
      } else {
        const auto position = static_cast<std::size_t>(pick(0, list.Count() + 1));
        ref.InsertBefore(n, position);
        list.InsertBefore(std::move(n), position);
      }
    } else if (op < 80) {
      // One or two stations found, then changed, as a decoder hearing them again does.
      const int finds = op < 70 ? 1 : 2;
      std::vector<std::pair<StationNode*, StationNode*>> found;
      for (int f = 0; f < finds; ++f) {
        const auto mac = someMac();
        StationNode* got = list.FindByMac(mac.data());
        StationNode* want = ref.Find(mac.data());
        ASSERT_EQ(got != nullptr, want != nullptr) << step;
        if (!want) continue;
        ASSERT_NE(got, nullptr);
        ASSERT_EQ(got->ssid, want->ssid) << step;
        found.emplace_back(got, want);
      }
      for (auto& [got, want] : found) {
        got->signal = want->signal = signal();
        got->channel = want->channel = static_cast<std::uint8_t>(pick(1, 14));
      }
    } else if (op < 98) {
      const int index = pick(-1, list.Count() + 1);
      const StationNode* n = list.GetNth(index);
      const bool inRange = index >= 1 && index <= static_cast<int>(ref.nodes.size());
      ASSERT_EQ(n != nullptr, inRange);
      if (inRange) {
        EXPECT_EQ(n->ssid, ref.nodes[static_cast<std::size_t>(index) - 1].ssid);
      } else {
        EXPECT_EQ(n, nullptr);
      }
    } else if (pick(0, 19) == 0) {
      list.Clear();
      ref.nodes.clear();
    }

    ASSERT_EQ(list.Count(), static_cast<int>(ref.nodes.size())) << step;
    for (std::size_t i = 0; i < ref.nodes.size(); ++i) {
      const StationNode* n = list.GetNth(static_cast<int>(i) + 1);
      ASSERT_NE(n, nullptr);
      ASSERT_EQ(n->mac, ref.nodes[i].mac) << step << " at " << i;
      ASSERT_EQ(n->signal, ref.nodes[i].signal) << step << " at " << i;
      ASSERT_EQ(n->ssid, ref.nodes[i].ssid) << step << " at " << i;
      ASSERT_EQ(n->channel, ref.nodes[i].channel) << step << " at " << i;
    }
    for (int probe = 0; probe < 3; ++probe) {
      const auto mac = someMac();
      const StationNode* got = list.FindByMac(mac.data());
      const StationNode* want = ref.Find(mac.data());
      ASSERT_EQ(got != nullptr, want != nullptr) << step;
      if (want) {
        ASSERT_EQ(got->ssid, want->ssid) << step;
      }
    }
  }
}

} // namespace
} // namespace veltrix
