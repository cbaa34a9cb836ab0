// The in-process emulated simulator behind the client API: AI objects and the
// user aircraft, frames, replies, injected faults, and inspection for tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/sim_api.h"
#include "platform/sim/sim_world.h"

namespace gwr::simemu {

// Time the calling thread has spent inside the emulator's API calls, the
// dispatch excepted: the bench tells the emulator's work from the program's.
std::chrono::nanoseconds gf_emulatorTimeOnThisThread();

struct Pose {
  double latitude = 0.0;       // degrees
  double longitude = 0.0;      // degrees
  double pitch = 0.0;          // radians, negative = nose up
  double bank = 0.0;           // radians
  double heading = 0.0;        // radians, true
  double altitude = 0.0;       // feet
  double verticalSpeed = 0.0;  // feet per second
  double trueAirspeed = 0.0;   // knots
};

struct ObjectEvent {
  std::string name;  // the simulator event, e.g. "FLAPS_SET"
  std::uint32_t data = 0;
};

// Light bits of "LIGHT STATES".
inline constexpr std::uint32_t lightNav = 0x1, lightBeacon = 0x2, lightLanding = 0x4, lightTaxi = 0x8,
                               lightStrobe = 0x10, lightLogo = 0x100, lightCabin = 0x200;

// The user aircraft (id = the user object id) or an AI object.
struct SimObject {
  std::uint32_t id = 0;
  std::string title;
  std::string tail;   // "ATC ID"
  std::string model;  // "ATC MODEL"
  Pose pose;
  std::vector<Pose> poseHistory;  // every pose set on the object, oldest first
  bool onGround = false;          // the user's is scripted; an AI object's follows its height
  double groundVelocity = 0.0;    // knots
  double spoilers = 0.0, throttle1 = 0.0, throttle2 = 0.0;  // percent, definition 401
  std::uint32_t flaps = 0, spoilersEvent = 0, gear = 0, throttle = 0;
  std::uint32_t lights = 0;
  bool freezeLatLon = false, freezeAltitude = false, freezeAttitude = false;
  bool released = false;
  bool enginesRunning = false;
  double cgToGroundFt = 0.0;
  double staticPitchRad = 0.0;
  std::string flightPlan;
  std::vector<ObjectEvent> events;  // client events applied, in order
  // What the simulator's account last said of it, and the pose its speed is measured from.
  std::string activity;
  Pose speedSample;
  std::uint64_t speedSampleFrame = 0;
};

// One call made through the API, for the trace.
struct CallRecord {
  std::string client;
  std::string function;
  std::uint32_t objectId = 0;
  std::uint32_t id = 0;  // event, definition or request id
  std::uint32_t data = 0;
  std::string text;      // name, title or ICAO
  std::uint32_t packetId = 0;
  bool failed = false;
};

inline CallRecord callOf(std::uint32_t objectId, std::uint32_t id, std::uint32_t data, std::string text) {
  CallRecord call;
  call.objectId = objectId;
  call.id = id;
  call.data = data;
  call.text = std::move(text);
  return call;
}

struct Options {
  int edition = 2020;                 // 2020 answers "KittyHawk", 2024 "SunRise"
  std::string applicationName;        // empty: the edition's name
  std::uint32_t version[4] = {11, 0, 282174, 999};
  std::uint32_t userObjectId = 1;
  std::uint64_t creationDelayFrames = 1;
  std::uint64_t framesPerSecond = 30;  // "every second" requests, zulu clock
  std::size_t maxObjects = 1000;
  double defaultCgToGroundFt = 8.0;
  double defaultStaticPitchRad = 0.0;
  bool keepHistory = true;  // the call trace and pose histories; off for long benchmark runs
  bool flightRunning = false;  // a flight is loaded: "Sim" is answered with 1 as soon as it is subscribed
  // The simulator's own account of its AI objects, one line a change: created,
  // flying, landing, on the runway, taxiing, standing, removed. None when empty.
  // Its last line, when the simulator quits, counts the objects it saw
  // created, landing, standing and removed.
  std::function<void(const std::string&)> account;
  // The poses of the user aircraft and the AI objects, 10 times a second of
  // the emulator's clock: one block of lines in the columns of poseTraceColumns,
  // each line ending in a line feed; the user's line first, without a callsign
  // (it keeps the clock going while no AI object exists). None when empty.
  std::function<void(const std::string&)> poseTrace;
  // The emulator's clock at frame 0, seconds since 1970 (a run gives the
  // computer's clock; tests their simulated start). The clock advances with the frames.
  double clockStartSeconds = 0.0;
};

// The pose trace's columns: clock seconds, object id, callsign (the tail given
// at creation), position (degrees), altitude, ground elevation and the height
// of the centre of gravity above the wheels (feet), true heading (degrees),
// on the ground 0/1, vertical speed (feet per minute), pitch (degrees, nose up positive).
inline constexpr const char* poseTraceColumns =
    "time_s,object,callsign,latitude,longitude,altitude_ft,ground_ft,cg_height_ft,heading_deg,on_ground,"
    "vertical_speed_fpm,pitch_deg";
inline constexpr std::uint64_t poseTracePerSecond = 10;

// The account's speed bands on the ground (knots), with a gap between the
// bands so that an aircraft near a limit does not flip back and forth.
inline constexpr double standingBelowKt = 0.5, taxiingAboveKt = 2.0;
inline constexpr double taxiingBelowKt = 30.0, runwayAboveKt = 40.0;

inline constexpr double onGroundToleranceFt = 2.0;      // above CG height still counts as on the ground
inline constexpr double airportGroundRadiusNm = 5.0;    // an airport's elevation holds within this

class Emulator {
public:
  static Emulator& instance();

