// A live aircraft of the feed from its first accepted report until it is
// erased: description, simulator presence, phase, pose and report stream.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "core/geo.h"
#include "refdata/aircraft_description.h"
#include "traffic/engine/sample_queue.h"
#include "traffic/feed/traffic_record.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/simclient/ai_control.h"

namespace gwr {

// One timed report of the feed.
struct PositionSample {
  double lat = 0.0, lon = 0.0;   // degrees
  double altitude = 0.0;         // feet, 0 = on the ground
  double groundSpeed = 0.0;      // knots
  double track = 0.0;            // degrees
  double verticalSpeed = 0.0;    // ft/min
  double tas = 0.0;              // knots
  std::int32_t dueTick = 0;
  std::uint8_t airborne = 0;
  std::uint8_t standing = 0;
  std::uint8_t attitudeSource = 0;
  std::uint8_t rollValid = 0;
  double roll = 0.0;             // radians
  double trueHeading = 0.0;      // radians
  std::uint8_t trueHeadingValid = 0;
  // What the ground evidence made of it when it came (evidence* marks) and
  // the pace of its positions from the report before (knots, -1: none).
  std::uint8_t evidence = 0;
  double shownKt = -1.0;
};

PositionSample gf_sampleOf(const TrafficRecord& record);
inline LatLon gf_positionOf(const PositionSample& s) { return {s.lat, s.lon}; }

enum class AcPhase : std::uint32_t { PushingBack = 0, PushedBack, Taxi, TakeOff, Flying, Parking, Parked, Birth };

// The names in Log.txt; a value outside the table throws std::out_of_range
// with "invalid unordered_map<K, T> key".
const std::string& gf_phaseName(AcPhase phase);
const std::string& gf_simStateName(AcSimState state);

inline constexpr std::int32_t initialSmoothingTicks = 1000;
inline constexpr double initialHeightAboveGroundFt = 2500.0;

struct LiveAc : AcDescription {
  LiveAc(const AcDescription& description, const PositionSample& first, double time);

  // What the simulator control reads and writes: object id, state, throttle
  // and flaps indexes, erase marks.
  AiControlled sim;

  double standLat = 0.0, standLon = 0.0, standHeading = 0.0;
  std::uint64_t weekTimeParked = 0;
  std::int32_t standNumber = 0;
  std::uint8_t standFlag = 0;
  double lat = 0.0, lon = 0.0;
  double pitch = 0.0, bank = 0.0, heading = 0.0;
  double altitude = 0.0;
  double verticalSpeed = 0.0;  // ft/s
  double tas = 0.0;
  SampleQueue<PositionSample> samples;
  double lastSampleTime = 0.0;
  // The newest report of the feed itself (never a made-up holding or
  // extrapolated copy): what a new report's speed is weighed against.
  PositionSample lastReport;
  double checkedLat = 0.0, checkedLon = 0.0;
  std::uint64_t parkedSince = 0;
  std::int32_t extrapolationCount = 0;
  std::uint32_t holdingSince = 0;
  AcPhase phase = AcPhase::Birth;
  AcPhase previousPhase = AcPhase::Birth;
  std::uint8_t atStandCheck = 0, onGroundConfirmed = 0, hasFlightPlan = 0, closeToUser = 0, holding = 0;
  double latRate = 0.0, lonRate = 0.0, pitchRate = 0.0, bankRate = 0.0, headingRate = 0.0, altitudeRate = 0.0;
  double targetVerticalSpeed = 0.0, targetTas = 0.0;
  double curve[8] = {};
  double curvePosition = 0.0, curveStep = 0.0, curveAngle = 0.0;
  PositionSample pushBackSecondLeg;
  std::int32_t smoothingEarlier = initialSmoothingTicks, smoothingLater = initialSmoothingTicks;
  std::int32_t rotationSteps = 1;
  std::int32_t pushBackCountdown = 0;
  std::uint32_t standMoves = 0;
  double trackHeading = 0.0;
  double heightAboveGround = initialHeightAboveGroundFt;
  double flareHeight = 0.0, touchdownHeading = 0.0, largestPushedDistance = 0.0;
  double standFirstDistance = 0.0, standLargestDistance = 0.0, turnAngle = 0.0;
  double headingOverride = 0.0;
  std::uint8_t headingOverrideSet = 0;
  std::uint8_t pushBackTurnSide = 0, pushBackHasSecondLeg = 0;
  std::uint32_t landingStage = 0;
  std::uint8_t towed = 0, approachCleared = 0;
  std::uint8_t highConfigured = 0, lowConfigured = 0, settling = 0, leaving = 0, turning = 0;
  // Take-off roll, lift-off, approach, roll-out: changed only by rp_transition.
  RunwayPhases runway;
  // Kept by the stand logic: the position last tried for parking, the
  // stream-extended mark, and the callsign pair learned for this flight.
  double parkTriedLat = 0.0, parkTriedLon = 0.0;
  std::uint8_t streamExtended = 0, pairLookedUp = 0;
  std::string pairedCallsign1, pairedCallsign2;
  std::uint8_t poseFault = 0;  // a pose that was not finite has been logged
  // On the ground: the current leg is driven tail first (a push-back).
  std::uint8_t reversing = 0;
  // Due tick of the newest queued report that is airborne where the one
  // queued before it was not, or the reverse (0: none): the stream mixes air
  // and ground while it lies after the front. (Here it fills the bytes the
  // flags above leave: every line of the record is fetched each pass.)
  std::int32_t airGroundSwitchDue = 0;
  // What the reports show, judged as they come.
  GroundEvidence evidence;
  double legFromLat = 0.0, legFromLon = 0.0;  // where the current ground leg started
  double legCapKt = 0.0;  // the fastest that leg may go (knots): what its reports justify
  // The speeds (knots) that leg starts and ends at, its speed going evenly
  // between them (end < 0: an even pace), and the tick it started.
  double legStartKt = 0.0, legEndKt = -1.0;
  // Its last tick's step on the ground as taken: metres north, degrees east,
  // and the latitude it left. Only a leg's start reads its length, so the
  // cosine and the root are left to it.
  double groundStepNorthM = 0.0, groundStepEastDeg = 0.0, groundStepFromLat = 0.0;
  std::int32_t legStartTick = 0;
  // Where it was on the ground at its last two marks, half a second apart,
  // and when: its speed over about the last second is read from the older
  // (a leg's start goes on from it; its last step alone may be cut short at a report).
  double speedMarkLat[2] = {}, speedMarkLon[2] = {};
  std::int32_t speedMarkTick[2] = {};
  // Its ground leg was held back for a bend (or goes on making that up):
  // the next leg starts from the speed it has.
  std::uint8_t heldForBend = 0;
  // The due tick a ground leg's report was re-timed to, and its own before.
  std::int32_t retimedDue = 0, ownDueBefore = 0;

  const std::string& liveFullText() const { return sim.label; }
  // Keeps the old phase as the previous one; the same phase changes nothing.
  void setPhase(AcPhase next);
  bool erased() const { return sim.erase || sim.removedWhileQueued; }
  // Back to a record waiting for its creation (a livery respawn).
  void backToBuffer();
};

// The live list grows by moving its records, never by copying each.
static_assert(std::is_nothrow_move_constructible_v<LiveAc>);

// The id of the park airport's stand with that number for the log; the
// number itself when the table has no such stand.
std::string gf_liveStandName(std::int32_t number);

// Removes live[index] by moving the last record into its place.
void gf_eraseLiveAc(std::vector<LiveAc>& live, std::size_t index);

} // namespace gwr
