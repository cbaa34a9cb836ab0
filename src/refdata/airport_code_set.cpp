// The flat airport code set: linear probing in a power-of-two array kept at
// most half full, so that a look-up rarely looks at more than two slots.
#include "refdata/airport_code_set.h"

#include <algorithm>
#include <bit>

namespace gwr {

std::size_t AirportCodeSet::slotOf(FixedCode<4> code) const {
  const std::size_t mask = slots.size() - 1;
  std::size_t slot = static_cast<std::size_t>(gf_fnv1a64(code.view())) & mask;
  while (!slots[slot].empty() && slots[slot] != code) slot = (slot + 1) & mask;
  return slot;
}

void AirportCodeSet::rehash(std::size_t slotCount) {
  std::vector<FixedCode<4>> old(slotCount);
  old.swap(slots);
  for (const FixedCode<4> code : old) {
    if (!code.empty()) slots[slotOf(code)] = code;
  }
}

void AirportCodeSet::reserve(std::size_t wanted) {
  const std::size_t needed = std::bit_ceil(std::max(minSlots, 2 * wanted));
  if (needed > slots.size()) rehash(needed);
}

bool AirportCodeSet::insert(FixedCode<4> code) {
  if (code.empty()) {
    const bool added = !holdsEmptyCode;
    holdsEmptyCode = true;
    count += added ? 1 : 0;
    return added;
  }
  if (2 * (count + 1) > slots.size()) reserve(count + 1);
  const std::size_t slot = slotOf(code);
  if (!slots[slot].empty()) return false;
  slots[slot] = code;
  ++count;
  return true;
}

bool AirportCodeSet::contains(FixedCode<4> code) const {
  if (code.empty()) return holdsEmptyCode;
  return !slots.empty() && !slots[slotOf(code)].empty();
}

void AirportCodeSet::clear() {
  slots.clear();
  count = 0;
  holdsEmptyCode = false;
}

} // namespace gwr