  // A new world: every connection is lost, objects and trace are cleared.
  void reset(World world, Options options = {});
  Options options() const;
  void failNextOpens(int count);
  // The next count calls of function fail, after the first `after` of them succeed.
  void failNextCalls(const std::string& function, int count = 1, int after = 0);
  void setCreationDelayFrames(std::uint64_t frames);
  void setOmitFacilityEnd(bool omit);
  // A simulator slow to answer: each dispatch hands over at most one message,
  // and only after this many dispatches that handed over none (0: all at once).
  void setDispatchPace(int emptyPasses);

  // Time and events.
  void stepFrames(std::uint64_t count = 1);
  void startFrames(double perSecond);  // raises frames on a thread of its own
  void stopFrames();
  std::uint64_t frameCount() const;
  // Waits until frame number `frame` has been raised; false on the time limit.
  bool waitForFrame(std::uint64_t frame, std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
  void setSimRunning(bool running);    // "Sim" event 1 or 0
  void flightLoaded();                 // "FlightLoaded"
  void newFlightFile();                // file name event
  void quit();                         // quit message, then the connections close
  void disconnect();                   // every connection lost at once
  void injectException(std::uint32_t number, std::uint32_t sendId = 0, std::uint32_t index = 0);
  void cullObject(std::uint32_t id);   // the simulator removes an AI object by itself

  // The user aircraft.
  void setUserPose(const Pose& pose);
  void setUserPosition(double latitude, double longitude, double altitudeFt);
  void setUserOnGround(bool onGround);
  void setUserGroundVelocity(double knots);
  void setUserTitleModel(const std::string& title, const std::string& model);
  void setZulu(std::int64_t year, std::int64_t dayOfYear, double secondsOfDay);
  void setPaused(bool paused);

  // Inspection.
  std::vector<SimObject> objects() const;  // AI objects by id
  std::optional<SimObject> object(std::uint32_t id) const;
  SimObject user() const;
  std::vector<CallRecord> calls() const;
  std::size_t countCalls(const std::string& function) const;
  double groundElevationAt(double latitude, double longitude) const;
  bool isConnected(const std::string& client) const;
  // Waits (without polling) until every connection's messages were handed to
  // its dispatch and no dispatch runs; false on the time limit.
  bool waitUntilDispatched(std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
  // Waits until `function` has been called at least count times; false on the time limit.
  bool waitForCalls(const std::string& function, std::size_t count,
                    std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

  // The API's side; see sim_api.h.
  simconnect::Result open(simconnect::Handle& handle, std::string_view name);
  simconnect::Result close(simconnect::Handle handle);
  simconnect::Result dispatch(simconnect::Handle handle, simconnect::DispatchProc proc, void* context);
  simconnect::Result lastPacketId(simconnect::Handle handle, std::uint32_t& packetId);
  simconnect::Result subscribe(simconnect::Handle handle, std::uint32_t eventId, std::string_view name);
  simconnect::Result mapEvent(simconnect::Handle handle, std::uint32_t eventId, std::string_view name);
  simconnect::Result addToGroup(simconnect::Handle handle, std::uint32_t groupId, std::uint32_t eventId);
  simconnect::Result groupPriority(simconnect::Handle handle, std::uint32_t groupId, std::uint32_t priority);
  simconnect::Result addToDefinition(simconnect::Handle handle, std::uint32_t defineId, std::string_view variable,
                                     std::string_view units, simconnect::DataType type);
  simconnect::Result requestData(simconnect::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                 std::uint32_t objectId, simconnect::Period period);
  simconnect::Result requestDataByType(simconnect::Handle handle, std::uint32_t requestId, std::uint32_t defineId,
                                       std::uint32_t radiusMeters, simconnect::ObjectType type);
  simconnect::Result setData(simconnect::Handle handle, std::uint32_t defineId, std::uint32_t objectId,
                             std::uint32_t arrayCount, std::uint32_t unitSize, const void* data);
  simconnect::Result transmitEvent(simconnect::Handle handle, std::uint32_t objectId, std::uint32_t eventId,
                                   std::uint32_t data);
  simconnect::Result createAircraft(simconnect::Handle handle, std::string_view title, std::string_view tail,
                                    const simconnect::InitPosition& position, std::uint32_t requestId);
  simconnect::Result removeObject(simconnect::Handle handle, std::uint32_t objectId, std::uint32_t requestId);
  simconnect::Result releaseControl(simconnect::Handle handle, std::uint32_t objectId, std::uint32_t requestId);
  simconnect::Result setFlightPlan(simconnect::Handle handle, std::uint32_t objectId, std::string_view path,
                                   std::uint32_t requestId);
  simconnect::Result addToFacilityDefinition(simconnect::Handle handle, std::uint32_t defineId,
                                             std::string_view field);
  simconnect::Result requestFacilityData(simconnect::Handle handle, std::uint32_t defineId, std::uint32_t requestId,
                                         std::string_view icao);

  ~Emulator();

  struct Field {
    std::string variable;
    std::string units;
    simconnect::DataType type = simconnect::DataType::Float64;
    int code = 0;  // the Variable, looked up once at declaration
  };
  struct PeriodicRequest {
    std::uint32_t requestId = 0, defineId = 0, objectId = 0;
  };
  struct PendingCreation {
    simconnect::Connection* connection = nullptr;
    std::uint64_t dueFrame = 0;
    std::string title, tail;
    simconnect::InitPosition position;
    std::uint32_t requestId = 0, packetId = 0;
  };

private:
  Emulator() = default;
  using Lock = std::unique_lock<std::mutex>;

  // Checks the handle and failure injection, assigns a packet id and records the call.
  simconnect::Result begin(simconnect::Handle handle, const char* function, CallRecord call);
  void queue(simconnect::Connection& connection, const void* record, std::size_t size);
  void queueException(simconnect::Connection& connection, simconnect::ExceptionId number, std::uint32_t sendId,
                      std::uint32_t index = 0);
  void queueSystemEvent(const std::string& name, std::uint32_t data, std::uint32_t objectId = 0);
  void queueObjectData(simconnect::Connection& connection, simconnect::RecvId id, std::uint32_t requestId,
                       std::uint32_t defineId, const SimObject& object, std::uint32_t entry, std::uint32_t outOf);
  SimObject* findObject(std::uint32_t id);  // the user too
  void stepOneFrame();
  void completeCreations();
  void runScript();
  void updateGround(SimObject& object) const;
  void accountFor(SimObject& object, const char* change = nullptr);
  void accountQuit();
  double groundAt(double latitude, double longitude) const;
  void queueFacilities(simconnect::Connection& connection, std::uint32_t requestId, const WorldAirport& airport);
  bool anyPending() const;
  void tracePoses();

  mutable std::mutex mutex_;
  mutable std::condition_variable idle_;
  World world_;
  Options options_;
  int failOpens_ = 0;
  struct CallFailures {
    int after = 0;  // calls still let through
    int count = 0;  // calls to fail then
  };
  std::map<std::string, CallFailures> failCalls_;
  bool omitFacilityEnd_ = false;
  int dispatchPace_ = 0;
  bool paused_ = false;
  std::uint64_t frame_ = 0;
  std::uint64_t tracedTenth_ = 0;  // the last tenth of a second whose poses were traced
  double zuluSeconds_ = 0.0;
  std::int64_t zuluYear_ = 2024, zuluDay_ = 1;
  std::size_t scriptNext_ = 0;
  SimObject user_;
  std::map<std::uint32_t, SimObject> objects_;
  std::map<std::string, std::set<std::uint32_t>> accounted_;  // the objects seen in each activity
  bool accountClosed_ = false;                                // the quit's summary was the last line
  std::uint32_t nextObjectId_ = 2;
  std::vector<PendingCreation> creations_;
  std::vector<CallRecord> calls_;
  std::vector<std::unique_ptr<simconnect::Connection>> connections_;  // kept so stale handles stay valid
  int dispatching_ = 0;
  std::jthread frameThread_;
};

} // namespace gwr::simemu

namespace gwr::simconnect {

// One client connection of the emulator; all fields are guarded by its mutex.
struct Connection {
  std::string name;
  bool open = true;      // false after Close
  bool lost = false;     // disconnected: every call fails
  bool closing = false;  // quit sent: lost once its messages are handed over
  std::uint32_t packetCount = 0;
  std::deque<std::vector<std::uint64_t>> messages;  // 8-byte aligned records
  int emptyDispatches = 0;                           // since the last message, while paced
  std::map<std::uint32_t, std::string> systemEvents;  // subscribed id -> name
  std::map<std::uint32_t, std::string> clientEvents;  // mapped id -> simulator event
  std::map<std::uint32_t, std::vector<std::uint32_t>> groups;
  std::map<std::uint32_t, std::uint32_t> groupPriorities;
  std::map<std::uint32_t, std::vector<simemu::Emulator::Field>> definitions;
  std::map<std::uint32_t, std::vector<std::string>> facilityDefinitions;
  std::vector<simemu::Emulator::PeriodicRequest> everySecond;
};

} // namespace gwr::simconnect
