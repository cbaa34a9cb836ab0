// Ground situations from recorded airport traffic, flown in simulated time
// through the whole engine and the emulated simulator: tracks and headings
// that disagree with the positions, positions that jump back and forth with a
// stale speed, two holders on one spot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/geo.h"
#include "traffic/movement/real_traffic_ground.h"
#include "traffic/movement/real_traffic_rows.h"

namespace gwr::groundscenario {
namespace {

// Taxiing at 15 kt round right-angle corners (east, north, east, south),
// reports every 10 s, the feed's track and heading jumping between 40 and 150.
std::vector<Report> cornersWithJumpingTrack() {
  std::vector<Report> r;
  LatLon at = apron;
  const double legs[] = {90.0, 0.0, 90.0, 180.0, 90.0};
  const double step = 15.0 * 1852.0 / 3600.0 * 10.0;
  int i = 0;
  for (const double bearing : legs) {
    for (int k = 0; k < 3; ++k, ++i) {
      r.push_back({10.0 * i, at, 15.0, i % 3 == 0 ? 40.0 : 150.0, i % 2 == 0 ? 40.0 : 150.0});
      at = ahead(at, bearing, step);
    }
  }
  r.push_back({10.0 * i, at, 15.0, 40.0, 150.0});
  return r;
}

// Taxied in along 050 at 10 kt onto the runway, standing there for 20 s,
// then rolling along 276 (4 kt more every 2 s) and lifting off at 160 kt,
// its track and heading given as 50 turning to 352 all the while.
std::vector<Report> rollWithWrongTrack() {
  std::vector<Report> r;
  const double taxiStep = 10.0 * 1852.0 / 3600.0 * 5.0;
  for (int i = 0; i <= 12; ++i) r.push_back({5.0 * i, ahead(apron, 230.0, taxiStep * (12 - i)), 10.0, 50.0, 50.0});
  for (int i = 1; i <= 4; ++i) r.push_back({60.0 + 5.0 * i, apron, 0.0, 50.0, 50.0});
  double metres = 0.0, kt = 2.0;
  for (int i = 0; i <= 40; ++i) {
    metres += (kt + 2.0) * 1852.0 / 3600.0 * 2.0;
    kt += 4.0;
    const double track = std::fmod(50.0 - 58.0 * i / 40.0 + 360.0, 360.0);
    r.push_back({80.0 + 2.0 * i, ahead(apron, 276.0, metres), kt, track, track, kt > 160.0});
  }
  return r;
}

// Taxiing south at 10 kt while the feed says 96 kt on a track of 296 (116 degrees off).
std::vector<Report> staleFastTaxi() {
  std::vector<Report> r;
  for (int i = 0; i <= 60; ++i) r.push_back({3.0 * i, ahead(apron, 180.0, 10.0 * 1852.0 / 3600.0 * 3.0 * i), 96.0, 296.0, 296.0});
  return r;
}

// A slow taxi east at 8 kt, reports every 5 s, whose positions jump 50 to
// 300 m off and back, every third one and now and then two in a row, with a
// stale 139.8 kt.
std::vector<Report> jitteryTaxi() {
  std::vector<Report> r;
  const double jumps[] = {50.0, 300.0, 120.0, 220.0, 80.0, 180.0};
  for (int i = 0; i <= 50; ++i) {
    LatLon at = ahead(apron, 90.0, 8.0 * 1852.0 / 3600.0 * 5.0 * i);
    if (i % 3 == 1 || i % 7 == 2) at = ahead(at, 77.0 * i, jumps[i % 6]);
    r.push_back({5.0 * i, at, 139.8, 90.0, 90.0});
  }
  return r;
}

// Taxiing along 007 at 6 kt, reports every 5 s, two of them with a track and
// heading of 187 while the positions go on along 007.
std::vector<Report> slowTaxiWhoseTrackFlips() {
  std::vector<Report> r;
  for (int i = 0; i <= 24; ++i) {
    const double track = i == 8 || i == 9 ? 187.0 : 7.0;
    r.push_back({5.0 * i, ahead(apron, 7.0, 6.0 * 1852.0 / 3600.0 * 5.0 * i), 6.0, track, track});
  }
  return r;
}

// A slow taxi along 200 at 6.5 kt, every 5 s, its feed giving no track (0) and no heading.
std::vector<Report> slowTaxiWithoutTrack() {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 200.0, 6.5, 200.0, 5.0, none, none);
  return r;
}

// The same along 090, the track jumping between 090 and 270 report by report.
std::vector<Report> slowTaxiWithJumpingTrack() {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 90.0, 6.5, 200.0, 5.0, 90.0, none);
  for (std::size_t i = 1; i < r.size(); i += 2) r[i].trackDeg = 270.0;
  return r;
}

