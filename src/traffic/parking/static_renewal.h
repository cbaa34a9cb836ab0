// The renewal of the static parking: the plan for the current half-hour
// reconciled with the static aircraft already standing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "airports/half_hours.h"

namespace gwr {

// Room for parking's lists (static aircraft, the stand table, the parked
// file's entries, parked live aircraft and the renewal's own lists), reserved
// once for the process; resets keep it. Before the traffic thread starts.
void gf_reserveParkingLists();
// The room the renewal's own lists of static aircraft keep: those that stay
// and those that go.
struct RenewalListsRoom {
  std::size_t kept = 0, removals = 0;
};
RenewalListsRoom gf_renewalListsRoom();

// Which static aircraft stay with the plan's new entries (parkedEntries):
// kept and removal hold indexes into staticAircraft. Entries the standing
// aircraft already show, or that lose to an aircraft parked before them, are
// dropped; a kept aircraft whose stay ends before the next half-hour becomes
// an entry again (put at the front) and its aircraft goes. backSlots: how far
// the passes looked back.
void gf_reconcileStatics(WeekTime now, std::int32_t backSlots, std::vector<std::size_t>& kept,
                         std::vector<std::size_t>& removal);

} // namespace gwr
