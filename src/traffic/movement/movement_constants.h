// Tunable numbers of the flight and ground movement of live aircraft:
// per-category limits, configuration heights, flare stages, taxi and stand limits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gwr {

// Indexed by AcCategory: Light, Buzjets, Large, Heavy, HighPerf, Rotorcraft.
using CategoryTable = std::array<double, 6>;
inline constexpr CategoryTable takeOffSpeedKt{90.0, 110.0, 140.0, 150.0, 220.0, 0.0};
inline constexpr CategoryTable maxPitchChangeDegPerTick{0.01, 0.0085, 0.0075, 0.005, 0.03, 0.03};
inline constexpr CategoryTable maxBankDeg{40.0, 35.0, 30.0, 20.0, 90.0, 75.0};
inline constexpr CategoryTable maxBankChangeDegPerTick{0.035, 0.0275, 0.02, 0.015, 0.1, 0.06};
inline constexpr CategoryTable baseGroundTurnRateDegPerTick{0.15, 0.10, 0.07, 0.05, 0.10, 0.20};
inline constexpr CategoryTable highConfigHeightFt{625.0, 2050.0, 2050.0, 2050.0, 625.0, 625.0};

// Timing of legs.
inline constexpr double ticksPerHour = 360000.0;
inline constexpr double ticksPerSecond = 100.0;
inline constexpr double metresPerSecondPerKt = 1852.0 / 3600.0;
inline constexpr std::int32_t minLegTicks = 25;
inline constexpr double landingFallbackKt = 100.0;
inline constexpr double minLegSpeedKt = 1.0;
inline constexpr std::int32_t smoothingStepTicks = 100;
inline constexpr std::int32_t smoothingFloorTicks = 1000;
inline constexpr std::int32_t smoothingWideTicks = 3000;
inline constexpr std::int32_t smoothingTakeOffLaterTicks = 5000;
inline constexpr std::int32_t smoothingSharpTurnTicks = 2000;

// Climb and descent.
inline constexpr double fpmPerFeetPerTick = 6000.0;
inline constexpr double climbLookSumFpm = 100.0;
inline constexpr std::size_t climbLookFirst = 3, climbLookLast = 10;
inline constexpr double forcedClimbFpm = 601.0;
inline constexpr double slowDescentFpm = -601.0;
inline constexpr double nearGroundDescentFpm = -600.0;
inline constexpr double descentRateHeightFt = 100.0;
inline constexpr double qnhFpmPerHpa = 6.0;
inline constexpr std::int32_t highQnhHpa = 1014;
inline constexpr double climbFloorHeightFt = 1000.0;
inline constexpr double climbFloorFeetPerTick = 0.2;
inline constexpr double attitudeHeightFt = 1000.0, landingAttitudeHeightFt = 2000.0;

// Configuration by height.
inline constexpr double configAltitudeFt = 10000.0;
inline constexpr double gearUpHeightFt = 2400.0;
inline constexpr double secondFlapsHeightFt = 2000.0;
inline constexpr double flapsMaxFpm = 100.0;
inline constexpr double descendingFpm = -250.0;
inline constexpr double climbingFpm = 400.0;
inline constexpr double goAroundFpm = 600.0;
inline constexpr double nearParkAirportNm = 10.0;

// Landing flare.
inline constexpr double flareCeilingFt = 400.0;
inline constexpr double flarePitchDeg = -4.0;
struct FlareStage {
  double aboveCgFt;
  double feetPerTick;
};
inline constexpr std::array<FlareStage, 4> flareStages{{{30.0, -0.1}, {20.0, -0.075}, {10.0, -0.05}, {3.0, -0.025}}};
inline constexpr std::uint32_t throttleOffFlareStage = 3;

