#pragma once
// src/survey/ holds the station list and the GPS decoder. The stations that surveys and captures
// report: the first of them in ascending order of signal, and each found by its MAC.

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

// Stations in ascending order of signal as they were inserted: a node goes before the first node
// whose signal, as it stands now, is greater than its own, and keeps its place when its signal
// changes later. Only the first node and the nodes found by MAC are ever read, so that is all the
// list keeps of the order:
// - the first node: a node inserted becomes the first exactly when the first's current signal is
//   greater than its own (or the list was empty);
// - by MAC, an index gives one node per MAC. A node inserted with a MAC already indexed takes
//   over exactly when the indexed node's current signal is greater than its own. That is the
//   first of them in list order as long as no signal changed in between; the decoders never
//   list a MAC twice where they search for it.
// Nodes are kept for reuse and Clear costs the nodes listed, so a list rebuilt for every record
// allocates nothing once warm.
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
  void InsertSorted(StationNode node);
  // The node indexed for this MAC (see above), or null when none has it. Any field but the MAC
  // may be changed through the pointer, which stays valid until the next insert or Clear.
  StationNode* FindByMac(const std::uint8_t* mac);
  // The first node, or null when the list is empty.
  const StationNode* First() const { return count_ == 0 ? nullptr : &pool_[first_]; }

private:
  using Index = std::uint32_t;
  static constexpr Index kNone = 0xFFFFFFFF;

  std::size_t Home(const std::uint8_t* mac) const;
  std::size_t SlotOf(const std::uint8_t* mac) const;
  void IndexNode(Index x);
  void GrowSlots();

  std::vector<StationNode> pool_; // 0..count_-1 are listed, in the order they were inserted
  Index first_ = 0;
  // Open addressing with linear probing, by MAC, for nodes 0..indexed_-1; FindByMac indexes the
  // rest first.
  std::vector<Index> slots_;
  int slotBits_ = 0;
  Index indexed_ = 0;
  std::size_t count_ = 0;
  std::size_t capacity_;
};

} // namespace veltrix