// Taxiing east at 15 kt, then north round a right angle, reports `every` seconds.
std::vector<Report> cornerEvery(double every) {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 90.0, 15.0, 100.0, every, 90.0, 90.0);
  const LatLon corner = ahead(apron, 90.0, 15.0 * 1852.0 / 3600.0 * 100.0);
  taxi(r, 100.0 + every, ahead(corner, 0.0, 15.0 * 1852.0 / 3600.0 * every), 0.0, 15.0, 100.0, every, 0.0, 0.0);
  return r;
}

// Taxiing along `first` at kt, then round a corner onto `second`, reports
// every `every` s, each up to noiseM off, the feed giving its track and
// heading as the way it goes, or neither (a track of 0).
std::vector<Report> noisyCorner(double first, double second, double kt, double every, double noiseM, bool tracked,
                                std::uint32_t seed = 362436069u) {
  std::vector<Report> r;
  const double track1 = tracked ? first : none, track2 = tracked ? second : none;
  taxi(r, 0.0, apron, first, kt, 100.0, every, track1, track1);
  const LatLon corner = ahead(apron, first, kt * 1852.0 / 3600.0 * 100.0);
  taxi(r, 100.0 + every, ahead(corner, second, kt * 1852.0 / 3600.0 * every), second, kt, 100.0, every, track2, track2);
  testsupport::SameDraws draws{seed};
  for (Report& q : r) {
    const double offBearingDeg = 360.0 * draws.next();
    q.at = ahead(q.at, offBearingDeg, noiseM * std::sqrt(draws.next()));
  }
  return r;
}

// Taxiing east at 15 kt, every 2 s; from its second report on, two of every
// six positions lie 2 km off (north, then south-west, the pair in the same
// place): a pace of about 1,900 kt.
std::vector<Report> garbagePositions() {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 90.0, 15.0, 200.0, 2.0, 90.0, 90.0);
  for (std::size_t i = 1; i + 1 < r.size(); i += 6) {
    const LatLon off = ahead(r[i].at, i % 12 == 1 ? 0.0 : 225.0, 2000.0);
    r[i].at = r[i + 1].at = off;
  }
  return r;
}

// The same taxi, reported every `every` seconds, its positions 2 km off for
// `count` reports from `fromS` on: while its creation is under way.
std::vector<Report> garbageWhileCreated(double every, double fromS, int count) {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 90.0, 15.0, 200.0, every, 90.0, 90.0);
  for (Report& q : r)
    if (q.time >= fromS && count-- > 0) q.at = ahead(q.at, 225.0, 2000.0);
  return r;
}

// A departure queue along 070: reports every `every` seconds for 5 minutes,
// `movingS` at `kt` and `standingS` standing by turns, the heading 070 +/- 3,
// each position up to noiseM off (as a feed gives them every day).
std::vector<Report> noisyQueue(double noiseM, double every, double movingS = 20.0, double standingS = 20.0,
                               double kt = 4.0) {
  std::vector<Report> r;
  testsupport::SameDraws draws{2463534242u};  // the same noise on every platform
  const auto next = [&draws] { return draws.next(); };
  double metres = 0.0;
  for (double t = 0.0; t <= 300.0 + 1e-9; t += every) {
    const bool moving = std::fmod(t, movingS + standingS) < movingS;
    // (drawn one by one: the order a call's arguments are worked out in is the compiler's)
    const double offBearingDeg = 360.0 * next();
    const double offMetres = noiseM * std::sqrt(next());
    const double heading = 70.0 + 6.0 * next() - 3.0;
    const LatLon at = ahead(ahead(apron, 70.0, metres), offBearingDeg, offMetres);
    r.push_back({t, at, moving ? kt : 0.0, heading, heading});
    if (moving) metres += kt * 1852.0 / 3600.0 * every;
  }
  return r;
}

