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
  order_.clear();
  handedOut_.clear();
  root_ = kNone;
  count_ = 0;
}

std::optional<StationNode> StationList::NewNode() const {
  if (count_ >= capacity_) return std::nullopt;
  return StationNode{};
}

void StationList::InsertSorted(StationNode node) {
  // Never a binary search: nodes updated in place may be out of order. Few nodes are walked; in
  // the treap, the subtree maxima lead to the first greater signal in list order.
  const std::int16_t signal = node.signal;
  if (root_ == kNone) {
    std::size_t position = 0;
    while (position < order_.size() && !(signal < pool_[order_[position]].signal)) ++position;
    PlaceSmall(Add(std::move(node)), position);
    return;
  }
  RepairHandedOut();
  const Index next = FirstAbove(signal);
  LinkBefore(Add(std::move(node)), next);
}

void StationList::InsertBefore(StationNode node, std::size_t position) {
  if (root_ == kNone) {
    PlaceSmall(Add(std::move(node)), std::min(position, order_.size()));
    return;
  }
  RepairHandedOut();
  const Index next = position < count_ ? NodeAt(position) : kNone;
  LinkBefore(Add(std::move(node)), next);
}

StationNode* StationList::FindByMac(const std::uint8_t* mac) {
  // Nodes are indexed when first searched for: a list that is rebuilt but never searched (an
  // 802.11g survey's) costs the index nothing.
  while (indexed_ < count_) IndexNode(indexed_++);
  const Index x = count_ == 0 ? kNone : slots_[SlotOf(mac)];
  if (x == kNone) return nullptr;
  // The small list keeps nothing that a changed signal could make stale.
  if (root_ != kNone && !links_[x].handedOut) {
    links_[x].handedOut = true;
    handedOut_.push_back(x);
  }
  return &pool_[x];
}

const StationNode* StationList::GetNth(int index) const {
  if (index < 1 || static_cast<std::size_t>(index) > count_) return nullptr;
  const auto rank = static_cast<std::size_t>(index) - 1;
  return &pool_[root_ == kNone ? order_[rank] : NodeAt(rank)];
}

StationList::Index StationList::Add(StationNode&& node) {
  const auto x = static_cast<Index>(count_);
  if (count_ == pool_.size()) {
    pool_.push_back(std::move(node));
    links_.emplace_back();
  } else {
    pool_[x] = std::move(node);
  }
  ++count_;
  if (root_ != kNone) ResetLink(x);
  return x;
}

// ---- few nodes: their indices in list order ----

void StationList::PlaceSmall(Index x, std::size_t position) {
  order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), x);
  if (order_.size() <= kSmallList) return;
  // Grown past it: into the treap, appended in list order.
  for (const Index n : order_) {
    ResetLink(n);
    LinkBefore(n, kNone);
  }
  order_.clear();
}

// ---- the treap over list order ----

// Makes x a lone node with a fresh priority.
void StationList::ResetLink(Index x) {
  Link& l = links_[x];
  l = Link{};
  random_ ^= random_ << 13; // xorshift32
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  l.priority = random_;
  l.maxSignal = pool_[x].signal;
}

// Makes the lone node x a leaf just before `next` (kNone: at the end), then restores the heap.
void StationList::LinkBefore(Index x, Index next) {
  Index parent = kNone;
  if (next == kNone) {
    for (Index n = root_; n != kNone; n = links_[n].right) parent = n;
    (parent == kNone ? root_ : links_[parent].right) = x;
  } else if (links_[next].left == kNone) {
    parent = next;
    links_[next].left = x;
  } else {
    for (Index n = links_[next].left; n != kNone; n = links_[n].right) parent = n;
    links_[parent].right = x;
  }
  links_[x].parent = parent;
  const std::int16_t signal = pool_[x].signal;
  for (Index n = parent; n != kNone; n = links_[n].parent) {
    ++links_[n].size;
    links_[n].maxSignal = std::max(links_[n].maxSignal, signal);
  }
  while (links_[x].parent != kNone && links_[x].priority > links_[links_[x].parent].priority)
    RotateUp(x);
}

// Turns x's parent into x's child; list order is unchanged.
void StationList::RotateUp(Index x) {
  const Index p = links_[x].parent;
  const Index g = links_[p].parent;
  if (links_[p].left == x) {
    links_[p].left = links_[x].right;
    if (links_[x].right != kNone) links_[links_[x].right].parent = p;
    links_[x].right = p;
  } else {
    links_[p].right = links_[x].left;
    if (links_[x].left != kNone) links_[links_[x].left].parent = p;
    links_[x].left = p;
  }
  links_[p].parent = x;
  links_[x].parent = g;
  if (g == kNone) {
    root_ = x;
  } else {
    (links_[g].left == p ? links_[g].left : links_[g].right) = x;
  }
  Pull(p);
  Pull(x);
}

void StationList::Pull(Index x) {
  Link& l = links_[x];
  l.size = 1;
  l.maxSignal = pool_[x].signal;
  for (const Index c : {l.left, l.right}) {
    if (c == kNone) continue;
    l.size += links_[c].size;
    l.maxSignal = std::max(l.maxSignal, links_[c].maxSignal);
  }
}

// The signals of nodes handed out may have changed since: their ancestors' maxima are redone.
void StationList::RepairHandedOut() {
  for (const Index x : handedOut_) {
    links_[x].handedOut = false;
    for (Index n = x; n != kNone; n = links_[n].parent) Pull(n);
  }
  handedOut_.clear();
}

StationList::Index StationList::FirstAbove(std::int16_t signal) const {
  if (root_ == kNone || !(signal < links_[root_].maxSignal)) return kNone;
  // Every subtree entered holds a greater signal; the leftmost such node is the answer.
  for (Index x = root_; x != kNone;) {
    const Index left = links_[x].left;
    if (left != kNone && signal < links_[left].maxSignal) {
      x = left;
    } else if (signal < pool_[x].signal) {
      return x;
    } else {
      x = links_[x].right;
    }
  }
  return kNone; // only if a signal changed behind the list's back
}

StationList::Index StationList::NodeAt(std::size_t rank) const {
  Index x = root_;
  for (;;) {
    const Index left = links_[x].left;
    const std::size_t before = left == kNone ? 0 : links_[left].size;
    if (rank == before) return x;
    if (rank < before) {
      x = left;
    } else {
      rank -= before + 1;
      x = links_[x].right;
    }
  }
}

std::size_t StationList::RankOf(Index x) const {
  if (root_ == kNone)
    return static_cast<std::size_t>(std::find(order_.begin(), order_.end(), x) - order_.begin());
  std::size_t rank = links_[x].left == kNone ? 0 : links_[links_[x].left].size;
  for (Index p = links_[x].parent; p != kNone; x = p, p = links_[p].parent) {
    if (links_[p].right == x)
      rank += 1 + (links_[p].left == kNone ? 0 : links_[links_[p].left].size);
  }
  return rank;
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
  // A MAC listed again: nodes keep their relative order for good, so the index needs only the
  // first of them.
  if (RankOf(x) < RankOf(head)) head = x;
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