// Take-off.
inline constexpr double takeOffRollKt = 43.0;
// Faster than any taxi: a holder next seen faster straight ahead has begun its roll.
inline constexpr double rollBegunKt = 30.0;
// The reports' own positions start a roll only when they show this share of
// that speed, and of the leg before (noise aside, not slowing), along a line
// that turns no more than rollStraightDeg.
inline constexpr double rollShownShare = 0.75;
inline constexpr double rollStraightDeg = 20.0;
inline constexpr double takeOffClimbFpm = 256.0;
inline constexpr double liftOffMinFeet = 0.1;
inline constexpr std::int32_t rotationBand = 100;         // ticks per climb-out band below 0
inline constexpr std::int32_t gearUpRotationStep = -300;
inline constexpr std::array<double, 3> climbOutBandShares{0.1, 0.2, 0.5};  // of the climb rate, band by band
inline constexpr double descentPitchShare = 0.5;  // a descent counts half towards the pitch
inline constexpr std::int32_t lowestRotationStep = -1000;
inline constexpr double climbOutDoneHeightFt = 800.0;
struct RollThrottle {
  double frontKt, secondKt;
  std::uint32_t index;
};
inline constexpr double rollSlowFrontKt = 25.0, rollSlowSecondKt = 30.0;
inline constexpr std::array<RollThrottle, 2> rollThrottles{{{20.0, 25.0, 2}, {15.0, 20.0, 1}}};

// Roll-out.
inline constexpr double turnOffDeg = 15.0;
inline constexpr double spoilersInKt = 90.0;

// Ground turning, curves and legs.
inline constexpr double turnToleranceDeg = 0.5;
inline constexpr double turningFlagDeg = 3.0;
inline constexpr double curveEnd = 0.999999;
inline constexpr int curveLengthSteps = 4;  // even: Simpson's steps measuring a ground curve's length
inline constexpr int curveSlowingTries = 3;  // steps shortened to keep a ground curve's bend within the nose's turn
inline constexpr double curveMinTurnDeg = 3.0;
inline constexpr double midpointTurnDeg = 45.0;
inline constexpr double midpointLegNm = 0.02699784017278618;  // 50 m
inline constexpr double midpointMaxKt = 43.0;
inline constexpr std::int32_t midpointMinTicks = 600;
inline constexpr double curveMaxTurnDeg = 160.0;
inline constexpr double legSpeedStepKt = 5.0;
inline constexpr double legCheckMinNm = 100.0 / 1852.0;
inline constexpr double gentleTurnDeg = 45.0;
inline constexpr double slowTurnRatio = 1.2;
inline constexpr double turnTicksPerDeg = 10.0;
inline constexpr double turnLegFactorNm = 30.0 * 0.0005399568034557236;
inline constexpr double turnRateAngleDivisor = 30.0;
inline constexpr double sharpTurnDeg = 90.0;
// A corner at a report whose track already gives the way out is read from
// the way in up to this turn (a rapid exit's).
inline constexpr double exitTurnMaxDeg = 60.0;
inline constexpr double turnStepsDivisor = 100.0;
// A ground leg is flown at most this much faster than its faster report.
inline constexpr double reportedSpeedMargin = 1.2;
// More than catchUpAfterTicks behind its reports, a ground leg may be flown
// this much faster than that pace until it is on time again.
inline constexpr double catchUpFactor = 1.25;
inline constexpr std::int32_t catchUpAfterTicks = 500;
inline constexpr double catchUpMinKt = 3.0;  // a walk: the slowest catch-up
// On a curve a lag of at most this many ticks is made up at the reports' pace:
// a late start's (created, it stands 2 s); a longer one, after a silence, is not.
inline constexpr std::int32_t curveCatchUpWithinTicks = 250;
inline constexpr double rollOutLeadKt = 10.0;  // rolling out, never faster than its reports by more
// The fastest a taxiing aircraft goes (below it the take-off roll starts)
// and a rolling one (the fastest made-up roll, or the category's take-off
// speed when faster), whatever the reports say.
inline constexpr double taxiCapKt = 43.0;
inline constexpr double rollCapKt = 180.0;
// A taxi speed raised to what its positions show stays this slow, short of the take-off roll.
inline constexpr double laggingTaxiMaxKt = takeOffRollKt - 1.0;
// A ground report farther from the last one than this speed covers in their
// time apart is a jump of the reported position.
inline constexpr double groundJumpMargin = 1.5;

