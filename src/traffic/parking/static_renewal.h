// The renewal of the static parking: the plan for the current half-hour
// reconciled with the static aircraft already standing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "airports/half_hours.h"

namespace gwr {

// The renewal's lists of static aircraft (indexes into staticAircraft): those
// that stay and those that go. Traffic thread only; reserved once, emptied at
// each renewal.
extern std::vector<std::size_t> keptStatic;
extern std::vector<std::size_t> staticRemovals;

// Which static aircraft stay with the plan's new entries (parkedEntries):
// kept and removal hold indexes into staticAircraft. Entries the standing
// aircraft already show, or that lose to an aircraft parked before them, are
// dropped; a kept aircraft whose stay ends before the next half-hour becomes
// an entry again (put at the front) and its aircraft goes. backSlots: how far
// the passes looked back.
void gf_reconcileStatics(WeekTime now, std::int32_t backSlots, std::vector<std::size_t>& kept,
                         std::vector<std::size_t>& removal);

} // namespace gwr
