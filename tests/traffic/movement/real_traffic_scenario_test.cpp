// Situations from recorded airport traffic, flown in simulated time through
// the whole engine and the emulated simulator as a user would meet them: a
// feed outage while taxiing, a gate whose feed repeats a stale ground speed,
// a departure whose roll nobody reported, or whose reports start mid-roll, a
// holder next reported in the air or rolling fast ahead, a touch-and-go and a
// go-around, a helicopter taxiing and lifting off or flying low, a jump of the reported
// position on the ground, and a long taxi whose reports come late with a speed
// that lags their positions.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "airports/park_stand_table.h"
#include "core/geo.h"
#include "feeder/scenario.h"
#include "feeder/scenario_player.h"
#include "support/engine_harness.h"
#include "traffic/movement/real_traffic_rows.h"
#include "traffic/engine/live_intake.h"
#include "traffic/feed/park_airport_state.h"

namespace gwr {
namespace {

using testsupport::EngineHarness;
using testsupport::fieldFt;
using testsupport::lufthansa;
using testsupport::onGroundBelowFt;
using testsupport::Row;
using testsupport::scenarioText;

constexpr const char* condor = "Airbus A321neo Condor";
constexpr const char* helicopter = "Eurocopter EC135 Police";


// Rows along one bearing: each leg ends `seconds` later at the mean of the
// two speeds, as the feeder interpolates them.
class Path {
 public:
  Path(LatLon start, double bearingDeg, double altitudeFt, double kt, double fpm, bool ground)
      : bearing_(bearingDeg * radiansPerDegree) {
    rows_.push_back({0.0, start, altitudeFt, kt, fpm, ground});
  }
  Path& leg(double seconds, double kt, double altitudeFt, double fpm, bool ground) {
    const Row& last = rows_.back();
    const double feet = (last.kt + kt) / 2.0 * seconds / 3600.0 * feetPerNm;
    rows_.push_back({last.time + seconds, gf_destinationPoint(last.at, bearing_, feet), altitudeFt, kt, fpm, ground});
    return *this;
  }
  const std::vector<Row>& rows() const { return rows_; }