// Driving on the ground: the nose is the direction of travel (the tail's in
// a push-back), and the path turns towards a point ahead on the reports' line.
inline constexpr double pushBackMaxKt = 8.0;          // faster than this, nobody drives tail first
inline constexpr double reverseStartDeg = 135.0;      // a slow leg this far behind its report's heading: pushed
inline constexpr double reverseKeepDeg = 90.0;        // a pushed aircraft stays pushed while its leg lies behind it
inline constexpr double pushSpanSeconds = 30.0;       // legs within the noise: a push is judged over this span of slow reports
inline constexpr double pushSpanNoiseShare = 0.67;    // its feed saying it moves, a span this share of the noise shows its way
// The line fitted through the slow reports: from this many on, each one's
// weight halving over the half-life, its way sure at so many times what the
// noise allows (to start a push not yet shown, and to keep one going).
inline constexpr double pushWayMinReports = 3.0;
inline constexpr double pushWayHalfLifeSeconds = 20.0;
inline constexpr double pushWaySureStart = 3.0;
inline constexpr double pushWaySureKeep = 2.0;
inline constexpr double steerLookAheadMetres = 20.0;  // the path aims this far ahead along the reports' line
inline constexpr double steerLookAheadSeconds = 3.0;  // or this far at its speed when farther
inline constexpr double steerTurnRateFactor = 3.0;    // the path turns at most this many times the base turn rate
inline constexpr double steerSameMetres = 0.01;       // closer than this the aircraft is at its report
inline constexpr double curveStartAlignDeg = 20.0;    // a taxi curve starts no farther off the nose
// Reports of an aircraft taxiing on the ground that its positions cannot
// justify: farther than a taxi at its cap, or backwards faster than a
// push-back (plus this much position noise) are held, at most this many in a row.
inline constexpr double jitterSlackMetres = 15.0;
inline constexpr double jitterAheadDeg = 30.0;        // farther straight ahead may be a roll: left to the roll rules
// A report more than jitterMinMetres off, through which the way to a later
// report is this many times the straight way, jumped out and back.
inline constexpr double jitterMinMetres = 40.0;
inline constexpr double jitterDetourRatio = 2.5;
inline constexpr std::int32_t jitterMaxHeld = 3;
// Reports that jumped, in a row and each within reach of the one before:
// this many and the positions have moved for real (fewer are dropped).
inline constexpr std::int32_t jumpsToMove = 3;

// Stands: leaving, push-back and parking.
inline constexpr double pullOutMaxDeg = 90.0;
inline constexpr double pushBackRadiusFactor = 2.5;
inline constexpr double pushBackLegTurnDeg = 90.0;
inline constexpr std::int32_t pushBackSteps = 2;
// A report this many half wingspans off a push-back's made-up path shows it
// going elsewhere: the push ends there and follows its reports.
inline constexpr double pushOffPathSpans = 1.0;
inline constexpr std::int32_t minStandTicks = 100;
inline constexpr std::int32_t standStopTicks = 50;
inline constexpr double standReachedNm = 0.0010799136069114472;  // 2 m
inline constexpr double parkSlowKt = 5.0;
inline constexpr double parkNearNm = 0.018898488120950324;     // 35 m
inline constexpr double standRadiusNm = 0.0458963282937365;    // 85 m
inline constexpr double parkingRadiusFactor = 2.0;             // wider after driving in
inline constexpr double leaveGrowthSpans = 0.5;                // growths together: half a half wingspan
inline constexpr double standGrowthNm = 0.0016198704103671706;  // 3 m
inline constexpr std::uint32_t standLeaveGrowths = 3;
inline constexpr double standGoneNm = 0.10799136069114472;     // 200 m
inline constexpr double pushedBackHoldSpans = 2.75, pushedBackMaxSpans = 6.0;
// Leaving within this many ticks of arriving: towed, not flying (Heavy 1 h, Large 25 min, Buzjets 15 min).
inline constexpr std::array<std::int64_t, 6> towedWithinTicks{0, 90000, 150000, 360000, 0, 0};

