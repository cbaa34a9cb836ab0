// The runway phases of a live aircraft as one state machine: every change
// between taxi, take-off roll, lift-off, approach and roll-out is made here.
#pragma once

#include <cstdint>

namespace gwr {

struct LiveAc;

// What the aircraft is doing on or over the runway. The broad phase of the
// log (`AcPhase`) goes on beside it and tells ground from air: a roll runs in
// `taxi`, a lift-off in `take_off`, an approach and its flare in `flying`, a
// roll-out in `taxi`; clear of the runway the broad phase alone counts.
enum class RunwayPhase : std::uint8_t {
  Clear,          // no runway manoeuvre: taxiing, holding, parked or en route
  LinedUp,        // seen rolling after a hold: lining up and rolling on made-up reports
  TakeOffRoll,    // rolling to take off on the feed's reports
  Rejected,       // a called-off roll braking through the reports that still show its speed
  LiftOff,        // rotating and climbing out until configured clear of the field
  Approach,       // cleared to land at the park airport; the flare's stages run in it
  GoAround,       // its reports climb away before any touches down: no flare, it follows them
  RollOut,        // touched down, rolling out until it turns off
  TouchAndGo,     // touched down, rolling again to climb away
  MadeUpRollOut,  // rolling out on made-up reports after the feed ended
};

// What happened; the state machine decides what that changes.
enum class RunwayEvent : std::uint8_t {
  RollStarts,       // its reports roll along a line or lift off
  RollFromHold,     // seen next rolling ahead of where it held: the roll in between is made up
  RollCalledOff,    // a taxi speed after a roll's (rejected, or a stale speed)
  Braked,           // the report it reached is at a taxi's speed
  Stands,           // standing again before lifting off
  Rotates,          // lifting off
  ClearOfField,     // configured clear of the field: climbing away
  ApproachStarts,   // descending near the park airport
  GoesAround,       // climbing away, or landing away from the park airport
  GoAroundAhead,    // its reports climb away again before one is on the ground
  ApproachResumes,  // no climb ahead any more (one report's glitch): landing after all
  TouchesDown,      // the simulator has it on the ground while landing
  SetsDown,         // the simulator has it on the ground, not landing
  BornRollingOut,   // first seen on the ground slowing from a roll's speed
  TurnsOff,         // its heading turned off the runway's
  TouchAndGo,       // touched down, its next reports airborne again
  Parks,            // arrived at its stand
  LeavesStand,      // leaving its stand: its landing is no longer news
  ReportsEnd,       // the feed fell silent in the roll-out
  ReportsBack,      // a report after a made-up roll-out
};

class RunwayPhases {
 public:
  RunwayPhase phase() const { return phase_; }
  // A take-off roll under way, from its start until clear of the field.
  bool rolling() const {
    return phase_ == RunwayPhase::TakeOffRoll || phase_ == RunwayPhase::LinedUp || phase_ == RunwayPhase::LiftOff ||
           phase_ == RunwayPhase::TouchAndGo;
  }
  bool landing() const { return phase_ == RunwayPhase::Approach; }
  // Down on the runway since its landing (a touch-and-go too, until it rotates).
  bool afterTouchdown() const {
    return phase_ == RunwayPhase::RollOut || phase_ == RunwayPhase::MadeUpRollOut || phase_ == RunwayPhase::TouchAndGo;
  }
  bool madeUpRollOut() const { return phase_ == RunwayPhase::MadeUpRollOut; }
  // On the runway rolling out, braking or to take off: no taxi rule applies.
  bool onRunway() const { return rolling() || afterTouchdown() || phase_ == RunwayPhase::Rejected; }
  // Its last flight ended in a landing here (a towed-away check at its stand).
  bool arrivedLastFlight() const { return landed_; }
  // Due tick of the last report made up for a roll from the hold (0: none),
  // and the own due of the report it was seen rolling in (put off behind them).
  std::int32_t madeUpRollUntil() const { return madeUpRollDue_; }
  std::int32_t rollSeenDue() const { return rollSeenDue_; }

 private:
  friend bool rp_transition(LiveAc& ac, RunwayEvent event, std::int32_t due, std::int32_t seenDue);
  RunwayPhase phase_ = RunwayPhase::Clear;
  bool landed_ = false;
  std::int32_t madeUpRollDue_ = 0, rollSeenDue_ = 0;
};

// The one transition function: false when the event changes nothing in the
// current phase. For RollFromHold, `due` is the due tick of its last made-up
// report and `seenDue` the own due of the report that showed the roll.
bool rp_transition(LiveAc& ac, RunwayEvent event, std::int32_t due = 0, std::int32_t seenDue = 0);

const char* gf_runwayPhaseName(RunwayPhase phase);

} // namespace gwr
