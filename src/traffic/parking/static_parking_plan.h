// The static parking plan: which stands get a static parked aircraft and which
// learned flight each shows, by weekday and half-hour, and its renewal.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "airports/half_hours.h"
#include "airports/stand_record.h"
#include "traffic/parking/static_parking.h"

namespace gwr {

inline constexpr std::size_t planCandidateRoom = 512;
inline constexpr std::size_t planOptionRoom = 256;
inline constexpr std::int32_t renewalIntervalMinutes = 20;

// Minutes to the next renewal; the driver sets it when the park airport is read.
extern std::int32_t staticRenewalMinutes;
// Set when the park airport's file has been read: the renewal interval starts
// afresh once the controls are enabled again, when the first plan is placed.
extern bool renewalAwaitsPlacement;
// The window's "Now" starts the countdown afresh; the next minute's work
// takes it, as the countdown is the traffic thread's.
extern std::atomic<bool> renewalRestartRequested;

std::int32_t gf_wantedParkCount();
// The callsign of a live aircraft seen since the last renewal.
void gf_noteLiveCallsign(const std::string& callsign);
// A new park airport: callsigns heard from now on count for its first plan.
void gf_startCollectingLiveCallsigns();
// The callsigns collected since the last renewal become those the plan checks.
void gf_renewSeenCallsigns();
// The callsign, or it followed by "_", was seen live since the last renewal.
bool gf_seenLiveSinceRenewal(const std::string& callsign);
void gf_markReservedStands();
// Every stand's reserved, blocked and static-occupied marks cleared; with
// renumberOptions (the renewal) its options numbered 1..n in order too.
void gf_clearStandMarks(bool renumberOptions);
// Logs the day and half-hour the plan works for and returns it.
WeekTime gf_logDayAndHour();
void gf_showPlanMarks(bool week, bool soft);
// Sorted for creation (taken from the back).
void gf_sortEntries();
void gf_removeParkedLive(const ParkedLive& entry);

bool gf_optionFitsStand(const StandOption& option, bool real, bool sameDay, WeekTime target, const StandRecord& stand);
// pending: entries of the search still running.
bool gf_optionInUse(const StandOption& option, const std::vector<ParkedEntry>& pending);
void lf_searchStands(WeekTime now, bool real, bool sameDay, std::int32_t offset, std::vector<ParkedEntry>& out);
bool gf_searchPass(WeekTime now, bool real, bool sameDay, std::int32_t wanted, std::vector<ParkedEntry>& out);
void gf_planPass(WeekTime now, std::int32_t wanted, std::int32_t already, bool real, bool sameDay);
void gf_planStatics(WeekTime now, std::int32_t wanted, std::int32_t already);

// The plan once the park airport's file has been read.
void gf_planStaticsAtRead();
// Enables the parking controls; the first time after a reading it starts the
// renewal interval too.
void gf_enableParkControlsAfterPlacement();
// The renewal: adds and removes static aircraft as the plan for now says.
void gf_renewStaticParking();
// Every minute: counts down and renews when due (not with INITIAL_LOAD_ONLY).
void gf_staticRenewalMinute();

} // namespace gwr