// Reports while the feed runs on.
inline constexpr double nearSameDeg = 0.00015;
inline constexpr double rollReportKt = 30.0, rollStandingKt = 50.0;
// Position noise, judged from each report's offset from the line through the
// reports either side of it: only reports this close in time tell (seconds;
// farther apart a turn looks like noise), an offset counts at most this much
// (metres), the running mean takes each new one at this weight, and it is
// read once this many have come.
inline constexpr double noiseSpanMaxSeconds = 10.0;
inline constexpr double noiseOffsetCapMetres = 15.0;
inline constexpr double noiseMeanWeight = 0.125;
inline constexpr std::int32_t noiseSamplesRead = 4;
// Until then, the most a report is taken to be off (metres).
inline constexpr double unknownNoiseWorstMetres = 10.0;
// A push's reports are weighed against that worst until this many have told:
// the first few offsets of a noisy feed may read a third of its noise.
inline constexpr std::int32_t pushNoiseSamplesRead = 8;
// Two reports closer than this many times the noise (at most noiseNearMaxMetres)
// show no motion between them; reports whose tracks (moving) or noses agree
// within noiseLineDeg and whose leg lies within that of their line are brought towards it,
// and along it towards where the feed's speeds put them, keeping this share
// of their offset (the line and pace the reports follow are found over
// several, not fixed by the noise of the first).
inline constexpr double noiseFloorMetres = 2.0;  // less tells nothing: a turn or a change of speed
inline constexpr double noiseReleaseMetres = 1.5;  // ...once read, known until it falls below this
inline constexpr double noiseNearFactor = 3.0;
inline constexpr double noiseNearMaxMetres = 30.0;
inline constexpr double noiseLineDeg = 8.0;
inline constexpr double noiseKeptShare = 0.25;
// A roll's reports give the nose's line once they span this many times the near distance.
inline constexpr double rollLineNoiseFactor = 4.0;
// Near reports whose feed says they move are refused this long (seconds)
// after the last one taken, waiting for one beyond the noise.
inline constexpr double nearMovingWaitSeconds = 10.0;
inline constexpr double extrapolatedTurnDeg = 100.0;
inline constexpr double landingTurnDeg = 90.0, restartTurnDeg = 150.0;
inline constexpr double landingFastKt = 40.0;
// Born fast on the ground with one speed repeated: its positions this much
// slower over the later half of its reports than the earlier show a roll-out.
inline constexpr double shownSlowingKt = 5.0;
// A roll's feed braking: each of its newest speeds this much below the one before (knots).
inline constexpr double feedBrakingKt = 1.0;
inline constexpr std::size_t feedBrakingSteps = 2;
// A ground leg's speed goes evenly from report to report from this speed up (knots).
inline constexpr double evenSpeedChangeFromKt = 25.0;
// ...and braking from this speed up (knots).
inline constexpr double evenBrakingFromKt = 8.0;
// Slower than this (knots) it stands; from a standstill a taxi gathers speed
// at most this hard (knots a second).
inline constexpr double standstillKt = 1.0;
inline constexpr double taxiGatherKtPerS = 2.0;
// Such a leg brakes ahead of a corner at most this hard (knots a second) to
// what the corner allows, looking at most this many reports ahead.
inline constexpr double bendBrakeKtPerS = 5.5;
inline constexpr std::size_t bendLookAheadReports = 24;
// A ground leg's speed over about the last second is read from marks this
// many ticks apart. A leg whose even change would start more than the slack
// (knots) off it (slowed for a bend, say) starts from it instead, and
// changes at most this much a second (knots), re-timed to what that covers
// (its report put off by at most so many ticks).
inline constexpr std::int32_t speedMarkTicks = 50;
inline constexpr std::int32_t legPutOffMaxTicks = 100;
inline constexpr double legStartSlackKt = 4.0;
inline constexpr double legSpeedChangeKtPerS = 5.0;
// A roll's speed the feed repeats is stale once the positions since it last
// changed show a pace off it by more than this share beyond their noise
// (metres: three times the noise within these bounds, this while it is not
// known yet), over at most this span (seconds).
inline constexpr double repeatedOffShare = 0.95;
// ...or the pace fitted over all of them by more than this share beyond its
// own standard error (a few times it, by the points fitted).
inline constexpr double repeatedFitOffShare = 0.98;
inline constexpr double repeatedKnownSlackMetres = 2.0;
inline constexpr double repeatedUnknownSlackMetres = 15.0;
inline constexpr double repeatedSpanMaxSeconds = 30.0;
// A queued report due up to this much (seconds) before the run's start came with it.
inline constexpr double repeatedDueSlackSeconds = 0.5;

