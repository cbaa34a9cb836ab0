// The SimClient thread: open with retry, the declarations, the dispatch loop
// with its message handlers, and the one way out that reports the disconnect.
#include "traffic/simclient/sim_client.h"

#include <fmt/format.h>

#include <cctype>
#include <condition_variable>
#include <exception>
#include <string>
#include <thread>
#include <utility>
#include <cmath>
#include <cstring>

#include "core/exit_reason.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "core/user_error.h"
#include "traffic/simclient/sim_client_constants.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/sim_commands.h"
#include "traffic/simclient/sim_ids.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

using simconnect::RecvId;

std::exception_ptr handlerError;  // SimClient thread only
bool disconnectReported = false;  // SimClient thread only
// A user error that is not about the simulator's edition: the thread ends
// with its error shown but reports no lost simulator; the simulator is still
// there, and the run's next request fails and restarts the run.
bool endWithoutReport = false;    // SimClient thread only

template <typename Record>
const Record& as(const simconnect::RecvHeader& message) {
  return static_cast<const Record&>(message);
}

void reportDisconnect(bool otherEdition) {
  if (disconnectReported) return;
  simRunning.store(false);
  disconnectReported = true;
  gf_reportSimDisconnect(otherEdition);
}

void newFlight() {
  lf_saveUserStand();
  gf_requestStop(ExitReason::NewFlight, 0);
}

void onRecvEvent(const simconnect::RecvEvent& event) {
  if (event.eventId == SimEvent) {
    const bool running = event.data == 1;
    simRunning.store(running);
    gf_mainWindow().flightRunning.store(running);
    gf_repaintBand(statusBand);
  } else if (event.eventId == FlightLoadedEvent) {
    gf_log("SimConnect: flight loaded event");
    newFlight();
  }
}

void onRecvObjectAddRemove(const simconnect::RecvEventObjectAddRemove& event) {
  if (event.objectType != static_cast<std::uint32_t>(simconnect::ObjectType::Aircraft)) return;
  if (event.eventId == ObjectAddedEvent) {
    if (event.data > userObjectId.load()) lf_addedObjects().push_back(event.data);
  } else if (event.eventId == ObjectRemovedEvent) {
    gf_postFeedback({event.data, 0, 0, FeedbackKind::Removed, 0.0, 0.0});
  }
}

void handleMessage(const simconnect::RecvHeader& message) {
  switch (static_cast<RecvId>(message.id)) {
    case RecvId::Exception: onRecvException(as<simconnect::RecvException>(message)); break;
    case RecvId::Open: onRecvOpen(as<simconnect::RecvOpen>(message)); break;
    case RecvId::Quit: simRunning.store(false); break;
    case RecvId::Event: onRecvEvent(as<simconnect::RecvEvent>(message)); break;
    case RecvId::EventObjectAddRemove: onRecvObjectAddRemove(as<simconnect::RecvEventObjectAddRemove>(message)); break;
    case RecvId::EventFilename:
      gf_logError("SimConnect: New file event");
      newFlight();
      break;
    case RecvId::EventFrame: onRecvFrame(); break;
    case RecvId::SimObjectData: onRecvSimObjectData(as<simconnect::RecvSimObjectData>(message)); break;
    case RecvId::SimObjectDataByType: onRecvSimObjectDataByType(as<simconnect::RecvSimObjectData>(message)); break;
    case RecvId::AssignedObjectId: onRecvAssignedObjectId(as<simconnect::RecvAssignedObjectId>(message)); break;
    case RecvId::ClientData:
    case RecvId::EventEx1: break;
    default: gf_log(fmt::format("! Unknown Dispatch dwID {}", message.id));
  }
}

// Sleeps until the deadline or the stop; false when stopped.
bool pauseUntil(std::chrono::steady_clock::time_point deadline, std::stop_token stop) {
  std::mutex m;
  std::condition_variable_any cv;
  std::unique_lock lock(m);
  return !cv.wait_until(lock, stop, deadline, [] { return false; });
}

bool openWithRetry(std::stop_token stop) {
  for (bool first = true;; first = false) {
    if (gf_stopping() || stop.stop_requested()) return false;
    if (first) setStatusText(fmt::format("Waiting for MSFS 20{} ...", SimEdition.load() ? "20" : "24"), true);
    {
      std::lock_guard lock(simCommandMutex);
      lf_closeSimConnect(simHandle);
    }
    simconnect::Handle opened = nullptr;
    if (simconnect::succeeded(simconnect::Open(opened, simClientName, 0))) {
      std::lock_guard lock(simCommandMutex);
      simHandle = opened;
      return true;
    }
    pauseUntil(std::chrono::steady_clock::now() + simOpenRetryDelay, stop);
  }
}

// The catch arms of the thread; each way out names why in the log.
void handleThreadError(std::stop_token stop) {
  try {
    throw;
  } catch (const UserErrorException& e) {
    const std::string text = e.what()[0] != '\0' ? e.what() : "Unknown exception";
    if (text.size() >= 4 && text.starts_with("2024")) {
      gf_log(fmt::format("MSFS and {} do not match, restarting ...", simClientName));
      reportDisconnect(true);
      return;
    }
    setStatusError(text);
    if (!text.starts_with("791")) {
      endWithoutReport = true;
      return;
    }
    pauseUntil(std::chrono::steady_clock::now() + simError791Wait, stop);
    reportDisconnect(false);
  } catch (const std::exception& e) {
    setStatusError(e.what());
    reportDisconnect(false);
  } catch (...) {
    setStatusError("Exception in SimClient");
    reportDisconnect(false);
  }
}

