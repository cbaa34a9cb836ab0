// Brings a test aircraft into a runway phase the way the program does: through
// the state machine's own transitions from a fresh record.
#pragma once

#include "traffic/engine/live_ac.h"
#include "traffic/movement/runway_phases.h"

namespace gwr::testsupport {

inline void enterRunwayPhase(LiveAc& ac, RunwayPhase phase) {
  ac.runway = RunwayPhases{};
  switch (phase) {
    case RunwayPhase::Clear: break;
    case RunwayPhase::LinedUp: rp_transition(ac, RunwayEvent::RollFromHold, 1); break;
    case RunwayPhase::TakeOffRoll: rp_transition(ac, RunwayEvent::RollStarts); break;
    case RunwayPhase::Rejected: {  // called off with a report still ahead at a roll's speed
      rp_transition(ac, RunwayEvent::RollStarts);
      const PositionSample front = ac.samples.front();
      ac.samples.front().groundSpeed = 100.0;
      rp_transition(ac, RunwayEvent::RollCalledOff);
      ac.samples.front() = front;
      break;
    }
    case RunwayPhase::LiftOff: rp_transition(ac, RunwayEvent::Rotates); break;
    case RunwayPhase::Approach: rp_transition(ac, RunwayEvent::ApproachStarts); break;
    case RunwayPhase::GoAround:
      rp_transition(ac, RunwayEvent::ApproachStarts);
      rp_transition(ac, RunwayEvent::GoAroundAhead);
      break;
    case RunwayPhase::RollOut:
    case RunwayPhase::TouchAndGo:
    case RunwayPhase::MadeUpRollOut:
      rp_transition(ac, RunwayEvent::ApproachStarts);
      rp_transition(ac, RunwayEvent::TouchesDown);
      if (phase == RunwayPhase::TouchAndGo) rp_transition(ac, RunwayEvent::TouchAndGo);
      if (phase == RunwayPhase::MadeUpRollOut) rp_transition(ac, RunwayEvent::ReportsEnd);
      break;
  }
}

// A take-off roll, a roll-out or an approach, as a case names it.
inline void enterRunwayPhase(LiveAc& ac, bool rolling, bool rollingOut, bool landing) {
  enterRunwayPhase(ac, rolling ? RunwayPhase::TakeOffRoll
                       : rollingOut  ? RunwayPhase::RollOut
                       : landing     ? RunwayPhase::Approach
                                     : RunwayPhase::Clear);
}

} // namespace gwr::testsupport
