// The station list: its first node and its index by MAC.
#include "survey/station_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace veltrix {

namespace {

constexpr std::size_t kMinSlots = 256;

bool SameMac(const StationNode& node, const std::uint8_t* mac) {
  return std::memcmp(node.mac.data(), mac, 6) == 0;
}

} // namespace

void StationList::Clear() {
  // Every occupied slot lies in a run that starts at some indexed node's home slot, so clearing
  // forward from each home empties the table without touching the rest of it.
  const std::size_t mask = slots_.size() - 1;
  for (Index x = 0; x < indexed_; ++x) {
    for (std::size_t s = Home(pool_[x].mac.data()); slots_[s] != kNone; s = (s + 1) & mask)
      slots_[s] = kNone;
  }
  indexed_ = 0;
  count_ = 0;
}

std::optional<StationNode> StationList::NewNode() const {
  if (count_ >= capacity_) return std::nullopt;
  return StationNode{};
}

void StationList::InsertSorted(StationNode node) {
  const auto x = static_cast<Index>(count_);
  // Against the first's signal as it stands now: a caller may have changed it through FindByMac.
  if (count_ == 0 || node.signal < pool_[first_].signal) first_ = x;
  if (count_ == pool_.size()) {
    pool_.push_back(std::move(node));
  } else {
    pool_[x] = std::move(node);
  }
  ++count_;
}

StationNode* StationList::FindByMac(const std::uint8_t* mac) {
  // Nodes are indexed when first searched for: a list that is rebuilt but never searched (an
  // 802.11g survey's) costs the index nothing. Nodes not indexed yet were inserted since the last
  // search, and its pointers do not outlive an insert, so they see the signals of their insert.
  while (indexed_ < count_) IndexNode(indexed_++);
  const Index x = count_ == 0 ? kNone : slots_[SlotOf(mac)];
  return x == kNone ? nullptr : &pool_[x];
}

// ---- the index by MAC ----

std::size_t StationList::Home(const std::uint8_t* mac) const {
  std::uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits = bits << 8 | mac[i];
  return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> (64 - slotBits_));
}

// The slot that holds the MAC, or the empty slot where it would go.
std::size_t StationList::SlotOf(const std::uint8_t* mac) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t s = Home(mac);; s = (s + 1) & mask) {
    const Index x = slots_[s];
    if (x == kNone || SameMac(pool_[x], mac)) return s;
  }
}

void StationList::IndexNode(Index x) {
  if ((x + std::size_t{1}) * 2 > slots_.size()) GrowSlots();
  const std::uint8_t* mac = pool_[x].mac.data();
  Index& head = slots_[SlotOf(mac)];
  if (head == kNone) {
    head = x;
    return;
  }
  // A MAC listed again: the later node went before the indexed one if that one's signal was
  // greater (exactly so while no signal has changed).
  if (pool_[x].signal < pool_[head].signal) head = x;
}

// Doubles the table, keeping its load at most one half.
void StationList::GrowSlots() {
  std::vector<Index> old(std::max(kMinSlots, slots_.size() * 2), kNone);
  old.swap(slots_);
  slotBits_ = 0;
  while ((std::size_t{1} << slotBits_) < slots_.size()) ++slotBits_;
  for (const Index head : old) {
    if (head != kNone) slots_[SlotOf(pool_[head].mac.data())] = head;
  }
}

} // namespace veltrix
