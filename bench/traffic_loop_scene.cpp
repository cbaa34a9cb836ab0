// The traffic loop bench's world; see traffic_loop_scene.h.
#include "traffic_loop_scene.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "airports/park_stand_table.h"
#include "core/clock.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"
#include "traffic/movement/runway_phases.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_renewal.h"

namespace gwr::bench {

namespace {

constexpr const char* benchTitle = "Bench Liner";
constexpr const char* benchModel = "A320";
constexpr double a320HalfSpanNm = 0.0094;
constexpr std::uint32_t firstHexid = 200000;
constexpr double parkLat = 50.0, parkLon = 8.0;
constexpr double rangeNmUsed = 100.0;
constexpr double dueDelaySeconds = 30.0;
constexpr double reportSpacingSeconds = 4.0;
constexpr int prefilledReports = 8;
constexpr double arrivalEverySeconds = 1.0;
constexpr double runwayDeg = 70.0;
constexpr std::size_t benchStands = 512;
constexpr std::size_t benchStatics = 256;
constexpr std::size_t benchParkAirports = 3000;
// 256 static and about 95 live parked aircraft of the 512 stands: the plan counts both.
constexpr std::int32_t staticPercentage = 69;
constexpr double cruiseKt = 420.0, inboundKt = 300.0, turningKt = 250.0, approachKt = 140.0, taxiKt = 15.0;
constexpr double turnDegPerSecond = 3.0;
constexpr double taxiLegSeconds = 30.0;
constexpr double pushKt = 3.0, pushSeconds = 40.0;

double kmCos() { return std::cos(parkLat * radiansPerDegree); }
double latOf(double y) { return parkLat + y / 60.0; }
double lonOf(double x) { return parkLon + x / (60.0 * kmCos()); }
double nmPerSecond(double kt) { return kt / 3600.0; }

struct Truth {
  double x = 0.0, y = 0.0, altitude = 0.0, speed = 0.0, track = 0.0, verticalSpeed = 0.0;
  bool airborne = false;
};

void advance(Truth& p, double trackDeg, double nm) {
  p.x += nm * std::sin(trackDeg * radiansPerDegree);
  p.y += nm * std::cos(trackDeg * radiansPerDegree);
}

const StandRecord& standOf(std::int32_t number) {
  const auto it = std::find_if(standTable.begin(), standTable.end(),
                               [&](const StandRecord& s) { return s.number == static_cast<std::uint32_t>(number); });
  if (it == standTable.end()) throw std::runtime_error("bench stand missing");
  return *it;
}

Truth standTruth(const Flight& f) {
  const StandRecord& s = standOf(f.stand);
  Truth p;
  p.x = (s.longitude - parkLon) * 60.0 * kmCos();
  p.y = (s.latitude - parkLat) * 60.0;
  p.track = s.heading * degreesPerRadian;
  return p;
}

// Where flight f truly is at shown time t.
Truth truthAt(const Flight& f, double t) {
  Truth p{f.x0, f.y0, 0.0, 0.0, f.track, 0.0, true};
  switch (f.kind) {
    case Kind::Outbound:
    case Kind::Passing:
      p.altitude = 34000.0;
      p.speed = cruiseKt;
      advance(p, f.track, nmPerSecond(cruiseKt) * t);
      break;
    case Kind::Inbound:
      p.altitude = 20000.0;
      p.speed = inboundKt;
      advance(p, f.track, nmPerSecond(inboundKt) * (t - f.start));
      break;
    case Kind::Turning: {
      const double radius = nmPerSecond(turningKt) / (turnDegPerSecond * radiansPerDegree);
      const double heading = f.track + turnDegPerSecond * t;
      advance(p, heading - 90.0, radius);
      p.altitude = 6000.0;
      p.speed = turningKt;
      p.track = std::fmod(heading, 360.0);
      break;
    }
    case Kind::Landing: {
      const double before = f.start - t;
      p.track = runwayDeg;
      if (before > 0.0) {
        advance(p, runwayDeg, -nmPerSecond(approachKt) * before);
        p.altitude = 700.0 * before / 60.0 + 50.0;
        p.speed = approachKt;
        p.verticalSpeed = -700.0;
        break;
      }
      const double after = -before, brake = 2.5, slow = std::min(after, (130.0 - taxiKt) / brake);
      advance(p, runwayDeg, (130.0 * slow - brake * slow * slow / 2.0 + taxiKt * (after - slow)) / 3600.0);
      p.speed = 130.0 - brake * slow;
      p.airborne = false;
      break;
    }
    case Kind::TakingOff: {
      p.track = runwayDeg;
      const double taxiing = std::min(t, f.start), rolling = std::max(0.0, t - f.start), accel = 3.0;
      const double lift = (150.0 - taxiKt) / accel, roll = std::min(rolling, lift);
      advance(p, runwayDeg, (taxiKt * taxiing + taxiKt * roll + accel * roll * roll / 2.0) / 3600.0);
      p.speed = taxiKt + accel * roll;
      if (rolling > lift) {
        advance(p, runwayDeg, nmPerSecond(160.0) * (rolling - lift));
        p.airborne = true;
        p.altitude = 2000.0 * (rolling - lift) / 60.0;
        p.verticalSpeed = 2000.0;
        p.speed = 160.0;
      } else {
        p.airborne = false;
      }
      break;
    }
    case Kind::Taxiing: {
      p.airborne = false;
      p.speed = taxiKt;
      double from = 0.0, track = f.track;
      for (double turn = f.start; turn < t; turn += taxiLegSeconds) {
        advance(p, track, nmPerSecond(taxiKt) * (turn - from));
        from = turn;
        track += 90.0;
      }
      advance(p, track, nmPerSecond(taxiKt) * (t - from));
      p.track = std::fmod(track, 360.0);
      break;
    }
    case Kind::PushingBack:
    case Kind::Parked: {
      p = standTruth(f);
      p.airborne = false;
      if (f.kind == Kind::Parked || t <= f.start) break;
      const double pushing = std::min(t - f.start, pushSeconds);
      advance(p, p.track + 180.0, nmPerSecond(pushKt) * pushing);
      p.speed = pushKt;
      if (t - f.start > pushSeconds) {
        p.track += 90.0;
        advance(p, p.track, nmPerSecond(taxiKt) * (t - f.start - pushSeconds));
        p.speed = taxiKt;
      }
      break;
    }
  }
  return p;
}

LivKey benchKey() { return LivKey{gf_airlineIndex("DLH"), 0, gf_modelIndex(benchModel), 0, 0}; }

std::string callsignOf(std::uint32_t hexid) { return fmt::format("DLH{}", hexid - firstHexid); }

std::mt19937& noiseRandom() {
  static std::mt19937 random(46);
  return random;
}

TrafficRecord reportOf(const Flight& f, double t) {
  const Truth p = truthAt(f, t);
  TrafficRecord r;
  r.identity.key = benchKey();
  r.identity.callsign = callsignOf(f.hexid);
  r.identity.registration = fmt::format("D-B{}", f.hexid - firstHexid);
  r.hexid = f.hexid;
  r.latitude = latOf(p.y);
  r.longitude = lonOf(p.x);
  r.altitude = p.airborne ? p.altitude : 0.0;
  r.airborne = p.airborne ? 1 : 0;
  r.onGround = p.airborne ? 0 : 1;
  r.groundSpeed = p.speed;
  r.trueAirspeed = p.speed;
  r.track = std::fmod(p.track + 360.0, 360.0);
  r.verticalSpeed = p.verticalSpeed;
  r.dueTick = static_cast<std::int32_t>(std::lround(t * 100.0));
  r.timestamp = t;
  return r;
}

// A report as the scene's feed makes it: noisy, now and then aside, its speed as the style says.
TrafficRecord styledReportOf(Flight& f, double t, const ReportStyle& style) {
  TrafficRecord r = reportOf(f, t);
  ++f.reportsMade;
  std::uniform_real_distribution<double> noise(-style.noiseM, style.noiseM);
  double northM = style.noiseM > 0.0 ? noise(noiseRandom()) : 0.0;
  double eastM = style.noiseM > 0.0 ? noise(noiseRandom()) : 0.0;
  if (style.asideEvery > 0 && f.reportsMade % static_cast<std::uint32_t>(style.asideEvery) == 0) {
    northM += style.asideM * std::cos((r.track + 90.0) * radiansPerDegree);
    eastM += style.asideM * std::sin((r.track + 90.0) * radiansPerDegree);
  }
  r.latitude += northM / metresPerDegreeLat;
  r.longitude += eastM / (metresPerDegreeLat * kmCos());
  if (!r.airborne && style.speed == ReportedSpeed::Stale50) r.groundSpeed = 50.0;
  if (!r.airborne && style.speed == ReportedSpeed::Zero) r.groundSpeed = 0.0;
  return r;
}

Kind kindAt(double share) {
  struct Band {
    double upTo;
    Kind kind;
  };
  static constexpr Band bands[] = {{0.35, Kind::Outbound}, {0.47, Kind::Passing},     {0.59, Kind::Turning},
                                   {0.65, Kind::Landing},  {0.71, Kind::TakingOff},  {0.81, Kind::Taxiing},
                                   {0.87, Kind::PushingBack}, {1.01, Kind::Parked}};
  for (const Band& b : bands)
    if (share < b.upTo) return b.kind;
  return Kind::Parked;
}

Flight makeFlight(std::uint32_t hexid, Kind kind, std::mt19937& random, std::int32_t& nextLiveStand) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Flight f;
  f.hexid = hexid;
  f.kind = kind;
  const double bearing = 360.0 * unit(random);
  auto place = [&](double distance) {
    f.x0 = distance * std::sin(bearing * radiansPerDegree);
    f.y0 = distance * std::cos(bearing * radiansPerDegree);
  };
  switch (kind) {
    case Kind::Outbound:  // out of range at 1 a second or so, over three minutes
      place(rangeNmUsed - nmPerSecond(cruiseKt) * (5.0 + 180.0 * unit(random)) + dueDelaySeconds * 0.0);
      f.track = bearing;
      break;
    case Kind::Passing:
      place(30.0 + 50.0 * unit(random));
      f.track = bearing + 90.0;
      break;
    case Kind::Turning:
      place(10.0 + 50.0 * unit(random));
      f.track = 360.0 * unit(random);
      break;
    case Kind::Landing: f.start = 20.0 + 60.0 * unit(random); break;
    case Kind::TakingOff:
      place(0.5 + unit(random));
      f.track = runwayDeg;
      f.start = 10.0 + 60.0 * unit(random);
      break;
    case Kind::Taxiing:
      place(0.3 + 1.5 * unit(random));
      f.track = 90.0 * std::floor(4.0 * unit(random));
      f.start = taxiLegSeconds * unit(random);
      break;
    case Kind::PushingBack:
    case Kind::Parked:
      f.stand = nextLiveStand;
      nextLiveStand += 2;  // the odd stands; the static aircraft stand on the even ones
      f.start = 10.0 + 60.0 * unit(random);
      break;
    case Kind::Inbound: break;
  }
  return f;
}

// A record of the live aircraft as if it had been fed for a while: active in
// the simulator, its stream reaching 28 s ahead.
void addActive(Flight& f, double phase, std::uint32_t objectId, const ReportStyle& style) {
  AcIdentity identity;
  identity.key = benchKey();
  identity.callsign = callsignOf(f.hexid);
  identity.registration = fmt::format("D-B{}", f.hexid - firstHexid);
  AcDescription description(identity);
  description.hexId = f.hexid;
  description.maxClimbPerTick = 0.6;
  description.standSpeedKt = 4.0;
  TrafficRecord first = styledReportOf(f, 0.0, style);
  first.dueTick = 0;
  LiveAc& ac = trafficEngine.live.emplace_back(description, gf_sampleOf(first), 0.0);
  for (int k = 1; k < style.prefilled; ++k)
    ac.samples.push_back(gf_sampleOf(styledReportOf(f, phase + style.spacingSeconds * k, style)));
  f.nextReport = phase + style.spacingSeconds * style.prefilled;
  ac.lastSampleTime = f.nextReport - style.spacingSeconds;
  ac.livery = benchTitle;
  ac.lat = first.latitude;
  ac.lon = first.longitude;
  ac.altitude = first.altitude;
  ac.heading = first.track * radiansPerDegree;
  ac.tas = first.groundSpeed;
  ac.sim.simState = AcSimState::Active;
  ac.sim.objectId = objectId;
  if (first.airborne) {
    ac.setPhase(AcPhase::Flying);
    return;
  }
  ac.onGroundConfirmed = 1;
  ac.groundPitch = 0.01;
  ac.pitch = ac.groundPitch;
  if (f.kind != Kind::Parked && f.kind != Kind::PushingBack) {
    ac.setPhase(AcPhase::Taxi);
    return;
  }
  const StandRecord& stand = standOf(f.stand);
  ac.setPhase(AcPhase::Parked);
  ac.standNumber = f.stand;
  ac.standLat = stand.latitude;
  ac.standLon = stand.longitude;
  ac.standHeading = stand.heading;
  ac.samples.front().standing = 1;
}

void pump() { simconnect::CallDispatch(simHandle, &lf_dispatchSimConnect, nullptr); }

void prepareSimulator(std::uint32_t userObjectIdUsed) {
  std::istringstream text(std::string("title ") + benchTitle + "\nuser 50 8 0 0 1\n");
  std::vector<std::string> problems;
  simemu::Options options;
  options.keepHistory = false;
  options.userObjectId = userObjectIdUsed;
  options.framesPerSecond = 100;
  simemu::Emulator::instance().reset(simemu::gf_parseWorld(text, problems), options);
  gf_prepareSimConnectQueues();
  simconnect::Open(simHandle, "Bench", 0);
  lf_setupSimConnect(simHandle);
  simemu::Emulator::instance().setSimRunning(true);
  pump();
  userObjectId.store(userObjectIdUsed);
}

// One model and one installed livery: new live and static aircraft match it.
void prepareReferenceData() {
  icaoModelCodes.insert(benchModel);
  const auto model = gf_modelIndex(benchModel);
  categoryModels[gf_categorySlot(AcCategory::Large)].insert(model);
  halfSpans[model] = a320HalfSpanNm;
  LiveryList installed{LiveryData{benchTitle, "", benchKey(), 0}};
  gf_sortUniqueLiveries(installed);
  gf_buildAllLiveryTables(installed, nullptr);
}

// A park airport under the user with 512 stands and a week of flights at each,
// and 3,000 listed park airports.
void prepareStands() {
  AirportRecord park;
  park.icao = FixedCode<4>("EDDF");
  park.latitude = parkLat;
  park.longitude = parkLon;
  gf_setParkAirport(park);
  parkAirportCode = park.icao;
  gf_clearStands(standTable);
  for (std::size_t i = 0; i < benchStands; ++i) {
    const double lat = parkLat + 0.0008 * static_cast<double>(i / 32);
    const double lon = parkLon + 0.0012 * static_cast<double>(i % 32);
    StandRecord stand(fmt::format("S{}", i), {}, lat, lon, 0.0, 25.0, 0, false, false, false);
    for (std::uint32_t day = 1; day <= 7; ++day) {
      for (std::uint32_t k = 0; k < 4; ++k) {
        StandOption option;
        option.codes = benchKey();
        option.registration = fmt::format("D-{}", i * 100 + day * 10 + k);
        option.callsign1 = fmt::format("DLH{}", i * 100 + day * 10 + k);
        for (std::uint32_t h = 12 * k; h < 12 * k + 12; ++h) option.hours.set(h);
        option.day = day;
        option.index = static_cast<std::uint32_t>(stand.options.size() + 1);
        stand.options.push_back(option);
      }
    }
    standTable.push_back(std::move(stand));
  }
  gf_numberStandsAndFindOverlaps(standTable);
  standTableReady.store(true);
  parkAirports.clear();
  for (std::size_t i = 0; i < benchParkAirports; ++i)
    gf_insertParkAirport({"", {-60.0 + 0.04 * static_cast<double>(i), -170.0 + 0.1 * static_cast<double>(i)}, 0.0,
                          FixedCode<4>(fmt::format("K{:03}", i % 1000))},
                         false);
  gf_insertParkAirport({"", {park.latitude, park.longitude}, 0.0, park.icao}, true);
}

std::string staticCallsign(std::size_t i) { return fmt::format("ST{}*", i); }

// Each shows the flight that the plan would put at its stand now, as after
// an earlier renewal, so a renewal keeps them.
void addStatics(const std::map<std::string, std::uint32_t>& ids) {
  staticAircraft.clear();
  const WeekTime now = gf_unpackWeekTime(gf_weekdayAndSlot());
  for (std::size_t i = 0; i < benchStatics; ++i) {
    const StandRecord& stand = standTable[i * 2];
    AcIdentity identity;
    identity.key = benchKey();
    identity.callsign = staticCallsign(i);
    const auto shown = std::find_if(stand.options.begin(), stand.options.end(), [&](const StandOption& o) {
      return o.day == now.day && o.hours.test(now.halfHour);
    });
    const bool paired = shown != stand.options.end();
    if (paired) identity.registration = shown->registration;
    StaticAc ac(identity);
    if (paired) ac.pairedCallsign1 = shown->callsign1;
    ac.standNumber = static_cast<std::int32_t>(stand.number);
    ac.standLat = stand.latitude;
    ac.standLon = stand.longitude;
    ac.sim.hexid = gf_nextStaticHexid();  // the counter the program's own placements continue
    ac.sim.objectId = ids.at(identity.callsign);
    ac.sim.simState = AcSimState::Active;
    staticAircraft.push_back(std::move(ac));
  }
}

std::map<std::string, std::uint32_t> objectIdsByTail() {
  std::map<std::string, std::uint32_t> ids;
  for (const auto& o : simemu::Emulator::instance().objects()) ids[o.tail] = o.id;
  return ids;
}

std::size_t activeStatics() {
  return static_cast<std::size_t>(std::count_if(staticAircraft.begin(), staticAircraft.end(), [](const StaticAc& s) {
    return s.sim.simState == AcSimState::Active;
  }));
}

std::mt19937& sceneRandom() {
  static std::mt19937 random(33);
  return random;
}

} // namespace

