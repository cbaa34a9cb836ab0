// The runway phases' one transition function: each change of phase, the
// phases it may come from, and why.
#include "traffic/movement/runway_phases.h"

#include <algorithm>

#include "traffic/engine/live_ac.h"
#include "traffic/movement/ground_evidence.h"
#include "traffic/movement/movement_constants.h"

namespace gwr {

namespace {

using P = RunwayPhase;

bool in(P phase, std::initializer_list<P> phases) {
  for (const P p : phases)
    if (p == phase) return true;
  return false;
}

// A ground report still to be reached at a roll's speed.
bool brakesThroughReports(const LiveAc& ac) {
  return std::any_of(ac.samples.begin(), ac.samples.end(),
                     [](const PositionSample& r) { return !r.airborne && r.groundSpeed >= takeOffRollKt; });
}

} // namespace

bool rp_transition(LiveAc& ac, RunwayEvent event, std::int32_t due, std::int32_t seenDue) {
  RunwayPhases& r = ac.runway;
  const P from = r.phase_;
  P to = from;
  switch (event) {
    case RunwayEvent::RollStarts:
      // Its reports roll or lift off. From an approach or a roll-out too: a
      // landing whose reports roll again is taking off, not landing.
      if (!r.rolling()) to = P::TakeOffRoll;
      break;
    case RunwayEvent::RollFromHold:
      // The roll nobody saw start is made up from the hold up to `due`: a
      // taxi report before then calls the made-up reports off with it.
      if (in(from, {P::Clear, P::TakeOffRoll, P::LinedUp})) {
        to = P::LinedUp;
        r.madeUpRollDue_ = due;
        if (from != P::LinedUp) r.rollSeenDue_ = seenDue;
      }
      break;
    case RunwayEvent::RollCalledOff:
    case RunwayEvent::Stands:
      // Rejected, or never more than a stale speed: it taxis again (a
      // touch-and-go's roll goes back to its roll-out). Once in the air it is
      // past calling off. The taxi-speed report comes long before the
      // aircraft gets there: while reports still ahead of it show a roll's
      // speed it brakes through them on the runway, not as a taxi (whose
      // rules would take their speed for a stale one and stop it dead).
      if (in(from, {P::TakeOffRoll, P::LinedUp})) to = brakesThroughReports(ac) ? P::Rejected : P::Clear;
      else if (from == P::TouchAndGo) to = P::RollOut;
      break;
    case RunwayEvent::Braked:
      // At a taxi's speed where its reports are: the rejected roll is over.
      if (from == P::Rejected) to = P::Clear;
      break;
    case RunwayEvent::Rotates:
      // Lifting off ends any roll, a touch-and-go's included.
      to = P::LiftOff;
      break;
    case RunwayEvent::ClearOfField:
      // Configured clear of the field: neither departing nor landing here any more.
      if (in(from, {P::TakeOffRoll, P::LinedUp, P::LiftOff, P::Approach, P::GoAround})) to = P::Clear;
      break;
    case RunwayEvent::ApproachStarts:
      // Descending near the park airport; a climb-out descending there is an
      // arrival now. Going around, it descends to its lowest report first.
      if (in(from, {P::Clear, P::LiftOff})) to = P::Approach;
      break;
    case RunwayEvent::GoesAround:
      if (from == P::Approach || from == P::GoAround) to = P::Clear;
      break;
    case RunwayEvent::GoAroundAhead:
      // It descends on to its lowest report and climbs away as they do: a
      // flare there would put it on a runway its reports never touch.
      if (from == P::Approach) to = P::GoAround;
      break;
    case RunwayEvent::ApproachResumes:
      // The climb it was to follow is gone from its reports: it lands.
      if (from == P::GoAround) to = P::Approach;
      break;
    case RunwayEvent::TouchesDown:
      // Only a landing touches down; anything else on the ground was not flying to land.
      if (from == P::Approach) to = P::RollOut;
      break;
    case RunwayEvent::SetsDown:
      // Down again before it was clear of the field, and not from an
      // approach (a helicopter set down on a pad, a short hop): its lift-off
      // is over. Left on, its made-up reports would roll on to take off and
      // it would never hold.
      if (from == P::LiftOff) to = P::Clear;
      break;
    case RunwayEvent::BornRollingOut:
      if (from == P::Clear) to = P::RollOut;
      break;
    case RunwayEvent::TurnsOff:
      // Off the runway's heading: the roll-out is over, it taxis.
      if (in(from, {P::RollOut, P::MadeUpRollOut})) to = P::Clear;
      break;
    case RunwayEvent::TouchAndGo:
      // Down, but its next reports fly again: a roll to climb away.
      if (in(from, {P::RollOut, P::MadeUpRollOut})) to = P::TouchAndGo;
      break;
    case RunwayEvent::ReportsEnd:
      // Its feed fell silent while it rolled out or braked (a roll whose
      // speeds fell before the feed ended was being rejected, whatever its
      // last speed): what follows is made up, slows as a roll-out does and
      // never holds on the runway.
      if (from == P::RollOut || from == P::Rejected || (from == P::TakeOffRoll && gf_feedBrakes(ac)))
        to = P::MadeUpRollOut;
      // (a turn off the runway is judged from the heading it braked on)
      if (from != P::RollOut && to == P::MadeUpRollOut) ac.touchdownHeading = ac.heading;
      break;
    case RunwayEvent::ReportsBack:
      if (from == P::MadeUpRollOut) to = P::RollOut;
      break;
    case RunwayEvent::Parks:
      // At a stand nothing is on a runway, whatever its heading did on the way
      // (the landing it came from is kept for its departure).
      to = P::Clear;
      break;
    case RunwayEvent::LeavesStand:
      r.landed_ = false;
      return true;
  }
  if (to == from && event != RunwayEvent::RollFromHold) return false;
  if (to == P::RollOut && from != P::MadeUpRollOut && from != P::TouchAndGo) r.landed_ = true;
  // A roll under way: whatever it landed from is past.
  if (to == P::TakeOffRoll || to == P::LiftOff || to == P::TouchAndGo) r.landed_ = false;
  if (to != P::LinedUp) r.madeUpRollDue_ = r.rollSeenDue_ = 0;
  r.phase_ = to;
  // Its reports from before the roll were weighed as a taxi's: they join its line.
  if (event == RunwayEvent::RollStarts && to == P::TakeOffRoll) gf_lineUpQueuedRoll(ac);
  return to != from || event == RunwayEvent::RollFromHold;
}

const char* gf_runwayPhaseName(RunwayPhase phase) {
  switch (phase) {
    case P::Clear: return "clear";
    case P::LinedUp: return "lined_up";
    case P::TakeOffRoll: return "take_off_roll";
    case P::Rejected: return "rejected";
    case P::LiftOff: return "lift_off";
    case P::Approach: return "approach";
    case P::GoAround: return "go_around";
    case P::RollOut: return "roll_out";
    case P::TouchAndGo: return "touch_and_go";
    case P::MadeUpRollOut: return "made_up_roll_out";
  }
  return "?";
}

} // namespace gwr