// Taxiing straight along 300 for three minutes, its positions at 19.5 kt
// while its feed gives 17 (the speed lags them), reported every 2-6 s (the
// feed's time steps), the track 300 or 302.8 by turns (as the feed rounds
// it).
std::vector<Report> straightTaxiAheadOfItsSpeed() {
  std::vector<Report> r;
  testsupport::SameDraws draws{88675123u};  // the same steps on every platform
  const auto next = [&draws] { return draws.next(); };
  double t = 0.0;
  for (int i = 0; t <= 180.0; ++i) {
    const double track = i % 2 ? 302.8 : 300.0;
    r.push_back({t, ahead(apron, 300.0, 19.5 * 1852.0 / 3600.0 * t), 17.0, track, track});
    t += 2.0 + std::floor(5.0 * next());
  }
  return r;
}

// Created at its stand facing 185, standing 20 s, then going along 185 at
// 6 kt while its reports give a heading of 005 (as if pushed).
std::vector<Report> leavesItsStandReportedPushed() {
  std::vector<Report> r{{0.0, apron, 0.0, 185.0, 185.0}};
  for (int i = 1; i <= 4; ++i) r.push_back({5.0 * i, apron, 0.0, 5.0, 5.0});
  for (int i = 1; i <= 20; ++i)
    r.push_back({20.0 + 5.0 * i, ahead(apron, 185.0, 6.0 * 1852.0 / 3600.0 * 5.0 * i), 6.0, 5.0, 5.0});
  return r;
}

// Parked at its stand nose 019, standing reports every 5 s; one of them 40 m
// aside ("towed aircraft takes-off?").
std::vector<Report> strayReportAtStand() {
  std::vector<Report> r;
  taxi(r, 0.0, apron, 19.0, 0.0, 200.0, 5.0, 19.0, 19.0);
  r[12].at = ahead(apron, 109.0, 40.0);
  return r;
}