namespace {

Scene lf_prepare(std::size_t liveCount, const ReportStyle& style, bool groundQueue) {
  gf_openLogFile();  // the traffic thread writes its lines within the pass
  prepareSimulator(100);
  prepareReferenceData();
  gf_reserveTrafficContainers();
  gf_reserveParkingLists();
  gf_resetTraffic();
  tickCount.store(0);
  rangeNm.store(rangeNmUsed);
  MAX_LIVE_SEL.setCurrent(500);
  CUSTOM_PARKING_PERCENTAGE.setCurrent(staticPercentage);
  INITIAL_LOAD_ONLY.setCurrent(false);
  trafficEngine.user = gf_requestUserState();
  prepareStands();
  Scene scene;
  scene.style = style;
  scene.arrivals = !groundQueue;
  auto& random = sceneRandom();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::int32_t nextLiveStand = 2;  // stand numbers start at 1
  for (std::size_t i = 0; i < liveCount; ++i) {
    const Kind kind =
        groundQueue ? Kind::Taxiing : kindAt((static_cast<double>(i) + 0.5) / static_cast<double>(liveCount));
    scene.flights.push_back(makeFlight(firstHexid + static_cast<std::uint32_t>(i), kind, random, nextLiveStand));
  }
  scene.nextHexid = firstHexid + static_cast<std::uint32_t>(liveCount);
  // Every object in the simulator first, then the engine's records with their ids.
  for (const Flight& f : scene.flights) {
    const TrafficRecord r = reportOf(f, 0.0);
    simconnect::InitPosition at{r.latitude, r.longitude, r.altitude, 0, 0, r.track, r.airborne ? 0u : 1u,
                                static_cast<std::uint32_t>(r.groundSpeed)};
    simconnect::AICreateNonATCAircraft(simHandle, benchTitle, r.identity.callsign, at, 1);
  }
  for (std::size_t i = 0; i < benchStatics; ++i) {
    const StandRecord& stand = standTable[i * 2];
    simconnect::InitPosition at{stand.latitude, stand.longitude, 0, 0, 0, 0, 1, 0};
    simconnect::AICreateNonATCAircraft(simHandle, benchTitle, staticCallsign(i), at, 2);
  }
  simemu::Emulator::instance().stepFrames(1);
  pump();
  const auto ids = objectIdsByTail();
  for (Flight& f : scene.flights)
    addActive(f, style.spacingSeconds * unit(random), ids.at(callsignOf(f.hexid)), style);
  addStatics(ids);
  gf_installParking();
  scene.nextArrival = dueDelaySeconds * 0.0 + arrivalEverySeconds;
  for (const LiveAc& ac : trafficEngine.live) scene.activeSeen.insert(ac.hexId);
  scene.fewestLive = trafficEngine.live.size();
  scene.fewestStatics = activeStatics();
  {
    std::lock_guard lock(trafficRecordMutex);
    trafficAccepting = true;
  }
  return scene;
}

} // namespace

