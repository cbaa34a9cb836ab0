// The livery matcher for a static aircraft at a stand of the stand table: the
// liveries layer sits below this one and takes only the fields it reads.
#pragma once

#include "airports/stand_record.h"
#include "liveries/livery_matcher.h"

namespace gwr {

inline bool gf_matchParkedAircraft(AcDescription& aircraft, const StandRecord& stand) {
  return gf_matchParkedAircraft(aircraft, StandMatchFields{stand.id, stand.cargo});
}

} // namespace gwr