TEST(RealTrafficGroundScenario, OnTheGroundTheAircraftFollowsItsPositionsNoseFirst) {
  flyGroundCases({
      {"taxi round corners whose track jumps", cornersWithJumpingTrack, 200, noseOffDeg, 15 * 1.5, 0.0, 1e9},
      {"roll along 276 reported on a track of 50 turning to 352", rollWithWrongTrack, 190, noseOffDeg, 200.0, 0.0, 1e9},
      {"taxi reported at 96 kt, 116 degrees off its path", staleFastTaxi, 210, noseOffDeg, 10 * 1.5, 0.0, 1e9},
      {"positions jumping 50-300 m round a slow taxi at a stale 139.8 kt", jitteryTaxi, 270, 1e9, taxiCapKt,
       pushBackKt, 1e9},
      {"slow taxi, two of its reports flipping its track by 180", slowTaxiWhoseTrackFlips, 160, noseOffDeg, 6 * 1.5,
       0.0, 10.0},
      {"created at its stand facing 185, leaving along it reported pushed", leavesItsStandReportedPushed, 160,
       noseOffDeg, 6 * 1.5, 0.0, 10.0, true},
      // never tail first without a nose the feed gives against its positions
      {"slow taxi at 6.5 kt without track or heading", slowTaxiWithoutTrack, 240, noseOffDeg, 6.5 * 1.5, 0.1, 12.0},
      {"slow taxi at 6.5 kt whose track jumps 180 degrees", slowTaxiWithJumpingTrack, 240, noseOffDeg, 6.5 * 1.5, 0.1,
       12.0},
      {"reports every second round a corner", [] { return cornerEvery(1.0); }, 240, noseOffDeg, 15 * 1.5, 0.1, 10.0},
      // (its curve passes the corner's report farther than the lag's 20 m)
      {"reports every 10 s round a corner", [] { return cornerEvery(10.0); }, 250, noseOffDeg, 15 * 1.5, 0.1, 1e9},
      // no nose given is no turn at each report: the nose along the way, not
      // swung by legs that read as turns from north
      {"corner 060 to 150 at 10 kt without track or heading, every 5 s",
       [] { return noisyCorner(60.0, 150.0, 10.0, 5.0, 0.0, false); }, 250, 5.0, 10 * 1.5, 0.1, 10.0},
      {"corner 250 to 160 at 15 kt without track or heading, every 3 s, 5 m off",
       [] { return noisyCorner(250.0, 160.0, 15.0, 3.0, 5.0, false); }, 250, 5.0, 15 * 1.5, 0.1, 10.0},
      {"corner 250 to 160 at 15 kt without track or heading, every second, 3 m off",
       [] { return noisyCorner(250.0, 160.0, 15.0, 1.0, 3.0, false); }, 250, 5.0, 15 * 1.5, 0.1, 10.0},
      {"taxi east at 10 kt without track or heading, every 5 s, 8 m off",
       [] { return noisyCorner(90.0, 90.0, 10.0, 5.0, 8.0, false); }, 250, 5.0, 10 * 1.5, 0.1, 10.0},
      // a turn its positions' noise alone shows is no corner: a curve through
      // noisy reports starts off the nose and slides it sideways
      {"taxi east at 10 kt, every 5 s, 8 m off", [] { return noisyCorner(90.0, 90.0, 10.0, 5.0, 8.0, true); }, 250,
       6.0, 10 * 1.5, 0.1, 10.0},
      // the feed's tracks agreeing at both ends of a leg: it went straight on, whatever way its positions stray;
      // reports every 6-8 s tell their noise too
      {"taxi east at 10 kt, every second, 3 m off", [] { return noisyCorner(90.0, 90.0, 10.0, 1.0, 3.0, true); }, 250,
       5.0, 10 * 1.5, 0.1, 10.0},
      {"taxi east at 10 kt, every 6 s, 10 m off",
       [] { return noisyCorner(90.0, 90.0, 10.0, 6.0, 10.0, true, 521288629u); }, 250, 5.0, 10 * 1.5, 0.1, 10.0},
      {"taxi east at 15 kt, every 8 s, 6 m off",
       [] { return noisyCorner(90.0, 90.0, 15.0, 8.0, 6.0, true, 521288629u); }, 250, 5.0, 15 * 1.5, 0.1, 10.0},
      {"corner 090 to 000 at 15 kt, every 8 s, 8 m off",
       [] { return noisyCorner(90.0, 0.0, 15.0, 8.0, 8.0, true, 521288629u); }, 250, 5.0, 15 * 1.5, 0.1, 10.0},
      {"corner 090 to 000 at 10 kt, every 8 s, 3 m off", [] { return noisyCorner(90.0, 0.0, 10.0, 8.0, 3.0, true); },
       250, 5.0, 10 * 1.5, 0.1, 10.0},
      {"corner 060 to 150 at 15 kt, every 3 s, 5 m off", [] { return noisyCorner(60.0, 150.0, 15.0, 3.0, 5.0, true); },
       250, 5.0, 15 * 1.5, 0.1, 10.0},
      {"corner 090 to 000 at 10 kt, every 2 s, 5 m off", [] { return noisyCorner(90.0, 0.0, 10.0, 2.0, 5.0, true); },
       250, 5.0, 10 * 1.5, 0.1, 10.0},
      {"corner 250 to 160 at 15 kt, every 4 s, 10 m off", [] { return noisyCorner(250.0, 160.0, 15.0, 4.0, 10.0, true); },
       250, 5.0, 15 * 1.5, 0.1, 10.0},
      // never followed, never removed for them, not at its creation either
      {"positions 2 km off at a pace of 1,900 kt", garbagePositions, 240, noseOffDeg, 15 * 1.5, 0.1, 1e9},
      // taken while it is being created (no reach is weighed then), left out once it moves
      {"one report 2 km off while its creation is under way, every 3 s", [] { return garbageWhileCreated(3.0, 30.0, 1); },
       240, noseOffDeg, 15 * 1.5, 0.1, 1e9},
      // a queue whose positions are noisy: the nose stays along it, never pushed
      // (legs paced to noisy reports: up to 3 times its speed over a second; its
      // first reports, before their noise is known, turn it up to 25 degrees,
      // at 10 m up to 35)
      {"queue at 4 kt, every second, 10 m off", [] { return noisyQueue(10.0, 1.0); }, 360, noseOffDeg, 4 * 4.0, 0.1,
       1e9, false, -1.0, -1.0, 2.2, 70.0, 35.0},
      {"queue at 4 kt, every second, 8 m off", [] { return noisyQueue(8.0, 1.0); }, 360, noseOffDeg, 4 * 3.2, 0.1,
       1e9, false, -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every second, 3 m off", [] { return noisyQueue(3.0, 1.0); }, 360, noseOffDeg, 4 * 3.2, 0.1,
       1e9, false, -1.0, -1.0, 2.2, 70.0, 25.0},
      // reports every 3-5 s, few of them kept (a straight slow feed's are
      // dropped): never driven round on the spot while they stand, nor rushed
      {"queue at 4 kt, every 3 s, 5 m off", [] { return noisyQueue(5.0, 3.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 3 s, 8 m off", [] { return noisyQueue(8.0, 3.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 3 s, 10 m off", [] { return noisyQueue(10.0, 3.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9,
       false, -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 4 s, 5 m off", [] { return noisyQueue(5.0, 4.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 4 s, 8 m off", [] { return noisyQueue(8.0, 4.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 4 s, 10 m off", [] { return noisyQueue(10.0, 4.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9,
       false, -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 5 s, 5 m off", [] { return noisyQueue(5.0, 5.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 5 s, 8 m off", [] { return noisyQueue(8.0, 5.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9, false,
       -1.0, -1.0, 2.2, 70.0, 25.0},
      {"queue at 4 kt, every 5 s, 10 m off", [] { return noisyQueue(10.0, 5.0); }, 360, noseOffDeg, 12.0, 0.1, 1e9,
       false, -1.0, -1.0, 2.2, 70.0, 25.0},
      // creeping on without a stop: neither ahead of its reports and waiting
      // nor behind them and rushing (legs shorter than the noise look fast)
      // (at 2 kt 20 m are 19 s of its way)
      {"queue creeping at 2 kt, every 3 s, 8 m off", [] { return noisyQueue(8.0, 3.0, 300.0, 0.0, 2.0); }, 360,
       noseOffDeg, 2.0 * 3.0, 0.1, 25.0, false, -1.0, -1.0, 2.2, 70.0, 30.0},
      {"queue creeping at 3 kt, every 5 s, 10 m off", [] { return noisyQueue(10.0, 5.0, 300.0, 0.0, 3.0); }, 360,
       noseOffDeg, 3.0 * 3.0, 0.1, 10.0, false, -1.0, -1.0, 2.2, 70.0, 30.0},
      {"queue creeping at 6 kt, every 4 s, 10 m off", [] { return noisyQueue(10.0, 4.0, 300.0, 0.0, 6.0); }, 360,
       noseOffDeg, 6.0 * 2.5, 0.1, 10.0, false, -1.0, -1.0, 2.2, 70.0, 30.0},
      {"queue at 4 kt, every 2 s, 5 m off, 12 s moving and 30 s standing", [] { return noisyQueue(5.0, 2.0, 12.0, 30.0); },
       360, noseOffDeg, 4 * 3.2, 0.1, 1e9, false, -1.0, -1.0, 2.2, 70.0, 25.0},
      // behind its reports, it makes the time up at their pace, never
      // staying seconds behind (a report every 2 s is then never reached)
      {"straight taxi at 19.5 kt reported at 17, every 2-6 s", straightTaxiAheadOfItsSpeed, 240, noseOffDeg,
       19.5 * 1.5, 0.1, 1.0},
      // one stray report moves nothing
      {"one report 40 m aside at its stand", strayReportAtStand, 230, 1e9, 1.0, 0.1, 1e9, true, -1.0, -1.0, 0.5},
  });
}

// Two A320s taxi east together at 10 kt until their reports end: holding
// where they stopped, one that holds within 1.2 wingspans of the other goes,
// the other stays (the test tables give no wingspan: on the same spot); 5 m
// apart, both hold.
TEST(RealTrafficGroundScenario, OfTwoHoldersTheOneTooCloseToTheOtherGoes) {
  for (const auto& [apartM, holding] : {std::pair{0.0, 1}, std::pair{5.0, 2}}) {
    SCOPED_TRACE(apartM);
    EngineHarness harness({{"DLH", "", "A20N", false, lufthansa, ""}}, {lufthansa});
    harness.readFrankfurtAsParkAirport();
    const LatLon besideIt = ahead(apron, 0.0, apartM);
    for (int step = 0; step <= 30; ++step) {
      harness.run(2.0 * step - harness.now());
      const double metres = 10.0 * 0.514444 * 2.0 * step;
      harness.feedLine(lineOf({2.0 * step, ahead(apron, 90.0, metres), 10.0, 90.0, 90.0}));
      harness.feedLine(lineOf({2.0 * step, ahead(besideIt, 90.0, metres), 10.0, 90.0, 90.0}, 3958302, "DLH5GM",
                              "D-AIGN"));
    }
    ASSERT_EQ(trafficEngine.live.size(), 2u);
    harness.run(feedDelayS + 20.0);
    EXPECT_EQ(std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(),
                            [](const LiveAc& ac) { return ac.holding && ac.sim.simState == AcSimState::Active; }),
              holding);
  }
}


} // namespace
} // namespace gwr::groundscenario
