#include "survey/station_list.h"

#include <cstring>

namespace veltrix {

int StationList::NewNode(StationNode& out) const {
  if (nodes_.size() >= capacity_) return -1;
  out = StationNode{};
  return 0;
}

void StationList::InsertSorted(StationNode node) {
  // A linear walk, not a binary search: nodes updated in place may be out of order.
  std::size_t position = 0;
  while (position < nodes_.size() && !(node.signal < nodes_[position].signal)) ++position;
  InsertBefore(std::move(node), position);
}

void StationList::InsertBefore(StationNode node, std::size_t position) {
  if (position > nodes_.size()) position = nodes_.size();
  nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(position), std::move(node));
}

int StationList::FindByMac(const std::uint8_t* mac, StationNode*& out) {
  for (StationNode& node : nodes_) {
    if (std::memcmp(node.mac.data(), mac, node.mac.size()) == 0) {
      out = &node;
      return 0;
    }
  }
  out = nullptr;
  return -1;
}

int StationList::GetNth(const StationNode*& out, int index) const {
  if (index < 1 || static_cast<std::size_t>(index) > nodes_.size()) {
    out = nullptr;
    return -2;
  }
  out = &nodes_[static_cast<std::size_t>(index) - 1];
  return 0;
}

} // namespace veltrix