 private:
  double bearing_;
  std::vector<Row> rows_;
};

struct Outage {
  double from = -1.0, to = -1.0;  // scenario seconds in which nothing of the feed arrives
  double burstSeconds = 0.0;      // lines held back and handed over together every this many seconds
};

// The simulator's object once a pass: its altitude, whether its gear is down, its throttle.
struct GearSeen { double altitude; std::uint32_t gear, throttle; };

// Plays the scenario through the engine for `seconds`, dropping the feed's
// lines during the outage; returns the phases the aircraft went through.
std::set<std::string> play(EngineHarness& harness, const std::string& text, double seconds, Outage outage = {},
                           std::vector<GearSeen>* gear = nullptr) {
  feeder::ScenarioPlayer player(feeder::gf_parseScenario(text, "scenario"), testsupport::harnessStartTime);
  std::set<std::string> phases;
  std::vector<std::string> held;
  const auto passes = static_cast<std::int64_t>(seconds * 100.0);
  for (std::int64_t i = 0; i < passes; ++i) {
    const double t = harness.now();
    player.sendDue(testsupport::harnessStartTime + t, [&](feeder::FeedStream stream, std::string_view line) {
      if (stream != feeder::FeedStream::traffic || (t >= outage.from && t < outage.to)) return;
      if (outage.burstSeconds > 0.0) held.emplace_back(line);
      else harness.feedLine(line);
    });
    if (outage.burstSeconds > 0.0 && std::fmod(t + 1e-6, outage.burstSeconds) < 0.01) {
      for (const std::string& line : held) harness.feedLine(line);
      held.clear();
    }
    harness.pass();
    if (gear != nullptr) {
      const auto objects = harness.emulator().objects();
      if (!objects.empty()) {
        const simemu::SimObject& o = objects.front();
        gear->push_back({o.pose.altitude, o.gear, o.throttle});
      }
    }
    for (const LiveAc& ac : trafficEngine.live)
      if (ac.sim.simState == AcSimState::Active) phases.insert(gf_phaseName(ac.phase));
  }
  return phases;
}

bool onGround(const simemu::Pose& p) { return p.altitude < onGroundBelowFt; }

double metresBetween(const simemu::Pose& a, const simemu::Pose& b) {
  return gf_greatCircleDistanceNm({a.latitude, a.longitude}, {b.latitude, b.longitude}) * metresPerNm;
}

// What the simulator showed: no step of 0.1 s longer than the fastest report
// allows, and on the ground, over every second, no faster than groundKt.
void expectPlausible(const EngineHarness& harness, double fastestKt, double groundKt) {
  ASSERT_FALSE(harness.tracks().empty());
  for (const auto& [id, track] : harness.tracks()) {
    const auto& p = track.points;
    for (std::size_t i = 1; i < p.size(); ++i) {
      const double dt = p[i].time - p[i - 1].time;
      ASSERT_LE(metresBetween(p[i - 1].pose, p[i].pose), fastestKt * 1.25 * dt / 3600.0 * metresPerNm + 0.5)
          << "jump of object " << id << " at " << p[i].time << " s";
      if (i < 10 || !onGround(p[i].pose) || !onGround(p[i - 10].pose)) continue;
      const double kt = metresBetween(p[i - 10].pose, p[i].pose) / metresPerNm / (p[i].time - p[i - 10].time) * 3600.0;
      ASSERT_LE(kt, groundKt) << "object " << id << " on the ground at " << p[i].time << " s";
    }
  }
}

const LatLon gate{50.047537, 8.564608};

// The gate's feed repeats 104 kt while the aircraft only wanders 20 m round
// its stand and back (the position noise of a standing aircraft).
std::vector<Row> frozenGate() {
  std::vector<Row> rows;
  for (int i = 0; i <= 30; ++i) {
    rows.push_back({20.0 * i, gate, fieldFt, 104.0, 0.0, true});
    if (i % 2 == 1) testsupport::sentOff(rows.back(), (i % 4) * 90.0, 20.0);
  }
  return rows;
}

// Final approach on runway 25C (bearing 248.4 degrees), down to the runway
// and away again, or away from 200 ft without touching it.
std::vector<Row> missedLanding(bool touchAndGo) {
  Path path({50.103262, 8.830174}, 248.4, 3598, 160, -850, false);
  path.leg(144, 140, 1688, -745, false);
  if (touchAndGo) {
    path.leg(105, 135, 414, -700, false).leg(6, 130, 364, -150, true).leg(6, 125, 364, 0, true);
    path.leg(6, 135, 564, 2000, false);
  } else {  // climbing on from 200 ft, not down again
    path.leg(90, 135, 564, -700, false).leg(10, 140, 700, 1500, false).leg(6, 145, 900, 2000, false);
  }
  return path.leg(60, 160, 2700, 2000, false).leg(120, 200, 6000, 1700, false).rows();
}

// The departure down to the runway's centreline, its roll (never sent) and climb.
const char* const departureRows =
    "  0 50.051388 8.583909  364  12    0 ground\n 77 50.046876 8.586527  364  15    0 ground\n"
    "105 50.045949 8.587065  364   0    0 ground\n165 50.045949 8.587065  364   0    0 ground\n"
    "192 50.045466 8.587255  364   8    0 ground\n211 50.045127 8.587243  364   0    0 ground\n"
    "216 50.045127 8.587243  364   0    0 ground\n226 50.044804 8.585892  364  40    0 ground\n"
    "236 50.043834 8.581838  364  80    0 ground\n248 50.041894 8.573732  364 120    0 ground\n"
    "259 50.039493 8.563700  364 150    0 ground\n265 50.037989 8.557418  564 160 2000 air\n"
    "283 50.033188 8.537354 1164 170 2000 air\n349 50.013061 8.453250 3364 210 2000 air\n"
    "415 49.988273 8.349667 5364 250 1800 air\n";

const LatLon runway25C{50.044804, 8.585892};  // on the centreline, bearing 248.4 degrees

// Rolled out on 25C, turned off and taxied in to its gate, where it stands
// for 4 minutes; its feed repeats the roll-out's 104 kt all along, its
// positions wander 20 m at the gate. Then its reports end.
std::vector<Row> landedWithFrozenSpeed() {
  Path runway(runway25C, 248.4, fieldFt, 130, 0, true);
  for (const double kt : {110.0, 90.0, 70.0, 55.0, 40.0, 25.0}) runway.leg(10, kt, fieldFt, 0, true);
  std::vector<Row> rows = runway.rows();
  Path taxi(rows.back().at, 338.4, fieldFt, 15, 0, true);
  for (const Row& r : taxi.leg(68, 15, fieldFt, 0, true).leg(8, 0, fieldFt, 0, true).rows())
    if (r.time > 0.0) rows.push_back({r.time + 60.0, r.at, fieldFt, r.kt, 0, true});
  const Row gate = rows.back();
  for (int i = 1; i <= 12; ++i) {
    const LatLon wander = gf_destinationPoint(gate.at, (i % 4) * 90.0 * radiansPerDegree, 20.0 / 0.3048);
    rows.push_back({gate.time + 20.0 * i, wander, fieldFt, 0, 0, true});
  }
  for (Row& r : rows) r.kt = 104.0;
  return rows;
}

// Lined up on 25C and standing for a minute; its roll (never sent) takes it
// to 300 ft above the field 1.1 nm ahead, from where it is reported climbing;
// or its roll is slower and sent, but from 78 kt on only (at 156 s).
std::vector<Row> holdingDeparture(bool slowRollSent = false) {
  Path path(gf_destinationPoint(runway25C, 68.4 * radiansPerDegree, 600.0 / 0.3048), 248.4, fieldFt, 12, 0, true);
  path.leg(60, 12, fieldFt, 0, true).leg(5, 0, fieldFt, 0, true).leg(60, 0, fieldFt, 0, true);
  if (slowRollSent) path.leg(30, 75, fieldFt, 0, true).leg(20, 140, fieldFt, 0, true);
  else path.leg(35, 140, fieldFt, 0, true);
  path.leg(10, 160, fieldFt + 300, 2000, false);
  return path.leg(20, 170, fieldFt + 950, 2000, false).leg(60, 210, fieldFt + 3000, 2000, false).rows();
}
constexpr double holdingAirborneSeconds = 170.0;  // its first airborne row
constexpr double slowRollSentSeconds = 156.0, slowRollAirborneSeconds = 185.0;

// Reported from 50 kt on in its take-off roll on 25C, its feed giving each
// speed twice (10 kt more every 4 s); lifts off at 42 s and climbs away.
std::vector<Row> rollWithRepeatedSpeeds() {
  Path path(runway25C, 248.4, fieldFt, 50, 0, true);
  for (int i = 1; i <= 20; ++i) path.leg(2, 50.0 + 10.0 * (i / 2), fieldFt, 0, true);
  path.leg(2, 155, fieldFt + 50, 1500, false).leg(20, 170, fieldFt + 700, 2000, false);
  return path.leg(60, 210, fieldFt + 2700, 2000, false).rows();
}
constexpr double repeatedRollAirborneSeconds = 42.0;

// Reported on final down to 120 ft above the field, then no more: its touchdown
// and roll-out are made up.
std::vector<Row> unreportedRollOut() {
  Path path({50.103262, 8.830174}, 248.4, 3598, 160, -850, false);
  return path.leg(144, 140, 1688, -745, false).leg(95, 135, fieldFt + 120, -700, false).rows();
}

// Taxiing east, the reported position jumps 1.5 nm north at 100 s and goes on from there.
std::vector<Row> groundJump() {
  std::vector<Row> rows = Path({50.040, 8.540}, 90.0, fieldFt, 15, 0, true).leg(100, 15, fieldFt, 0, true).rows();
  const LatLon far = gf_destinationPoint(rows.back().at, 0.0, 1.5 * feetPerNm);
  Path after(far, 90.0, fieldFt, 15, 0, true);
  for (Row r : after.leg(200, 15, fieldFt, 0, true).rows()) {
    r.time += 102.0;
    rows.push_back(r);
  }
  return rows;
}

// Five minutes' taxi north at 15 kt whose reports give 9 kt (the feed's speed
// lags the positions), a stop at the holding point, the roll and lift-off at 370 s.
constexpr double lateTaxiKt = 9.0, lineUpS = 310.0, liftOffS = 370.0;
std::vector<Row> lateTaxi() {
  Path path({50.040, 8.540}, 0.0, fieldFt, 15, 0, true);
  path.leg(300, 15, fieldFt, 0, true).leg(10, 0, fieldFt, 0, true).leg(20, 0, fieldFt, 0, true);
  path.leg(10, 40, fieldFt, 0, true).leg(10, 80, fieldFt, 0, true).leg(10, 120, fieldFt, 0, true);
  path.leg(10, 150, fieldFt, 0, true).leg(6, 160, fieldFt + 200, 2000, false).leg(60, 180, fieldFt + 2200, 2000, false);
  std::vector<Row> rows = path.rows();
  rows[0].kt = rows[1].kt = lateTaxiKt;
  return rows;
}

// A helicopter taxiing east on its wheels at 8 kt, holding, lifting off where
// it holds and climbing away.
constexpr double helicopterAirborneS = 90.0;  // its first airborne report
std::vector<Row> helicopterTaxiAndLiftOff() {
  Path path({50.0400, 8.5400}, 90.0, fieldFt, 8, 0, true);
  path.leg(60, 8, fieldFt, 0, true).leg(4, 0, fieldFt, 0, true).leg(16, 0, fieldFt, 0, true);
  path.leg(10, 10, fieldFt + 50, 400, false).leg(20, 40, fieldFt + 300, 800, false);
  return path.leg(60, 80, fieldFt + 1300, 1000, false).rows();
}

// A helicopter lifting off, hovering at 500 ft, flying on at 800 ft and
// landing again 3 km away: low over the ground all the way.
constexpr double helicopterHighestFt = fieldFt + 800.0;
std::vector<Row> helicopterLowFlight() {
  Path path({50.0400, 8.5400}, 90.0, fieldFt, 0, 0, true);
  path.leg(20, 0, fieldFt, 0, true).leg(10, 5, fieldFt + 50, 300, false).leg(30, 20, fieldFt + 500, 900, false);
  path.leg(30, 0, fieldFt + 500, 0, false).leg(30, 80, fieldFt + 800, 600, false).leg(60, 80, fieldFt + 800, 0, false);
  path.leg(40, 30, fieldFt + 200, -900, false).leg(20, 0, fieldFt + 30, -500, false).leg(10, 0, fieldFt, 0, true);
  return path.leg(60, 0, fieldFt, 0, true).rows();
}

// A helicopter taxiing east on its wheels at 5 kt, lifting off where it
// stops, air-taxiing at 60 ft, hovering over its pad and coming straight down
// on it, reported every `every` seconds, each position noiseM off by turns.
constexpr double padDownS = 139.0;  // its first report on the pad
std::vector<Row> helicopterPadLanding(double every, double noiseM) {
  const LatLon start{50.0400, 8.5400};
  const auto east = [&](double metres) { return gf_destinationPoint(start, 90.0 * radiansPerDegree, metres / 0.3048); };
  constexpr double taxiMps = 5.0 * 0.514444, airMps = 10.0 * 0.514444;
  const double liftM = 40.0 * taxiMps, padM = liftM + 60.0 * airMps + 5.0 * airMps;
  std::vector<Row> rows;
  for (double t = 0.0; t <= 260.0; t += every) {
    Row r{t, east(std::min(t, 40.0) * taxiMps), fieldFt, t < 40.0 ? 5.0 : 0.0, 0.0, true};
    if (t > 44.0 && t < padDownS) r.ground = false;
    if (t > 44.0 && t <= 54.0) r.altitudeFt = fieldFt + 6.0 * (t - 44.0), r.fpm = 360.0;
    if (t > 54.0 && t <= 114.0) r.at = east(liftM + (t - 54.0) * airMps), r.kt = 10.0;
    if (t > 114.0 && t <= 124.0) r.at = east(liftM + 60.0 * airMps + (t - 114.0) * airMps * (1.0 - (t - 114.0) / 20.0)),
                                 r.kt = 10.0 * (124.0 - t) / 10.0;
    if (t > 124.0) r.at = east(padM);
    if (t > 54.0 && t <= 124.0) r.altitudeFt = fieldFt + 60.0;
    if (t > 124.0 && t < padDownS) r.altitudeFt = fieldFt + 60.0 * (padDownS - t) / 15.0, r.fpm = -240.0;
    const std::size_t i = rows.size();
    r.at = gf_destinationPoint(r.at, (i % 2 == 0 ? 0.0 : 90.0) * radiansPerDegree, ((i / 2) % 2 ? noiseM : -noiseM) / 0.3048);
    rows.push_back(r);
  }
  return rows;
}

// The same set down on its pad, taxiing on from it at 8 kt until its feed
// falls silent: no take-off roll runs on after a lift-off that came down.
constexpr double padTaxiFromS = 170.0, padTaxiEndS = 220.0;
std::vector<Row> helicopterPadLandingThenTaxi(double every, double noiseM) {
  std::vector<Row> rows = helicopterPadLanding(every, 0.0);
  while (!rows.empty() && rows.back().time >= padTaxiFromS) rows.pop_back();
  const LatLon pad = rows.back().at;
  for (double t = padTaxiFromS; t <= padTaxiEndS; t += every) {
    const double metres = (t - padTaxiFromS) * 8.0 * 0.514444;
    rows.push_back({t, gf_destinationPoint(pad, 90.0 * radiansPerDegree, metres / 0.3048), fieldFt, 8.0, 0.0, true});
  }
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i].at = gf_destinationPoint(rows[i].at, (i % 2 == 0 ? 0.0 : 90.0) * radiansPerDegree,
                                     ((i / 2) % 2 ? noiseM : -noiseM) / 0.3048);
  return rows;
}

enum class End { RemovedAtResume, StaysInSim, OnGround, Airborne, Grounded, RollsOut };

// Where the simulator should have the aircraft: at `at` no later than `lateS`
// after the report time `reportS` (plus the feed's 30 s), not faster than
// taxiKt on its way there (when given).
struct OnTime {
  double reportS = -1.0;
  LatLon at;
  double lateS = 0.0, taxiKt = 0.0;
};

struct ScenarioCase {
  const char* name;
  std::string text;
  Outage outage;
  double seconds, fastestKt, groundKt;  // ground: the fastest its reports' positions allow, with a margin
  End end;
  int touches = -1;  // 1: touches the runway and takes off again, 0: never touches it, -1: not asked
  double goneKt = 0.0;      // End::RollsOut: on the ground and no faster when it goes
  double liftOffBy = -1.0;  // its first object leaves the ground by then, and is not removed
  double removedAt = -1.0;  // RemovedAtResume: when the first object goes (default: the outage's end)
  OnTime onTime = {};
  bool normal = false;  // an everyday manoeuvre: the motion check finds nothing wrong with it
  double ceilingFt = -1.0;  // never higher in the simulator than its highest report (with a margin)
  double downBy = -1.0;     // on the ground from then on to the end, and not removed
};

// The first time the simulator had the aircraft within 20 m of `at`; -1 for never.
double firstTime(const EngineHarness& harness, LatLon at) {
  for (const auto& [id, track] : harness.tracks()) {
    for (const auto& p : track.points)
      if (gf_greatCircleDistanceNm(at, {p.pose.latitude, p.pose.longitude}) * metresPerNm <= 20.0) return p.time;
  }
  return -1.0;
}

std::string taxiing(double kt) {
  return scenarioText("aircraft 3958201 DLH4TX A20N D-AITX FRA LHR A3",
                      Path({50.047, 8.565}, 90.0, fieldFt, kt, 0, true).leg(400, kt, fieldFt, 0, true).rows());
}

void flyScenarioCases(const std::vector<ScenarioCase>& cases);

TEST(RealTrafficScenario, RecordedAirportSituationsStayPlausibleInTheSimulator) {
  const char* condorHeader = "aircraft 3963301 CFG2TG A21N D-ANLB PMI FRA A3";
  flyScenarioCases({
      {"3-minute outage while taxiing, back 1.4 km on", taxiing(15.0), {60, 240}, 330, 15, 19.5, End::RemovedAtResume},
      // (the feed rounds its 2.5 kt to 2, which keeps it behind: catching up, it creeps at up to 1.5 times that)
      {"3-minute outage creeping in a queue, back 230 m on", taxiing(2.5), {60, 240}, 330, 2.5, 4.0, End::StaysInSim},
      {"gate with a frozen ground speed", scenarioText("aircraft 3958202 DLH5GT A20N D-AIGT FRA LHR A3", frozenGate()),
       {}, 620, 104, 10, End::OnGround},
      {"departure whose roll is not reported",
       std::string("interval 2\naircraft 3958203 DLH6RW A20N D-AIRW FRA LHR A3\n") + departureRows, {217, 265}, 560,
       250, 160 * 1.3, End::Airborne},
      {"touch-and-go", scenarioText(condorHeader, missedLanding(true), 3.0), {}, 520, 200, 140 * 1.3, End::Airborne, 1,
       0.0, -1.0, -1.0, {}, true},
      {"go-around from 200 ft", scenarioText(condorHeader, missedLanding(false), 3.0), {}, 520, 200, 140 * 1.3,
       End::Airborne, 0, 0.0, -1.0, -1.0, {}, true},
      {"landed, taxied in, frozen 104 kt at its gate, reports end",
       scenarioText("aircraft 3958204 DLH7LS A20N D-AILS LHR FRA A3", landedWithFrozenSpeed()), {}, 560, 130,
       130 * 1.3, End::Grounded},
      {"holding departure, next report 300 ft up ahead",
       scenarioText("aircraft 3958205 DLH8HD A20N D-AIHD FRA LHR A3", holdingDeparture()),
       {126, holdingAirborneSeconds}, 330, 210, 160 * 1.3, End::Airborne, -1, 0.0,
       holdingAirborneSeconds + 30.0 + 15.0},
      {"holding departure, next report rolling at 78 kt ahead",
       scenarioText("aircraft 3958208 DLH8HR A20N D-AIHR FRA LHR A3", holdingDeparture(true)),
       {126, slowRollSentSeconds}, 330, 210, 160 * 1.3, End::Airborne, -1, 0.0,
       slowRollAirborneSeconds + 30.0 + 15.0},
      {"take-off roll whose feed repeats each speed, created mid-roll",
       scenarioText("aircraft 3958209 DLH9RR A20N D-AIRR FRA LHR A3", rollWithRepeatedSpeeds()), {}, 200, 210,
       160 * 1.3, End::Airborne, -1, 0.0, repeatedRollAirborneSeconds + 30.0 + 6.0},  // taken for a roll-out: 13 s late
      {"roll-out after the reports end", scenarioText(condorHeader, unreportedRollOut(), 3.0), {}, 360, 160,
       140 * 1.3, End::RollsOut, -1, 30.0},
      {"1.5 nm jump of the reported position while taxiing",
       scenarioText("aircraft 3958206 DLH7JP A20N D-AIJP FRA LHR A3", groundJump()), {}, 340, 15, 19.5,
       End::RemovedAtResume, -1, 0.0, -1.0, 102.0, {300.0, groundJump().back().at}},
      {"long taxi whose reports come late, in bursts of 10 s",
       scenarioText("aircraft 3958207 DLH8LT A20N D-AILT FRA LHR A3", lateTaxi()), {-1, -1, 10.0}, 480, 180,
       160 * 1.3, End::Airborne, -1, 0.0, liftOffS + 30.0 + 15.0, -1.0, {lineUpS, lateTaxi()[2].at, 15.0, 15 * 1.3}},
  });
}

// Plays each case and checks what the simulator showed.
void flyScenarioCases(const std::vector<ScenarioCase>& cases) {
  for (const ScenarioCase& c : cases) {
    if (!testsupport::scenarioRowChosen(c.name)) continue;
    SCOPED_TRACE(c.name);
    EngineHarness harness({{"DLH", "", "A20N", false, lufthansa, ""},
                           {"CFG", "", "A21N", false, condor, ""},
                           {"", "", "EC35", false, helicopter, ""}},
                          {lufthansa, condor, helicopter}, false, testsupport::PoseRecording::on);
    harness.readFrankfurtAsParkAirport();
    gf_clearStands(standTable);
    standTable.emplace_back("A1", std::vector<StandOption>{}, gate.latitude, gate.longitude, 339.6 * radiansPerDegree,
                            20.0, std::int16_t{5}, false, false, false);
    standTable.back().number = 1;
    standTableReady.store(c.end == End::OnGround);
    gf_installBirthStandChoice(c.end == End::OnGround ? &testsupport::tableStandAtBirth : nullptr);
    std::vector<GearSeen> gear;
    const auto phases = play(harness, c.text, c.seconds, c.outage, &gear);
    gf_installBirthStandChoice(nullptr);
    standTableReady.store(false);
    gf_clearStands(standTable);
    gf_clearParkAirport();

    expectPlausible(harness, c.fastestKt, c.groundKt);
    const auto& first = harness.tracks().begin()->second;
    bool touched = false;
    for (const auto& [id, track] : harness.tracks()) {
      for (const auto& p : track.points) {
        ASSERT_GT(p.pose.altitude, fieldFt) << p.time;  // created on the field, never below it
        touched = touched || onGround(p.pose);
        const bool grounded = c.end == End::OnGround || c.end == End::Grounded;
        ASSERT_TRUE(!grounded || onGround(p.pose)) << p.time;  // no roll, no take-off
      }
      if (c.end == End::RollsOut) {  // rolled out to taxi speed before it went
        const auto& p = track.points;
        ASSERT_GE(p.size(), 11u);
        const auto& before = p[p.size() - 11];  // a second earlier
        EXPECT_TRUE(onGround(p.back().pose));
        const double nm = metresBetween(before.pose, p.back().pose) / metresPerNm;
        EXPECT_LE(nm / (p.back().time - before.time) * 3600.0, c.goneKt) << "gone at " << p.back().time << " s";
      }
      const bool left =
          c.end != End::Airborne || track.removed >= 0.0 || track.points.back().pose.altitude > fieldFt + 1000;
      EXPECT_TRUE(left) << "object " << id << " left standing on the runway";
    }
    if (c.end == End::RemovedAtResume) {  // held through the outage, gone when the feed comes back far away
      const double at = c.removedAt >= 0.0 ? c.removedAt : c.outage.to;
      EXPECT_GE(first.removed, at);
      EXPECT_LT(first.removed, at + 5.0);
    }
    if (c.onTime.reportS >= 0.0) {  // not left behind its reports
      const double reached = firstTime(harness, c.onTime.at);
      EXPECT_GE(reached, 0.0);
      EXPECT_LE(reached, c.onTime.reportS + 30.0 + c.onTime.lateS + 5.0);
      const auto& p = first.points;
      for (std::size_t i = 10; c.onTime.taxiKt > 0.0 && i < p.size() && p[i].time < reached; ++i) {
        const double kt = metresBetween(p[i - 10].pose, p[i].pose) / metresPerNm / (p[i].time - p[i - 10].time) * 3600.0;
        ASSERT_LE(kt, c.onTime.taxiKt) << "catching up too fast at " << p[i].time << " s";
      }
    }
    constexpr std::uint32_t fullThrottle = 16383;  // the simulator's full scale
    const bool takeOffThrust =
        std::any_of(gear.begin(), gear.end(), [](const GearSeen& g) { return g.throttle == fullThrottle; });
    EXPECT_TRUE(c.end != End::Grounded || !takeOffThrust);  // rolled out and taxied in, never rolled to take off
    // Held where it stands once its reports end, not rolling on.
    EXPECT_TRUE((c.end != End::StaysInSim && c.end != End::Grounded) || first.removed < 0.0);
    for (const auto& [id, track] : harness.tracks())
      for (const auto& p : track.points)
        ASSERT_TRUE(c.ceilingFt < 0.0 || p.pose.altitude <= c.ceilingFt + 30.0) << "over its reports at " << p.time;
    if (c.downBy >= 0.0) {  // came down where its reports did and stays there
      EXPECT_LT(first.removed, 0.0);
      for (const auto& p : first.points)
        ASSERT_TRUE(p.time < c.downBy || onGround(p.pose)) << "still " << p.pose.altitude - fieldFt << " ft up at " << p.time;
    }
    if (c.liftOffBy >= 0.0) {  // took off (from where it held, or after its taxi) in time for its airborne report
      EXPECT_EQ(harness.tracks().size(), 1u);
      const auto off = std::find_if(first.points.begin(), first.points.end(),
                                    [](const auto& p) { return !onGround(p.pose); });
      ASSERT_NE(off, first.points.end());
      EXPECT_LE(off->time, c.liftOffBy);
    }
    if (c.normal) {  // nothing a person watching would call wrong
      const motioncheck::MotionReport motion = harness.motion();
      SCOPED_TRACE(motioncheck::gf_motionText(motion, testsupport::harnessStartTime));
      EXPECT_EQ(motion.callsigns.size(), 1u);
      testsupport::expectNormalMotion(motion);
      EXPECT_EQ(motion.neverReached, 0);
    }
    if (c.touches < 0) continue;
    EXPECT_EQ(touched, c.touches == 1);
    EXPECT_EQ(phases.contains("take_off"), c.touches == 1);  // a touch-and-go takes off again
    // Gear up again soon after climbing away, not only once well above the field.
    const auto lowest =
        std::min_element(gear.begin(), gear.end(), [](auto& a, auto& b) { return a.altitude < b.altitude; });
    const auto up = std::find_if(lowest, gear.end(), [](const GearSeen& g) { return g.gear == 0; });
    ASSERT_NE(up, gear.end());
    EXPECT_LT(up->altitude, fieldFt + 1500.0);
  }
}

TEST(RealTrafficScenario, AHelicopterTaxiesAndLiftsOffWhereItHolds) {
  // Its climb at 10 to 35 kt is a climb, not a ground run at up to 26 kt: it lifts off where it holds
  // as its first airborne report (50 ft at 10 kt) falls due, not once its reports reach a take-off speed.
  flyScenarioCases({
      {"helicopter taxiing and lifting off",
       scenarioText("aircraft 3958210 CHX12 EC35 D-HXAC FRA FRA A7", helicopterTaxiAndLiftOff()), {}, 260, 80,
       8 * 1.5, End::Airborne, -1, 0.0, helicopterAirborneS + 30.0 + 10.0, -1.0, {}, true},
      // Below 1000 ft it follows its reports: no least climb saws it up over them and back.
      {"helicopter hovering at 500 ft, on at 800 ft, landing",
       scenarioText("aircraft 3958211 CHX13 EC35 D-HXAD FRA FRA A7", helicopterLowFlight()), {}, 300, 80, 8.0,
       End::StaysInSim, -1, 0.0, -1.0, -1.0, {}, true, helicopterHighestFt},
  });
}

TEST(RealTrafficScenario, AHelicopterAirTaxiesLowAndComesDownOnItsPad) {
  // A descent in place is a descent: it comes down on the pad as its reports do, not held over it,
  // and its climb from where it stood is no higher than its reports.
  for (const double every : {2.0, 5.0}) {
    for (const double noiseM : {0.0, 5.0}) {
      const std::string name = fmt::format("helicopter down on its pad, every {} s, {} m noise", every, noiseM);
      flyScenarioCases({{name.c_str(),
                         scenarioText("aircraft 3958212 CHX14 EC35 D-HXAE FRA FRA A7",
                                      helicopterPadLanding(every, noiseM), every),
                         {}, 285, 20, (5 + noiseM) * 1.5, End::StaysInSim, -1, 0.0, -1.0, -1.0, {}, true,
                         fieldFt + 60.0, padDownS + 30.0 + every + 10.0}});
    }
    for (const double noiseM : {0.0, 5.0}) {
      const std::string taxi =
          fmt::format("helicopter down on its pad, taxiing on until silent, every {} s, {} m noise", every, noiseM);
      flyScenarioCases({{taxi.c_str(),
                         scenarioText("aircraft 3958213 CHX15 EC35 D-HXAF FRA FRA A7",
                                      helicopterPadLandingThenTaxi(every, noiseM), every),
                         {}, 300, 20, (8 + noiseM) * 1.5, End::StaysInSim, -1, 0.0, -1.0, -1.0, {}, false,
                         fieldFt + 60.0, padDownS + 30.0 + every + 10.0}});
    }
  }
}

} // namespace
} // namespace gwr