Scene gf_prepareScene(std::size_t liveCount) {
  return lf_prepare(liveCount, ReportStyle{reportSpacingSeconds, prefilledReports}, false);
}

Scene gf_prepareGroundQueueScene(std::size_t liveCount, ReportedSpeed speed) {
  constexpr double spacing = 0.1;
  const ReportStyle style{spacing, static_cast<int>(dueDelaySeconds / spacing + 0.5), speed, 3.0, 25, 60.0};
  return lf_prepare(liveCount, style, true);
}

void gf_feedReports(Scene& scene) {
  const std::int32_t tick = tickCount.load();
  const double fedUpTo = tick / 100.0 + dueDelaySeconds;  // shown time of the reports the reader has now
  auto& random = sceneRandom();
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  while (scene.arrivals && scene.nextArrival <= fedUpTo) {
    Flight f;
    f.hexid = scene.nextHexid++;
    f.kind = Kind::Inbound;
    const double bearing = 360.0 * unit(random);
    f.x0 = (rangeNmUsed - 1.0) * std::sin(bearing * radiansPerDegree);
    f.y0 = (rangeNmUsed - 1.0) * std::cos(bearing * radiansPerDegree);
    f.track = bearing + 180.0;
    f.start = scene.nextArrival;
    f.nextReport = scene.nextArrival;
    scene.flights.push_back(f);
    scene.nextArrival += arrivalEverySeconds;
  }
  const LatLon user{trafficEngine.user.latitude, trafficEngine.user.longitude};
  for (Flight& f : scene.flights) {
    if (f.nextReport > fedUpTo) continue;
    TrafficRecord r = styledReportOf(f, f.nextReport, scene.style);
    f.nextReport += scene.style.spacingSeconds;
    // The reader keeps only what lies within the range.
    if (gf_greatCircleDistanceNm(user, {r.latitude, r.longitude}) > rangeNmUsed) continue;
    gf_queueTrafficRecord(std::move(r));
  }
  if (tick % 100 != 0) return;
  scene.activeNow.clear();
  for (const LiveAc& ac : trafficEngine.live)
    if (ac.sim.simState == AcSimState::Active) {
      scene.activeNow.insert(ac.hexId);
      if (ac.phase == AcPhase::PushingBack) scene.pushingBack.insert(ac.hexId);
      if (ac.phase == AcPhase::TakeOff || ac.runway.rolling()) scene.takingOff.insert(ac.hexId);
      if (ac.runway.landing() || ac.runway.afterTouchdown()) scene.landing.insert(ac.hexId);
      if (ac.onGroundConfirmed && ac.turning) scene.groundTurning.insert(ac.hexId);
      if (ac.phase == AcPhase::Taxi) scene.taxiing.insert(ac.hexId);
    }
  for (const std::uint32_t h : scene.activeNow) scene.created += scene.activeSeen.contains(h) ? 0 : 1;
  for (const std::uint32_t h : scene.activeSeen) scene.removed += scene.activeNow.contains(h) ? 0 : 1;
  scene.activeSeen.swap(scene.activeNow);
  scene.fewestLive = std::min(scene.fewestLive, scene.activeSeen.size());
  scene.fewestStatics = std::min(scene.fewestStatics, activeStatics());
}

