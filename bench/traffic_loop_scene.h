// The traffic loop bench's world: the emulated simulator with a park airport,
// its stands and static aircraft, live aircraft of every kind in flight and on
// the ground, and the reader's share of feeding their reports 30 s ahead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "traffic/simclient/sim_client.h"

namespace gwr::bench {

inline constexpr int renewalPass = 1;  // announced here: collecting from 15 s, the renewal at 30 s

enum class Kind { Outbound, Passing, Inbound, Turning, Landing, TakingOff, Taxiing, PushingBack, Parked };

// What the ground-queue scene's reports say of their speed.
enum class ReportedSpeed { True, Stale50, Zero };

// How reports are made from the true paths: how often, how many are queued
// at the start, what speed they give, how far their positions stray.
struct ReportStyle {
  double spacingSeconds = 4.0;
  int prefilled = 8;  // reports queued at the start, the first included
  ReportedSpeed speed = ReportedSpeed::True;
  double noiseM = 0.0;  // each position up to this far off north and east
  int asideEvery = 0;   // every this many reports of an aircraft, one asideM to the side of its track
  double asideM = 0.0;
};

// One aircraft's true path; the reports are this path 30 s before it is shown.
struct Flight {
  std::uint32_t hexid = 0;
  Kind kind = Kind::Passing;
  double x0 = 0.0, y0 = 0.0;  // nm east and north of the park airport at its start
  double track = 0.0;         // degrees
  double start = 0.0;         // seconds of shown time: when its event (turn, roll, touchdown, push) comes
  double nextReport = 0.0;    // shown time of its next report
  std::int32_t stand = 0;     // stand number of a parked or pushing aircraft
  std::uint32_t reportsMade = 0;
};

struct Scene {
  ReportStyle style;
  bool arrivals = true;  // new aircraft come in from the edge of the range
  std::vector<Flight> flights;
  std::uint32_t nextHexid = 0;
  double nextArrival = 0.0;   // shown time of the next new aircraft's first report
  std::set<std::uint32_t> activeSeen, activeNow;
  std::size_t created = 0, removed = 0, fewestLive = 0, fewestStatics = 0;
  // Aircraft seen, at the once-a-second looks, pushing back, taking off,
  // landing (approach to roll-out), turning on the ground and taxiing.
  std::set<std::uint32_t> pushingBack, takingOff, landing, groundTurning, taxiing;
};

struct SceneCounts {
  std::size_t live = 0, fewestLive = 0, statics = 0, fewestStatics = 0, created = 0, removed = 0, onGround = 0;
  std::size_t staticRecords = 0, simObjects = 0;
  std::size_t pushingBack = 0, takingOff = 0, landing = 0, groundTurning = 0, taxiing = 0;
};

// The emulator, the engine with liveCount active aircraft, the park airport
// with 512 stands and 256 static aircraft.
Scene gf_prepareScene(std::size_t liveCount);
// The same world with liveCount aircraft all taxiing at 15 kt, reported every
// 0.1 s 30 s ahead (about 300 queued each), positions within 3 m, every 25th
// report 60 m aside; no new aircraft come.
Scene gf_prepareGroundQueueScene(std::size_t liveCount, ReportedSpeed speed);
// Queues the reports due in this pass, as the reader would; once a second
// also counts the aircraft that came and went.
void gf_feedReports(Scene& scene);
SceneCounts gf_sceneCounts(const Scene& scene);
void gf_closeScene(Scene& scene);

} // namespace gwr::bench
