// Finding a live aircraft by hexid or object id without walking the live
// vector: where each key stood at the last walk. A slot is used only after
// its record shows the key, so records appended, moved by an erase (the last
// one takes the erased one's place), erased or given another id by any code
// cost one walk at the next look-up, never a wrong answer.
#pragma once

#include <cstdint>
#include <vector>

#include "traffic/engine/live_ac.h"

namespace gwr {

class LiveSlots {
public:
  using KeyOf = std::uint32_t (*)(const LiveAc&);
  explicit LiveSlots(KeyOf keyOf) : keyOf_(keyOf) {}

  // The first record whose key is key, as a walk from the front would find
  // it while keys are unique; nullptr when none. Key 0 is never indexed.
  LiveAc* find(std::vector<LiveAc>& live, std::uint32_t key);
  std::size_t walks() const { return walks_; }  // for tests and the bench

private:
  struct Entry {
    std::uint32_t key = 0;  // 0 = empty
    std::uint32_t index = 0;
  };
  const Entry* probe(std::uint32_t key) const;
  void rebuild(const std::vector<LiveAc>& live);

  KeyOf keyOf_;
  std::vector<Entry> table_;  // open addressing, a power of two, at most half full
  std::size_t walks_ = 0;
};

} // namespace gwr