// Holding on the ground while the feed is silent.
inline constexpr double holdingSpanFactor = 1.2;
inline constexpr std::int32_t holdingStepTicks = 300;
inline constexpr std::int32_t ticksPerMinute = 6000;
// A holder next reported airborne within this angle of its heading took off (degrees);
// it rolls this share of the way there, at most holdRollMaxNm, and lifts off.
inline constexpr double takeOffAheadMaxDeg = 90.0;
inline constexpr double holdRollShare = 0.6;
inline constexpr double holdRollMaxNm = 1.0;
inline constexpr std::int32_t holdRollSteps = 4;  // made-up reports of that roll
// A roll told of by a ground report alone waits this long (ticks) at the hold
// for the next reports, which may show the speed was stale.
inline constexpr std::int32_t holdRollConfirmTicks = 1000;
// That roll runs along the track of the report: an airliner's take-off roll
// gathers speed at about this rate (m/s^2), so it needs that much runway.
inline constexpr double takeOffRollAccelMps2 = 2.5;
// It taxis onto that line at this speed (knots): onto the runway, or back
// along it when the report lies behind or beside the hold.
inline constexpr double backtrackTaxiKt = 20.0;
// Closer to the line than this (nm, 5 m) it is lined up already; else it
// turns onto it and taxis this far (nm, 40 m) along it before it rolls.
inline constexpr double linedUpNm = 5.0 / 1852.0;
inline constexpr double lineUpRunNm = 40.0 / 1852.0;
// The runway in front of a hold: its line passes the hold this close (nm,
// 400 m), where it lines up abeam; a backtrack along it to the roll's start
// is at most a long runway (nm, 4 km). A report beyond is another runway's.
inline constexpr double holdBesideRunwayNm = 400.0 / 1852.0;
inline constexpr double longestBacktrackNm = 4000.0 / 1852.0;
// Queued on a taxiway that leads to its runway, a departure waits at most
// this far beside it (nm, 1.5 km); a report off a line farther away is
// another runway's. From such a queue it comes onto the runway square, from
// this far beside it (nm, 150 m).
inline constexpr double queueBesideRunwayNm = 1500.0 / 1852.0;
inline constexpr double queueLineUpSideNm = 150.0 / 1852.0;
// Turning round onto the line by more than this (degrees), it goes round a
// half circle of this radius (nm, 25 m) in these steps.
inline constexpr double lineUpTurnRoundDeg = 120.0;
inline constexpr double turnRoundRadiusNm = 25.0 / 1852.0;
inline constexpr int turnRoundSteps = 4;

// Made-up reports while the feed is silent.
inline constexpr double landingExtrapolationFactor = 0.9;
inline constexpr std::int32_t landingSteadyReports = 4;  // fewer left: the speed stays
struct SpeedStep {
  double upToKt, kt, fpm;
};
// After touchdown a made-up report is this much slower than the one before
// it: an airliner's braking on its roll-out, about 2 m/s^2 (3.9 kt a second).
inline constexpr double rollOutDecelKtPerSecond = 2.0 / 0.514444;
inline constexpr double rollOutSlowestKt = 20.0;
// Made-up reports still to come once a made-up roll-out is down to that speed:
// as many as any aircraft on the ground gets when its feed falls silent, after
// which it is removed (it never holds on the runway).
inline constexpr std::int32_t madeUpRollOutLeastReports = 10;
// During a take-off roll, from the slowest: up to upToKt the next report takes kt and fpm.
inline constexpr std::array<SpeedStep, 5> takeOffRollSteps{{{30.0, 40.0, 0.0}, {60.0, 80.0, 0.0}, {100.0, 110.0, 0.0},
                                                            {140.0, 150.0, 600.0}, {160.0, 170.0, 1200.0}}};
inline constexpr SpeedStep takeOffRollLast{0.0, 180.0, 2400.0};
// A take-off roll's made-up reports speed up only an aircraft already faster than
// this (knots): one that stands or creeps has no roll to go on with.
inline constexpr double rollMadeUpMinKt = 5.0;
inline constexpr double landingExtrapolatedFpm = -667.0, landingSinkFeetPerSecond = 10.005;
// A made-up approach at or below this over the field (ft) keeps its speed
// and sinks on a 3-degree glide, a landing towards a ground report no
// flatter: ft/min per knot (6,076 ft/nm / 60 x tan 3).
inline constexpr double stabilisedApproachFt = 1000.0;
inline constexpr double glideFpmPerKt = 5.307;
inline constexpr double takeOffExtrapolatedFpm = 1500.0, takeOffClimbFeetPerSecond = 25.0;
inline constexpr double airborneOnlyMinHeightFt = 1000.0;  // AIRBORNE_ONLY: lower over the park airport, gone

} // namespace gwr
