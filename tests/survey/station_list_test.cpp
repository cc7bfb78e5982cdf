#include <gtest/gtest.h>

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
    const StationNode* n = nullptr;
    EXPECT_EQ(list.GetNth(n, i), 0);
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
  const StationNode* n = nullptr;
  StationNode* found = nullptr;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.GetNth(n, 1), -2);
  EXPECT_EQ(n, nullptr);
  const std::uint8_t mac[6] = {0, 1, 2, 3, 4, 1};
  EXPECT_EQ(list.FindByMac(mac, found), -1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  list.InsertSorted(Node(1, -50));
  list.InsertSorted(Node(2, -40));
  EXPECT_EQ(list.GetNth(n, 2), 0);
  EXPECT_EQ(n->mac[5], 2);
  EXPECT_EQ(list.GetNth(n, 3), -2);
  EXPECT_EQ(list.GetNth(n, 0), -2);
  EXPECT_EQ(list.GetNth(n, -1), -2);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FindByMac(mac, found), -1);
}

TEST(StationListTest, FindByMacTakesTheFirstInListOrder) {
  StationList list;
  StationNode a = Node(7, -60), b = Node(7, -80);
  a.channel = 1;
  b.channel = 2;
  list.InsertSorted(a);
  list.InsertSorted(b);
  list.InsertSorted(Node(9, -70));
  StationNode* found = nullptr;
  const std::uint8_t mac[6] = {0, 1, 2, 3, 4, 7};
  ASSERT_EQ(list.FindByMac(mac, found), 0);
  EXPECT_EQ(found->signal, -80);
  EXPECT_EQ(found->channel, 2);

  // A node whose signal changes keeps its place; later inserts walk the list as it stands.
  found->signal = -10;
  list.InsertSorted(Node(3, -20));
  EXPECT_EQ(Order(list), (std::vector<int>{3, 7, 9, 7}));
}

TEST(StationListTest, CapacityMakesNewNodeFail) {
  StationList list(2);
  StationNode n;
  ASSERT_EQ(list.NewNode(n), 0);
  list.InsertSorted(Node(1, -1));
  ASSERT_EQ(list.NewNode(n), 0);
  list.InsertSorted(Node(2, -1));
  EXPECT_EQ(list.NewNode(n), -1);
  list.Clear();
  EXPECT_EQ(list.NewNode(n), 0);
}

} // namespace
} // namespace veltrix
