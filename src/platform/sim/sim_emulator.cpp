// The emulated simulator's core: connections and their message queues, the
// frame clock with its due work, scripted commands and faults.
#include "platform/sim/sim_emulator.h"
#include "platform/sim/sim_variables.h"

#include <algorithm>
#include <cstring>

#include <fmt/format.h>

namespace gwr::simemu {

using namespace simconnect;

namespace {

constexpr std::uint32_t eventAddRemoveGroup = 0;
constexpr double secondsPerDay = 86400.0;
constexpr double secondsPerMinute = 60.0;

template <typename Record>
void setHeader(Record& record, RecvId id) {
  record.size = sizeof(Record);
  record.id = static_cast<std::uint32_t>(id);
}

} // namespace

Emulator& Emulator::instance() {
  static Emulator emulator;
  return emulator;
}

Emulator::~Emulator() { stopFrames(); }

void Emulator::reset(World world, Options options) {
  stopFrames();
  Lock lock(mutex_);
  for (auto& c : connections_) {
    c->lost = true;
    c->messages.clear();
  }
  world_ = std::move(world);
  options_ = std::move(options);
  failOpens_ = 0;
  failCalls_.clear();
  omitFacilityEnd_ = false;
  dispatchPace_ = 0;
  paused_ = false;
  frame_ = 0;
  tracedTenth_ = 0;
  scriptNext_ = 0;
  objects_.clear();
  accounted_.clear();
  accountClosed_ = false;
  creations_.clear();
  calls_.clear();
  nextObjectId_ = options_.userObjectId + 1;
  const auto& start = world_.user;
  user_ = SimObject{};
  user_.id = options_.userObjectId;
  user_.title = start.title;
  user_.model = start.model;
  user_.pose.latitude = start.latitude;
  user_.pose.longitude = start.longitude;
  user_.pose.altitude = start.altitudeFt;
  user_.pose.heading = start.headingDeg * radiansPerDegree;
  user_.onGround = start.onGround;
  zuluYear_ = start.zuluYear;
  zuluDay_ = start.zuluDayOfYear;
  zuluSeconds_ = start.zuluSeconds;
  idle_.notify_all();
}

Options Emulator::options() const {
  Lock lock(mutex_);
  return options_;
}

void Emulator::failNextOpens(int count) {
  Lock lock(mutex_);
  failOpens_ = count;
}

void Emulator::failNextCalls(const std::string& function, int count, int after) {
  Lock lock(mutex_);
  failCalls_[function] = CallFailures{after, count};
}

void Emulator::setCreationDelayFrames(std::uint64_t frames) {
  Lock lock(mutex_);
  options_.creationDelayFrames = frames;
}

void Emulator::setOmitFacilityEnd(bool omit) {
  Lock lock(mutex_);
  omitFacilityEnd_ = omit;
}

// ---- messages

void Emulator::queue(Connection& connection, const void* record, std::size_t size) {
  if (!connection.open || connection.lost) return;
  std::vector<std::uint64_t> storage((size + 7) / 8);
  std::memcpy(storage.data(), record, size);
  connection.messages.push_back(std::move(storage));
}

void Emulator::queueException(Connection& connection, ExceptionId number, std::uint32_t sendId, std::uint32_t index) {
  RecvException message;
  setHeader(message, RecvId::Exception);
  message.exception = static_cast<std::uint32_t>(number);
  message.sendId = sendId;
  message.index = index;
  queue(connection, &message, sizeof message);
}

void Emulator::queueSystemEvent(const std::string& name, std::uint32_t data, std::uint32_t objectId) {
  for (auto& c : connections_) {
    for (const auto& [eventId, subscribed] : c->systemEvents) {
      if (subscribed != name) continue;
      if (name == "ObjectAdded" || name == "ObjectRemoved") {
        RecvEventObjectAddRemove message;
        setHeader(message, RecvId::EventObjectAddRemove);
        message.groupId = eventAddRemoveGroup;
        message.eventId = eventId;
        message.data = objectId;
        message.objectType = static_cast<std::uint32_t>(ObjectType::Aircraft);
        queue(*c, &message, sizeof message);
      } else if (name == "Frame") {
        RecvEventFrame message;
        setHeader(message, RecvId::EventFrame);
        message.eventId = eventId;
        message.frameRate = static_cast<float>(options_.framesPerSecond);
        queue(*c, &message, sizeof message);
      } else {
        RecvEvent message;
        setHeader(message, RecvId::Event);
        message.eventId = eventId;
        message.data = data;
        queue(*c, &message, sizeof message);
      }
    }
  }
}

Result Emulator::begin(Handle handle, const char* function, CallRecord call) {
  if (handle == nullptr || !handle->open || handle->lost) return resultFail;
  call.client = handle->name;
  call.function = function;
  call.packetId = ++handle->packetCount;
  if (auto it = failCalls_.find(function); it != failCalls_.end()) {
    CallFailures& failures = it->second;
    if (failures.after > 0) {
      --failures.after;
    } else if (failures.count > 0) {
      --failures.count;
      call.failed = true;
    }
  }
  const bool failed = call.failed;
  if (options_.keepHistory) calls_.push_back(std::move(call));
  idle_.notify_all();
  return failed ? resultFail : resultOk;
}

// ---- connection

Result Emulator::open(Handle& handle, std::string_view name) {
  Lock lock(mutex_);
  handle = nullptr;
  calls_.push_back(CallRecord{std::string(name), "Open", 0, 0, 0, {}, 0, failOpens_ > 0});
  idle_.notify_all();
  if (failOpens_ > 0) {
    --failOpens_;
    return resultFail;
  }
  connections_.push_back(std::make_unique<Connection>());
  Connection& c = *connections_.back();
  c.name = std::string(name);
  RecvOpen message;
  setHeader(message, RecvId::Open);
  std::string app = options_.applicationName.empty() ? (options_.edition == 2024 ? "SunRise" : "KittyHawk")
                                                     : options_.applicationName;
  std::strncpy(message.applicationName, app.c_str(), applicationNameBytes - 1);
  message.applicationVersionMajor = options_.version[0];
  message.applicationVersionMinor = options_.version[1];
  message.applicationBuildMajor = options_.version[2];
  message.applicationBuildMinor = options_.version[3];
  queue(c, &message, sizeof message);
  handle = &c;
  return resultOk;
}

Result Emulator::close(Handle handle) {
  Lock lock(mutex_);
  if (handle == nullptr || !handle->open) return resultFail;
  calls_.push_back(CallRecord{handle->name, "Close", 0, 0, 0, {}, 0, false});
  handle->open = false;
  handle->messages.clear();
  idle_.notify_all();
  return resultOk;
}

Result Emulator::dispatch(Handle handle, DispatchProc proc, void* context) {
  Lock lock(mutex_);
  if (handle == nullptr || !handle->open || handle->lost) return resultFail;
  if (handle->closing && handle->messages.empty()) {
    handle->lost = true;
    idle_.notify_all();
    return resultFail;
  }
  std::deque<std::vector<std::uint64_t>> taken;
  if (dispatchPace_ == 0) {
    taken.swap(handle->messages);
  } else if (!handle->messages.empty() && handle->emptyDispatches++ >= dispatchPace_) {
    handle->emptyDispatches = 0;
    taken.push_back(std::move(handle->messages.front()));
    handle->messages.pop_front();
  }
  ++dispatching_;
  lock.unlock();
  struct Done {
    Emulator& e;
    ~Done() {
      Lock relock(e.mutex_);
      --e.dispatching_;
      e.idle_.notify_all();
    }
  } done{*this};
  for (const auto& storage : taken) {
    const auto* header = reinterpret_cast<const RecvHeader*>(storage.data());
    proc(header, header->size, context);
  }
  return resultOk;
}

Result Emulator::lastPacketId(Handle handle, std::uint32_t& packetId) {
  Lock lock(mutex_);
  if (handle == nullptr || !handle->open || handle->lost) return resultFail;
  packetId = handle->packetCount;
  return resultOk;
}

bool Emulator::anyPending() const {
  if (dispatching_ > 0) return true;
  return std::any_of(connections_.begin(), connections_.end(),
                     [](const auto& c) { return c->open && !c->lost && !c->messages.empty(); });
}

bool Emulator::waitUntilDispatched(std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return idle_.wait_for(lock, limit, [this] { return !anyPending(); });
}

bool Emulator::waitForCalls(const std::string& function, std::size_t count, std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return idle_.wait_for(lock, limit, [&] {
    return static_cast<std::size_t>(std::count_if(calls_.begin(), calls_.end(), [&](const CallRecord& c) {
             return c.function == function;
           })) >= count;
  });
}

// ---- time and events

void Emulator::stepFrames(std::uint64_t count) {
  Lock lock(mutex_);
  for (std::uint64_t i = 0; i < count; ++i) stepOneFrame();
}

void Emulator::stepOneFrame() {
  ++frame_;
  if (!paused_) {
    zuluSeconds_ += 1.0 / static_cast<double>(std::max<std::uint64_t>(1, options_.framesPerSecond));
    if (zuluSeconds_ >= secondsPerDay) {
      zuluSeconds_ -= secondsPerDay;
      ++zuluDay_;
    }
  }
  runScript();
  completeCreations();
  if (frame_ % std::max<std::uint64_t>(1, options_.framesPerSecond) == 0) {
    for (auto& c : connections_) {
      for (const auto& r : c->everySecond) {
        if (const SimObject* o = findObject(r.objectId)) queueObjectData(*c, RecvId::SimObjectData, r.requestId, r.defineId, *o, 0, 0);
      }
    }
  }
  tracePoses();
  queueSystemEvent("Frame", 0);
  idle_.notify_all();
}

void Emulator::tracePoses() {
  if (!options_.poseTrace) return;
  const std::uint64_t perSecond = std::max<std::uint64_t>(1, options_.framesPerSecond);
  const std::uint64_t tenth = frame_ * poseTracePerSecond / perSecond;
  if (tenth == tracedTenth_) return;
  tracedTenth_ = tenth;
  const double clock = options_.clockStartSeconds + static_cast<double>(frame_) / static_cast<double>(perSecond);
  std::string lines;
  const auto trace = [&](const SimObject& o, const std::string& callsign) {
    lines += fmt::format("{:.2f},{},{},{:.7f},{:.7f},{:.1f},{:.1f},{:.1f},{:.1f},{},{:.1f},{:.2f}\n", clock, o.id,
                         callsign, o.pose.latitude, o.pose.longitude, o.pose.altitude,
                         groundAt(o.pose.latitude, o.pose.longitude), o.cgToGroundFt,
                         o.pose.heading / radiansPerDegree, o.onGround ? 1 : 0, o.pose.verticalSpeed * secondsPerMinute,
                         (0.0 - o.pose.pitch) / radiansPerDegree);  // not "-0.00" when level
  };
  trace(user_, "");
  for (const auto& [id, o] : objects_) trace(o, o.tail);
  options_.poseTrace(lines);
}

void Emulator::completeCreations() {
  auto due = std::stable_partition(creations_.begin(), creations_.end(),
                                   [this](const PendingCreation& p) { return p.dueFrame > frame_; });
  std::vector<PendingCreation> ready(std::make_move_iterator(due), std::make_move_iterator(creations_.end()));
  creations_.erase(due, creations_.end());
  for (auto& p : ready) {
    if (!p.connection->open || p.connection->lost) continue;
    if (std::find(world_.titles.begin(), world_.titles.end(), p.title) == world_.titles.end()) {
      queueException(*p.connection, ExceptionId::CreateObjectFailed, p.packetId);
      continue;
    }
    if (objects_.size() >= options_.maxObjects) {
      queueException(*p.connection, ExceptionId::TooManyObjects, p.packetId);
      continue;
    }
    SimObject o;
    o.id = nextObjectId_++;
    o.title = p.title;
    o.tail = p.tail;
    o.pose = Pose{p.position.latitude, p.position.longitude, p.position.pitch * radiansPerDegree,
                  p.position.bank * radiansPerDegree, p.position.heading * radiansPerDegree, p.position.altitude,
                  0.0, static_cast<double>(p.position.airspeed)};
    o.cgToGroundFt = options_.defaultCgToGroundFt;
    o.staticPitchRad = options_.defaultStaticPitchRad;
    // Asked on the ground: on its wheels whatever altitude came with it.
    if (p.position.onGround != 0) o.pose.altitude = groundAt(o.pose.latitude, o.pose.longitude) + o.cgToGroundFt;
    o.poseHistory.push_back(o.pose);
    updateGround(o);
    const std::uint32_t id = o.id;
    objects_.emplace(id, std::move(o));
    RecvAssignedObjectId assigned;
    setHeader(assigned, RecvId::AssignedObjectId);
    assigned.requestId = p.requestId;
    assigned.objectId = id;
    queue(*p.connection, &assigned, sizeof assigned);
    queueSystemEvent("ObjectAdded", 0, id);
    accountFor(objects_.at(id), "created");
  }
}

void Emulator::runScript() {
  while (scriptNext_ < world_.script.size() && world_.script[scriptNext_].frame <= frame_) {
    const auto& step = world_.script[scriptNext_++];
    auto value = [&step](std::size_t i) { return i < step.values.size() ? step.values[i] : 0.0; };
    if (step.command == "position") {
      user_.pose.latitude = value(0);
      user_.pose.longitude = value(1);
      user_.pose.altitude = value(2);
    } else if (step.command == "onground") {
      user_.onGround = value(0) != 0.0;
    } else if (step.command == "groundspeed") {
      user_.groundVelocity = value(0);
    } else if (step.command == "pause") {
      paused_ = value(0) != 0.0;
    } else if (step.command == "sim") {
      queueSystemEvent("Sim", value(0) != 0.0 ? 1 : 0);
    } else if (step.command == "flightloaded") {
      queueSystemEvent("FlightLoaded", 0);
    } else if (step.command == "newfile") {
      for (auto& c : connections_) {
        RecvEventFilename message;
        setHeader(message, RecvId::EventFilename);
        queue(*c, &message, sizeof message);
      }
    } else if (step.command == "quit") {
      accountQuit();
      RecvHeader message;
      setHeader(message, RecvId::Quit);
      for (auto& c : connections_) {
        queue(*c, &message, sizeof message);
        c->closing = true;
      }
    } else if (step.command == "disconnect") {
      for (auto& c : connections_) c->lost = true;
    }
  }
}

void Emulator::startFrames(double perSecond) {
  stopFrames();
  const auto period = std::chrono::duration<double>(1.0 / std::max(perSecond, 1.0));
  frameThread_ = std::jthread([this, period](std::stop_token stop) {
    auto next = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
      stepFrames(1);
      next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
  });
}

void Emulator::stopFrames() {
  if (frameThread_.joinable()) {
    frameThread_.request_stop();
    frameThread_.join();
  }
}

std::uint64_t Emulator::frameCount() const {
  Lock lock(mutex_);
  return frame_;
}

bool Emulator::waitForFrame(std::uint64_t frame, std::chrono::milliseconds limit) const {
  Lock lock(mutex_);
  return idle_.wait_for(lock, limit, [&] { return frame_ >= frame; });
}

// Script commands run through the same steps as the direct calls below.
void Emulator::setSimRunning(bool running) {
  Lock lock(mutex_);
  queueSystemEvent("Sim", running ? 1 : 0);
}

void Emulator::flightLoaded() {
  Lock lock(mutex_);
  queueSystemEvent("FlightLoaded", 0);
}

void Emulator::newFlightFile() {
  Lock lock(mutex_);
  world_.script.insert(world_.script.begin() + static_cast<std::ptrdiff_t>(scriptNext_), ScriptStep{frame_, "newfile", {}});
  runScript();
}

void Emulator::quit() {
  Lock lock(mutex_);
  world_.script.insert(world_.script.begin() + static_cast<std::ptrdiff_t>(scriptNext_), ScriptStep{frame_, "quit", {}});
  runScript();
}

void Emulator::disconnect() {
  Lock lock(mutex_);
  for (auto& c : connections_) c->lost = true;
  idle_.notify_all();
}

void Emulator::injectException(std::uint32_t number, std::uint32_t sendId, std::uint32_t index) {
  Lock lock(mutex_);
  for (auto& c : connections_) queueException(*c, static_cast<ExceptionId>(number), sendId, index);
}

void Emulator::cullObject(std::uint32_t id) {
  Lock lock(mutex_);
  auto it = objects_.find(id);
  if (it == objects_.end()) return;
  accountFor(it->second, "removed");
  objects_.erase(it);
  queueSystemEvent("ObjectRemoved", 0, id);
}

} // namespace gwr::simemu