void cleanUp() {
  try {
    lf_saveUserStand();
    gf_mainWindow().simulatorConnected.store(false);
    gf_repaintBand(statusBand);
  } catch (...) {
  }
}

} // namespace

bool lf_disconnectReported() { return disconnectReported; }

void lf_dispatchSimConnect(const simconnect::RecvHeader* message, std::uint32_t, void*) {
  if (handlerError || message == nullptr) return;  // the rest of a batch after a failure waits for nobody
  try {
    handleMessage(*message);
  } catch (...) {
    handlerError = std::current_exception();
  }
}

bool lf_pumpSimConnect() {
  const bool alive = simconnect::succeeded(simconnect::CallDispatch(simHandle, &lf_dispatchSimConnect, nullptr));
  if (handlerError) std::rethrow_exception(std::exchange(handlerError, nullptr));
  return alive;
}

void lf_simClientThread(std::stop_token stop) {
  disconnectReported = false;
  endWithoutReport = false;
  handlerError = nullptr;
  bool connected = false;
  try {
    if (openWithRetry(stop)) {
      connected = true;
      lf_setupSimConnect(simHandle);
      while (!stop.stop_requested()) {
        if (!lf_pumpSimConnect()) {
          gf_logError("SimConnect connection lost");
          reportDisconnect(false);
          break;
        }
        pauseUntil(std::chrono::steady_clock::now() + simDispatchPause, stop);
      }
    }
  } catch (...) {
    handleThreadError(stop);
  }
  if (connected) {
    // Closing down stops the thread on purpose, and a shown user error ends it
    // without a report; every other way out is a lost simulator.
    const bool stopped = stop.stop_requested() && !disconnectReported;
    if (!stopped && !endWithoutReport) reportDisconnect(false);
    gf_log(stopped            ? "SimClient ends: stopped"
           : endWithoutReport ? "SimClient ends: error shown"
                              : "SimClient ends: simulator connection ended");
  }
  cleanUp();
  std::lock_guard lock(simCommandMutex);
  lf_closeSimConnect(simHandle);
}

void onRecvOpen(const simconnect::RecvOpen& message) {
  std::string name(message.applicationName, strnlen(message.applicationName, simconnect::applicationNameBytes));
  if (name.empty()) {
    gf_log("! Simulator name empty?");
    return;
  }
  gf_mainWindow().simulatorConnected.store(true);
  gf_repaintBand(statusBand);
  std::erase_if(name, [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return !std::isalnum(u) && !std::isspace(u);
  });
  const bool edition2020 = SimEdition.load();
  std::string simName;
  if (name == "KittyHawk") {
    if (!edition2020) throw UserErrorException(2024, "");
    simName = "MSFS 2020";
  } else if (name == "SunRise") {
    if (edition2020) throw UserErrorException(2024, "");
    simName = "MSFS 2024";
  } else {
    throw UserErrorException(77, fmt::format("'{}' not being MSFS 2020 or MSFS 2024 connects ... ?", name));
  }
  const auto version = fmt::format("{} ({}.{}.{}.{})", simName, message.applicationVersionMajor,
                                   message.applicationVersionMinor, message.applicationBuildMajor,
                                   message.applicationBuildMinor);
  gf_log(fmt::format("{} connected", version));
  gf_showStatusText(StatusText::simulator, version);
  clearStatusText();
}

void onRecvException(const simconnect::RecvException& message) {
  using simconnect::ExceptionId;
  switch (static_cast<ExceptionId>(message.exception)) {
    case ExceptionId::UnrecognizedId: {
      const auto user = gf_userStateCopy();
      if ((std::abs(user.latitude) > unknownPositionDeg || std::abs(user.longitude) > unknownPositionDeg) &&
          !gf_stopping()) {
        gf_logError("SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID");
      }
      break;
    }
    case ExceptionId::VersionMismatch:
      throw UserErrorException(95, fmt::format("SimConnect Version Mismatch, dwIndex: {}", message.index));
    case ExceptionId::TooManyObjects: setStatusText("SimConnect: too many objects (max 1000)", true); break;
    case ExceptionId::InvalidDataSize: gf_log("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE"); break;
    case ExceptionId::CreateObjectFailed: {
      auto& pending = lf_pendingCreates();
      for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].packetId != message.sendId) continue;
        const std::uint32_t hexid = pending[i].hexid;
        pending[i] = std::move(pending.back());
        pending.pop_back();
        // Hexid 0 is a static aircraft's too: without the report it would
        // wait for its object for ever and keep its stand.
        lf_takeRemoveWhenCreated(hexid);
        gf_postFeedback({0, hexid, 0, FeedbackKind::CreationFailed, 0.0, 0.0});
        break;
      }
      break;
    }
    case ExceptionId::LoadFlightplanFailed: gf_logError("SimConnect exception: load flight plan failed"); break;
    case ExceptionId::OperationInvalidForObjectType:
      gf_log("SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE");
      break;
    default: gf_logError(fmt::format("SIMCONNECT_EXCEPTION #{}", message.exception));
  }
}

void lf_closeSimConnect(simconnect::Handle& handle) {
  if (handle == nullptr) return;
  if (simconnect::succeeded(simconnect::Close(handle))) {
    gf_log("SimConnect closed ok");
  } else {
    gf_logError("Closing SimConnect failed?!");
  }
  handle = nullptr;
}

} // namespace gwr
