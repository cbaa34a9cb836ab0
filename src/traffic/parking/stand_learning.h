// Learning which flights use which stand of the park airport by weekday and
// half-hour, and saving what was learned when the park airport is left.
#pragma once

#include <cstdint>
#include <filesystem>

#include "airports/half_hours.h"
#include "airports/stand_record.h"
#include "traffic/engine/live_ac.h"

namespace gwr {

// Why the aircraft is seen at its stand; Parked and MovedAway mark the option complete.
enum class LearnMode : std::uint8_t { AtStand = 0, Born = 1, Parked = 2, MovedAway = 3 };

// The engine's packed week time, (slot << 32) | weekday, as day and half-hour.
WeekTime gf_unpackWeekTime(std::uint64_t packed);
// Slots from `from` to `to`, plus a week when negative.
std::int32_t gf_weekTimeDifference(WeekTime from, WeekTime to);

void lf_addRealStandOption(std::int64_t standNumber, LiveAc& aircraft, LearnMode mode);
// A parked aircraft about to show another identity: its stay is learned first.
void gf_learnStayBeforeNewKey(LiveAc& aircraft);
// Stretches option index over the half-hours since lastSeen; false when the
// gap is too long (a new option is wanted then).
bool gf_extendStandOption(WeekTime now, StandRecord& stand, std::uint32_t index, WeekTime& lastSeen,
                          const LiveAc& aircraft, bool cpl);
// The callsign pair of the flight from an option of today near now.
void gf_lookupCallsignPair(WeekTime now, LiveAc& aircraft);

// The learned file of the park airport; empty while none is set.
std::filesystem::path gf_learnedFilePath();
// Writes the learned file of the park airport; false when it failed.
bool lf_saveLearnedStands();

} // namespace gwr
