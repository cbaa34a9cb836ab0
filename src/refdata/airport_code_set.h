// The set of known airport codes: a flat hashed set (FNV-1a over the four
// characters, open addressing in one array), built once at start-up.
#pragma once

#include <cstddef>
#include <vector>

#include "core/fixed_code.h"

namespace gwr {

// One array instead of a node per code: filling it with the tens of thousands
// of airports of the table takes no allocation per code.
class AirportCodeSet {
 public:
  // Room for count codes without growing.
  void reserve(std::size_t count);
  // True when code was not there yet.
  bool insert(FixedCode<4> code);
  bool contains(FixedCode<4> code) const;
  std::size_t size() const { return count; }
  void clear();

 private:
  static constexpr std::size_t minSlots = 16;  // a power of two

  // The slot of code, or the free slot where it belongs.
  std::size_t slotOf(FixedCode<4> code) const;
  void rehash(std::size_t slotCount);

  std::vector<FixedCode<4>> slots;  // the empty code marks a free slot
  std::size_t count = 0;
  bool holdsEmptyCode = false;
};

} // namespace gwr
