// The park-airport driver: choosing the park airport from the user's list and
// position, reading its stand file, leaving it, and the engine's parking work.
#include "traffic/parking/park_airport_driver.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "airports/apf_locations.h"
#include "airports/park_airport_shell.h"
#include "airports/park_stand_table.h"
#include "airports/quality_factors.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "refdata/airports_table.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_reader.h"
#include "traffic/parking/park_airports.h"
#include "traffic/parking/stand_choice.h"
#include "traffic/parking/stand_constants.h"
#include "traffic/parking/stand_learning.h"
#include "traffic/parking/static_ac.h"
#include "traffic/parking/static_parking.h"
#include "traffic/parking/static_parking_plan.h"
#include "traffic/parking/static_under_live.h"
#include "traffic/parking/user_stand.h"

namespace gwr {

std::atomic<bool> reReadRequested{false};
bool parkReadPending = false;
bool destinationEntered = false;
std::atomic<double> firstParkAirportNm{noParkAirportNm};

namespace {

std::mutex destinationGuard;
std::optional<std::pair<FixedCode<4>, LatLon>> waitingDestination;

void publishFirstDistance() {
  firstParkAirportNm.store(parkAirports.empty() ? noParkAirportNm : parkAirports.front().distanceNm);
}

constexpr double noUserPositionDeg = 0.0001;  // a position nearer (0, 0) is none yet

LatLon lastUserPosition;

LatLon userPosition() { return {trafficEngine.user.latitude, trafficEngine.user.longitude}; }

std::string parkLabel(const AirportRecord& park) {
  std::string label = park.icao.empty() ? std::string("?") : park.icao.text();
  if (park.iata.text() != "XXX") label += " (" + park.iata.text() + ")";
  return label;
}

void updateDistances(const LatLon& p) {
  if (parkAirports.empty()) {
    publishFirstDistance();
    return;
  }
  if (std::fabs(p.latitude - lastUserPosition.latitude) <= samePositionDeg &&
      std::fabs(p.longitude - lastUserPosition.longitude) <= samePositionDeg) {
    parkAirports.front().distanceNm = gf_greatCircleDistanceNm(p, parkAirports.front().position);
    publishFirstDistance();
    return;
  }
  lastUserPosition = p;
  for (ParkAirport& entry : parkAirports) entry.distanceNm = gf_greatCircleDistanceNm(p, entry.position);
  if (!destinationEntered)
    parkAirports.sort([](const ParkAirport& a, const ParkAirport& b) { return a.distanceNm < b.distanceNm; });
  publishFirstDistance();
}

bool becomeParkAirport(const AirportRecord* airport, bool atStart) {
  if (airport == nullptr) return false;
  gf_setParkAirport(*airport);
  parkAirportCode = airport->icao;
  gf_mainWindow().setParkAirportCode(airport->icao.text());
  gf_repaintBand(statisticsBand);
  gf_log(fmt::format("\nThe park airport is {}", airport->icao.text()));
  parkReadPending = true;
  gf_disableParkControls();
  gf_startCollectingLiveCallsigns();
  if (atStart) setStatusText("Calculating static parked aircraft ...", false);
  return true;
}

void chooseParkAirport(const LatLon& p, bool atStart) {
  if (userOnGround.load()) {
    const AirportRecord* closest = gf_findClosestAirport(p);
    if (closest == nullptr) {
      setStatusText("User aircraft on the ground, no RT supported airport in sight", false);
    } else if (!gf_hasLocalApf(closest->icao)) {
      setStatusText(fmt::format("User aircraft on the ground at {}, no airport file found", closest->icao.text()),
                    false);
    } else {
      gf_log(fmt::format("User aircraft on the ground at {}", closest->icao.text()));
      becomeParkAirport(closest, atStart);
    }
    return;
  }
  gf_parkAirportShell().enableDestination(true);
  if (parkAirports.empty()) return;
  const ParkAirport& front = parkAirports.front();
  const double d = gf_greatCircleDistanceNm(p, front.position);
  if (d <= AIRP_RANGE.current() && trafficEngine.user.heightAboveGround <= AIRP_HEIGHT.current() &&
      becomeParkAirport(gf_findAirport(front.code), atStart))
    setStatusText(fmt::format("{} in sight at {:.1F} nm", front.code.text(), d), false);
}

void stayOrLeave(const LatLon& p, const AirportRecord& park) {
  if (userOnGround.load()) return;
  const double d = gf_greatCircleDistanceNm(p, {park.latitude, park.longitude});
  if (d <= AIRP_RANGE.current() && trafficEngine.user.heightAboveGround <= AIRP_HEIGHT.current()) {
    if (parkAirports.empty() || parkAirports.front().code == park.icao) return;
    const ParkAirport& front = parkAirports.front();
    const double e = gf_greatCircleDistanceNm(p, front.position);
    if (e > AIRP_RANGE.current() || d < e) return;
    gf_log(fmt::format("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                       gf_clockTimeOfDay(), front.code.text(), e, parkLabel(park)));
  } else {
    gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_clockTimeOfDay(),
                       parkLabel(park), d));
  }
  gf_leaveParkAirport();
}

// The traffic reader's ground bands measure heights from the park airport's
// field while its stand file is read, and from no field otherwise.
void publishFieldElevation() {
  trafficReader.setFieldElevation(fieldElevationValid ? std::optional<double>(fieldElevationFt) : std::nullopt);
}

void leaveCommon() {
  if (standTableReady.load()) {
    lf_saveLearnedStands();
    gf_restoreApfParameters();
  }
  apfHandmade = false;
  standTableReady.store(false);
  if (!INITIAL_LOAD_ONLY.current()) gf_parkAirportShell().enableNowButton(false);
  gf_parkAirportShell().enableFlushStatic(false);
  RT_traffic_week = 0;
  gf_mainWindow().parkTrafficWeek.store(0);
  gf_clearParkAirport();
  parkAirportCode = {};
  fieldElevationValid = false;
  publishFieldElevation();
  standUpdateCount = 0;
  parkedEntries.clear();
  parkedLive.clear();
  gf_clearStands(standTable);
  gf_forgetUserStand();
  gf_publishUserStandSpots();
  reservedStandName.clear();
  parkReadPending = false;
  renewalAwaitsPlacement = false;
  MainWindowState& window = gf_mainWindow();
  window.setParkAirportCode("");
  window.setText(StatusText::airportSecond, "");
  window.setText(StatusText::reservedStand, "");
  window.reservedStandShown.store(false);
  window.airportStatisticsValid.store(false);
  window.standUpdates.store(0);
  gf_repaintBand(statisticsBand);
}

bool loseStand(const LiveAc& ac) {
  return ac.phase == AcPhase::Parked || ac.phase == AcPhase::PushingBack || ac.phase == AcPhase::PushedBack ||
         ac.phase == AcPhase::Taxi || ac.phase == AcPhase::TakeOff;
}

// The per-second stand work for one aircraft: its callsign pair, its static twin.
void standWork(std::uint32_t hexid) {
  LiveAc* ac = trafficEngine.findHexid(hexid);
  if (ac == nullptr) return;
  gf_noteLiveCallsign(ac->callsign);
  if (standTable.empty()) return;
  if (ac->standNumber > 0 && ac->phase == AcPhase::Parked && ac->leaving == 0)
    lf_addRealStandOption(ac->standNumber, *ac, LearnMode::AtStand);
  if (ac->pairLookedUp) return;
  gf_lookupCallsignPair(gf_unpackWeekTime(weekTime.load()), *ac);
  ac->pairLookedUp = 1;
  gf_removeStaticTwins(*ac);
}

// Once a minute every parked aircraft is seen at its stand, so long stays are learned.
void everyMinute() {
  if (standTableReady.load())
    for (LiveAc& ac : trafficEngine.live)
      if (ac.standNumber > 0 && ac.phase == AcPhase::Parked && ac.leaving == 0 &&
          ac.sim.simState == AcSimState::Active) {
        gf_noteLiveCallsign(ac.callsign);
        lf_addRealStandOption(ac.standNumber, ac, LearnMode::AtStand);
      }
  gf_staticRenewalMinute();
}

// Every 5 s of a running flight, ahead of the "Re-read" request.
void reservedStandCheck() {
  if (!reservedStandName.empty()) gf_clearReservedStand(reservedStandName);
}

void every5Seconds() {
  lf_takeDestinationRequest();
  gf_takeUserStandReservation();
  // While a park airport's file waits to be read the request stays pending.
  if (parkReadPending || parkControlsDisabled.load() || !reReadRequested.exchange(false)) return;
  std::string notice;
  if (gf_rereadParkAirports(true, notice)) setStatusText(notice, true);
  gf_parkAirportShell().enableRereadButton(true);
  gf_parkAirportShell().enableDestination(true);
}

} // namespace

std::string lf_readParkedFile() {
  gf_clearStands(standTable);
  gf_forgetUserStand();
  std::string error;
  const std::string path = gf_locateApf(parkAirportCode);
  if (path.empty()) {
    error = fmt::format("lf_readParkedFile {} not found", parkAirportCode.text());
  } else {
    apfHeader = {};
    error = gf_readApf(path, apfHeader, qualityFactors, standTable);
    publishFieldElevation();
  }
  if (error.empty()) {
    const auto park = gf_parkAirport();
    if (userOnGroundKnown.load() && park) {
      const std::string u = gf_userStandName(userPosition());
      if (!parkAirports.empty() && parkAirports.front().code == parkAirportCode) {
        if (!u.empty() && u != parkAirports.front().reservedStand) {
          parkAirports.front().reservedStand = u;
          gf_writeParkAirportEntry();
        }
      } else {
        gf_insertParkAirport({u, {park->latitude, park->longitude}, 0.0, parkAirportCode}, true);
        gf_writeParkAirportEntry();
      }
    }
    gf_publishUserStandSpots();
    reservedStandName.clear();
    gf_mainWindow().setText(StatusText::reservedStand, "");
    if (!parkAirports.empty() && parkAirports.front().code == parkAirportCode) {
      const std::string& wanted = parkAirports.front().reservedStand;
      for (const StandRecord& stand : standTable)
        if (!wanted.empty() && stand.id == wanted) reservedStandName = wanted;
      gf_mainWindow().setText(StatusText::reservedStand, wanted);
    }
    gf_mainWindow().reservedStandShown.store(!reservedStandName.empty());
  }
  standUpdateCount = 0;
  MainWindowState& window = gf_mainWindow();
  window.setText(StatusText::airportSecond, apfHeader.airport_name);
  window.airportStatisticsValid.store(error.empty());
  window.standUpdates.store(0);
  gf_repaintBand(statisticsBand);
  return error;
}

void gf_leaveParkAirport() {
  gf_takeUserStandReservation();
  parkedEntries.clear();
  gf_removeAllStatic();
  for (LiveAc& ac : trafficEngine.live) {
    if (!loseStand(ac)) continue;
    ac.standLat = ac.standLon = ac.standHeading = 0.0;
    ac.standNumber = 0;
    ac.standFlag = 0;
    gf_removeLiveAc(ac);
  }
  leaveCommon();
}

void lf_parkAirportDriver(bool atStart) {
  // A new run measures and sorts every park airport afresh, even with the user
  // where the last run left it; the last run's destination went with it.
  if (atStart) {
    lastUserPosition = {};
    destinationEntered = false;
  }
  if (atStart && parkAirports.empty()) lf_readMyParkAirports();
  lf_takeDestinationRequest();
  if (parkControlsDisabled.load() && parkedEntries.empty()) {
    gf_enableParkControlsAfterPlacement();
    clearStatusText();
    gf_refreshParkedTimes();
  }
  if (parkReadPending) {
    clearStatusText();
    parkReadPending = false;
    const std::string error = lf_readParkedFile();
    if (error.empty()) {
      staticRenewalMinutes = renewalIntervalMinutes;
      renewalAwaitsPlacement = true;
      gf_mainWindow().minutesToRenewal.store(staticRenewalMinutes);
      gf_planStaticsAtRead();
    } else {
      setStatusText(error, true);
      leaveCommon();
    }
    gf_parkAirportShell().enableDestination(true);
    return;
  }
  const LatLon p = userPosition();
  if (std::fabs(p.latitude) <= noUserPositionDeg && std::fabs(p.longitude) <= noUserPositionDeg) return;
  updateDistances(p);
  if (const auto park = gf_parkAirport(); park && !park->icao.empty())
    stayOrLeave(p, *park);
  else
    chooseParkAirport(p, atStart);
}

bool gf_rereadParkAirports(bool withStand, std::string& notice) {
  if (!lf_readMyParkAirports()) return false;
  if (withStand && userOnGroundKnown.load() && standTableReady.load() && !parkAirports.empty() &&
      parkAirports.front().code == parkAirportCode) {
    const std::string& wanted = parkAirports.front().reservedStand;
    if (!wanted.empty() && wanted != reservedStandName) {
      notice = fmt::format("reserved stand changed from '{}' to '{}'", reservedStandName, wanted);
      for (StandRecord& stand : standTable)
        if (stand.id == reservedStandName) stand.reserved = 0;
      reservedStandName = wanted;
      gf_mainWindow().setText(StatusText::reservedStand, wanted);
      gf_mainWindow().reservedStandShown.store(true);
      gf_repaintBand(statisticsBand);
      gf_clearReservedStand(reservedStandName);
      for (StandRecord& stand : standTable)
        if (stand.id == reservedStandName) stand.reserved = 1;
    }
  }
  if (notice.empty()) notice = "park airports and stands are okay";
  return true;
}

void gf_setDestinationAirport(FixedCode<4> code, const LatLon& position) {
  destinationEntered = true;
  const auto it = std::find_if(parkAirports.begin(), parkAirports.end(),
                               [&](const ParkAirport& entry) { return entry.code == code; });
  if (it != parkAirports.end()) {
    parkAirports.splice(parkAirports.begin(), parkAirports, it);
    return;
  }
  gf_insertParkAirport({"", position, 0.0, code}, true);
  gf_writeParkAirportEntry();
}

void gf_requestDestinationAirport(FixedCode<4> code, const LatLon& position) {
  std::lock_guard lock(destinationGuard);
  waitingDestination.emplace(code, position);
}

bool lf_takeDestinationRequest() {
  std::optional<std::pair<FixedCode<4>, LatLon>> taken;
  {
    std::lock_guard lock(destinationGuard);
    taken.swap(waitingDestination);
  }
  if (!taken) return false;
  gf_setDestinationAirport(taken->first, taken->second);
  return true;
}

void gf_installParking() {
  TrafficEngineHooks hooks = gf_trafficEngineHooks();
  hooks.parkAirportDriver = &lf_parkAirportDriver;
  hooks.staticTwinCheck = &lf_removeStaticTwinsOfParked;
  hooks.placeStaticAircraft = &lf_detcs;
  hooks.standWork = &standWork;
  hooks.reservedStandCheck = &reservedStandCheck;
  hooks.every5Seconds = &every5Seconds;
  hooks.everyMinute = &everyMinute;
  hooks.staticFeedback = &gf_handleStaticFeedback;
  hooks.staticActivation = &gf_activateStatic;
  hooks.liveOverStatic = &gf_checkLiveOverStatic;
  hooks.staticNavLights = &gf_setStaticNavLights;
  hooks.removeAllStatic = &gf_removeAllStatic;
  hooks.staticUpdate = &gf_renewStaticParking;
  hooks.liveParksOnStand = &gf_liveParksOnStand;
  hooks.staticUnderUser = &gf_removeStaticUnderUser;
  hooks.standUseBeforeNewKey = &gf_learnStayBeforeNewKey;
  gf_installTrafficEngineHooks(hooks);
  gf_installStandChoice();
  gf_installUserStandHooks();
}

} // namespace gwr
