#pragma once
// The stations that surveys and captures report, kept in ascending order of signal as they were
// inserted (a node whose signal changes later keeps its place).

#include <array>
#include <cstddef>
#include <cstdint>
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

class StationList {
public:
  // More stations than any site holds; past it NewNode fails as if memory ran out, which keeps
  // memory and lookups bounded on damaged logs.
  static constexpr std::size_t kDefaultCapacity = 1024;

  explicit StationList(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  std::int16_t Count() const { return static_cast<std::int16_t>(nodes_.size()); }
  void Clear() { nodes_.clear(); }
  // 0 and a fresh node to fill; -1 when the list cannot take another node.
  int NewNode(StationNode& out) const;
  // Inserts after every node whose signal is not greater than the new one's.
  void InsertSorted(StationNode node);
  // Links the node in immediately before the node at 0-based `position` (Count() for the end).
  void InsertBefore(StationNode node, std::size_t position);
  // 0 and the first node in list order with this MAC; -1 when none has it. The pointer stays
  // valid until the list next changes shape.
  int FindByMac(const std::uint8_t* mac, StationNode*& out);
  // 0 and the node at 1-based `index`; -2 and null when out of range.
  int GetNth(const StationNode*& out, int index) const;

private:
  std::vector<StationNode> nodes_; // list order
  std::size_t capacity_;
};

} // namespace veltrix
