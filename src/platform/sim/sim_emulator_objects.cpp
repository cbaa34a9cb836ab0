// The emulated simulator's objects: the scripted user aircraft and the clock,
// inspection for tests, the ground under each object and the account of its activity.
#include "platform/sim/sim_emulator.h"
#include "platform/sim/sim_variables.h"

#include <algorithm>
#include <cmath>

namespace gwr::simemu {

using namespace simconnect;

// ---- user aircraft

void Emulator::setUserPose(const Pose& pose) {
  Lock lock(mutex_);
  user_.pose = pose;
}

void Emulator::setUserPosition(double latitude, double longitude, double altitudeFt) {
  Lock lock(mutex_);
  user_.pose.latitude = latitude;
  user_.pose.longitude = longitude;
  user_.pose.altitude = altitudeFt;
}

void Emulator::setUserOnGround(bool onGround) {
  Lock lock(mutex_);
  user_.onGround = onGround;
}

void Emulator::setUserGroundVelocity(double knots) {
  Lock lock(mutex_);
  user_.groundVelocity = knots;
}

void Emulator::setUserTitleModel(const std::string& title, const std::string& model) {
  Lock lock(mutex_);
  user_.title = title;
  user_.model = model;
}

void Emulator::setZulu(std::int64_t year, std::int64_t dayOfYear, double secondsOfDay) {
  Lock lock(mutex_);
  zuluYear_ = year;
  zuluDay_ = dayOfYear;
  zuluSeconds_ = secondsOfDay;
}

void Emulator::setPaused(bool paused) {
  Lock lock(mutex_);
  paused_ = paused;
}

// ---- inspection

std::vector<SimObject> Emulator::objects() const {
  Lock lock(mutex_);
  std::vector<SimObject> all;
  for (const auto& [id, o] : objects_) all.push_back(o);
  return all;
}

std::optional<SimObject> Emulator::object(std::uint32_t id) const {
  Lock lock(mutex_);
  if (auto it = objects_.find(id); it != objects_.end()) return it->second;
  return std::nullopt;
}

SimObject Emulator::user() const {
  Lock lock(mutex_);
  return user_;
}

std::vector<CallRecord> Emulator::calls() const {
  Lock lock(mutex_);
  return calls_;
}

std::size_t Emulator::countCalls(const std::string& function) const {
  Lock lock(mutex_);
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [&](const CallRecord& c) { return c.function == function; }));
}

bool Emulator::isConnected(const std::string& client) const {
  Lock lock(mutex_);
  return std::any_of(connections_.begin(), connections_.end(),
                     [&](const auto& c) { return c->name == client && c->open && !c->lost; });
}

double Emulator::groundElevationAt(double latitude, double longitude) const {
  Lock lock(mutex_);
  return groundAt(latitude, longitude);
}

double Emulator::groundAt(double latitude, double longitude) const {
  double best = airportGroundRadiusNm;
  double elevation = world_.groundElevationFt;
  for (const auto& a : world_.airports) {
    const double d = gf_distanceNm(latitude, longitude, a.latitude, a.longitude);
    if (d <= best) {
      best = d;
      elevation = a.elevationFt;
    }
  }
  return elevation;
}

void Emulator::updateGround(SimObject& o) const {
  o.onGround = o.pose.altitude - groundAt(o.pose.latitude, o.pose.longitude) <= o.cgToGroundFt + onGroundToleranceFt;
}

// A change of the object's activity, or the given one, goes to the account.
// The speed comes from the distance moved over at least half a second.
void Emulator::accountQuit() {
  if (!options_.account || accountClosed_) return;
  const auto seen = [this](const char* activity) {
    const auto found = accounted_.find(activity);
    return found == accounted_.end() ? std::size_t{0} : found->second.size();
  };
  options_.account("quits having seen " + std::to_string(seen("created")) + " objects created, " +
                   std::to_string(seen("landing")) + " landing, " + std::to_string(seen("standing")) +
                   " standing, " + std::to_string(seen("removed")) + " removed");
  accountClosed_ = true;
}

void Emulator::accountFor(SimObject& o, const char* change) {
  if (!options_.account || accountClosed_) return;
  std::string activity = change != nullptr ? change : o.activity;
  if (change == nullptr) {
    const std::uint64_t perSecond = std::max<std::uint64_t>(1, options_.framesPerSecond);
    const std::uint64_t frames = frame_ - o.speedSampleFrame;
    if (frames * 2 >= perSecond) {
      const double hours = static_cast<double>(frames) / static_cast<double>(perSecond) / 3600.0;
      const double knots = gf_distanceNm(o.speedSample.latitude, o.speedSample.longitude, o.pose.latitude,
                                         o.pose.longitude) / hours;
      o.speedSample = o.pose;
      o.speedSampleFrame = frame_;
      if (!o.onGround) activity = "flying";
      else if (o.activity == "flying") activity = "landing";
      else if (knots > runwayAboveKt) activity = "on the runway";
      else if (knots < standingBelowKt) activity = "standing";
      else if (knots > taxiingAboveKt && (o.activity != "on the runway" || knots < taxiingBelowKt)) activity = "taxiing";
    }
  } else {
    o.speedSample = o.pose;
    o.speedSampleFrame = frame_;
  }
  if (change == nullptr && activity == o.activity) return;
  o.activity = activity;
  accounted_[activity].insert(o.id);
  std::string line = "object " + std::to_string(o.id) + " " + o.tail + " " + activity;
  if (activity == "created") line += " as '" + o.title + "'";
  if (activity == "flying") line += " at " + std::to_string(static_cast<long>(std::lround(o.pose.altitude))) + " ft";
  options_.account(line);
}

SimObject* Emulator::findObject(std::uint32_t id) {
  if (id == userObjectIdRequest || id == user_.id) return &user_;
  auto it = objects_.find(id);
  return it == objects_.end() ? nullptr : &it->second;
}

} // namespace gwr::simemu