SceneCounts gf_sceneCounts(const Scene& scene) {
  SceneCounts c;
  c.live = trafficEngine.live.size();
  c.fewestLive = scene.fewestLive;
  c.statics = activeStatics();
  c.staticRecords = staticAircraft.size();
  c.pushingBack = scene.pushingBack.size();
  c.takingOff = scene.takingOff.size();
  c.landing = scene.landing.size();
  c.groundTurning = scene.groundTurning.size();
  c.taxiing = scene.taxiing.size();
  c.simObjects = simemu::Emulator::instance().objects().size();
  c.fewestStatics = scene.fewestStatics;
  c.created = scene.created;
  c.removed = scene.removed;
  c.onGround = static_cast<std::size_t>(std::count_if(trafficEngine.live.begin(), trafficEngine.live.end(),
                                                      [](const LiveAc& a) { return a.onGroundConfirmed != 0; }));
  return c;
}

void gf_closeScene(Scene& scene) {
  scene.flights.clear();
  gf_installTrafficEngineHooks({});
  staticAircraft.clear();
  parkAirports.clear();
  gf_clearStands(standTable);
  standTableReady.store(false);
  gf_clearParkAirport();
  gf_resetTraffic();
  lf_closeSimConnect(simHandle);
}

} // namespace gwr::bench
