#pragma once
// The stations that surveys and captures report, kept in ascending order of signal as they were
// inserted (a node whose signal changes later keeps its place).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrix {

struct StationNode {
  std::array<std::uint8_t, 6> mac{};
  std::string ssid; // at most 32 characters; empty for a client station
  std::int16_t signal = 0;
  std::uint8_t channel = 0;
  std::uint8_t isAp = 0;
  std::uint8_t wep = 0;
};

// A small list (an 802.11g survey's) is an array of indices walked from the front; a larger one
// moves into a treap whose subtree maxima find an insert's place in O(log n) expected, and an
// index by MAC answers FindByMac in O(1) expected, so a log from a great many transmitters
// converts in time linear in its size. Clear costs the nodes listed, however many the list once
// held; nodes and index are kept for reuse, so a list rebuilt for every record allocates nothing
// once warm.
class StationList {
public:
  // More stations than any site holds; past it NewNode fails as if memory ran out, which keeps
  // memory bounded on damaged logs and on logs from a great many transmitters.
  static constexpr std::size_t kDefaultCapacity = 65536;

  explicit StationList(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  int Count() const { return static_cast<int>(count_); }
  void Clear();
  // A fresh node to fill; nothing when the list cannot take another node.
  std::optional<StationNode> NewNode() const;
  // Inserts before the first node in list order whose signal, as it stands now, is greater than
  // the new one's (or at the end): after every node that is not greater when the list is sorted.
  void InsertSorted(StationNode node);
  // Links the node in immediately before the node at 0-based `position` (Count() for the end).
  void InsertBefore(StationNode node, std::size_t position);
  // The first node in list order with this MAC, or null when none has it. Any field but the MAC
  // may be changed through the pointer, which stays valid until the list next changes shape.
  StationNode* FindByMac(const std::uint8_t* mac);
  // The node at 1-based `index`, or null when out of range.
  const StationNode* GetNth(int index) const;
  // The first node, or null when the list is empty.
  const StationNode* First() const { return GetNth(1); }

private:
  using Index = std::uint32_t;
  static constexpr Index kNone = 0xFFFFFFFF;

  // A node's place in the treap over list order (in-order = list order, a parent's priority is
  // never below its children's), with its subtree's size and greatest signal.
  struct Link {
    Index left = kNone, right = kNone, parent = kNone;
    Index size = 1;
    std::uint32_t priority = 0;
    std::int16_t maxSignal = 0;
    bool handedOut = false; // FindByMac gave it out since the last change of shape
  };

  // Up to this many nodes the list is their indices in order, walked like an array; past it they
  // move into the treap until the list is cleared.
  static constexpr std::size_t kSmallList = 256;

  Index Add(StationNode&& node);
  void PlaceSmall(Index x, std::size_t position);
  void ResetLink(Index x);
  void LinkBefore(Index x, Index next);
  void RotateUp(Index x);
  void Pull(Index x);
  void RepairHandedOut();
  Index FirstAbove(std::int16_t signal) const;
  Index NodeAt(std::size_t rank) const;
  std::size_t RankOf(Index x) const;
  std::size_t Home(const std::uint8_t* mac) const;
  std::size_t SlotOf(const std::uint8_t* mac) const;
  void IndexNode(Index x);
  void GrowSlots();

  std::vector<StationNode> pool_; // 0..count_-1 are listed, in the order they were added
  std::vector<Link> links_;       // beside pool_; used while the treap holds the list
  std::vector<Index> order_;      // the list while it is small (root_ is kNone)
  Index root_ = kNone;
  std::vector<Index> handedOut_; // whose signal may have changed: their ancestors' maxima are due
  // Open addressing with linear probing, by MAC: the first node in list order with that MAC, for
  // nodes 0..indexed_-1; FindByMac indexes the rest first.
  std::vector<Index> slots_;
  int slotBits_ = 0;
  Index indexed_ = 0;
  std::size_t count_ = 0;
  std::size_t capacity_;
  std::uint32_t random_ = 0x9E3779B9u;
};

} // namespace veltrix
