// Look-ups of live aircraft by key; see live_slots.h.
#include "traffic/engine/live_slots.h"

#include <algorithm>
#include <bit>

namespace gwr {

namespace {

constexpr std::size_t smallestTable = 64;  // entries
constexpr std::uint32_t hashFactor = 0x9E3779B1u;  // Fibonacci hashing

std::size_t home(std::uint32_t key, std::size_t mask) { return static_cast<std::uint32_t>(key * hashFactor) & mask; }

} // namespace

const LiveSlots::Entry* LiveSlots::probe(std::uint32_t key) const {
  if (table_.empty()) return nullptr;
  const std::size_t mask = table_.size() - 1;
  for (std::size_t at = home(key, mask);; at = (at + 1) & mask) {
    const Entry& e = table_[at];
    if (e.key == key) return &e;
    if (e.key == 0) return nullptr;
  }
}

void LiveSlots::rebuild(const std::vector<LiveAc>& live) {
  ++walks_;
  table_.assign(std::max(smallestTable, std::bit_ceil(2 * live.size())), Entry{});
  const std::size_t mask = table_.size() - 1;
  for (std::size_t i = 0; i < live.size(); ++i) {
    const std::uint32_t key = keyOf_(live[i]);
    if (key == 0) continue;
    std::size_t at = home(key, mask);
    while (table_[at].key != 0 && table_[at].key != key) at = (at + 1) & mask;
    if (table_[at].key == 0) table_[at] = {key, static_cast<std::uint32_t>(i)};  // the first one stays
  }
}

LiveAc* LiveSlots::find(std::vector<LiveAc>& live, std::uint32_t key) {
  if (key == 0) {
    const auto it = std::find_if(live.begin(), live.end(), [this](const LiveAc& a) { return keyOf_(a) == 0; });
    return it == live.end() ? nullptr : &*it;
  }
  const Entry* e = probe(key);
  if (e != nullptr && e->index < live.size() && keyOf_(live[e->index]) == key) return &live[e->index];
  rebuild(live);
  e = probe(key);
  return e == nullptr ? nullptr : &live[e->index];
}

} // namespace gwr
