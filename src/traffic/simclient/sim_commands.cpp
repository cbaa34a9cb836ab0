// The command queues and the frame handler that empties them into the
// simulator once a frame, plus the feedback queue back to the traffic thread.
#include "traffic/simclient/sim_commands.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <unordered_set>

#include "core/clock.h"
#include "core/exit_reason.h"
#include "core/log.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "traffic/simclient/sim_client_constants.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/sim_ids.h"

namespace gwr {

static_assert(offsetof(AiPosition, objectId) == aiPositionBlockBytes, "the position block must come first");

simconnect::Handle simHandle = nullptr;
std::mutex simCommandMutex;
std::atomic<bool> simRunning{false};
std::atomic<bool> simDisconnecting{false};
std::atomic<std::uint32_t> userObjectId{0};

namespace {

// Guarded by simCommandMutex.
std::vector<AiPosition> positionBuffers[2];
std::vector<AiPosition>* sendBuffer = &positionBuffers[0];
std::vector<AiEvent> eventQueue;
std::vector<AiCreateRequest> creationQueue;
std::vector<std::uint32_t> removalQueue;
std::unordered_set<std::uint32_t> removeWhenCreatedHexids;

// The traffic thread's buffer: only it touches the fill buffer.
std::vector<AiPosition>* fillBuffer = &positionBuffers[1];

// SimClient thread only.
std::vector<PendingCreate> pendingCreates;
std::vector<std::uint32_t> addedObjects;
std::uint32_t creationSequence = 0;

std::mutex feedbackMutex;
std::vector<SimFeedback> feedbackQueue;

void createAiAircraft(const AiCreateRequest& request) {
  const std::uint32_t requestId = creationRequestBase + (++creationSequence);
  auto result = simconnect::AICreateNonATCAircraft(simHandle, request.title, request.tailNumber, request.position,
                                                   requestId);
  if (!simconnect::succeeded(result)) {
    gf_logError(fmt::format("! Simcon call to create ac in sim failed, hexid:{}, liv: '{}', callsign: {})",
                            request.hexid, request.title, request.tailNumber));
    lf_simConnectRequestError();
    return;
  }
  std::uint32_t packetId = 0;
  if (!simconnect::succeeded(simconnect::GetLastSentPacketID(simHandle, packetId))) {
    gf_logError("GetLastSentPacketID");
    packetId = 0;
  }
  pendingCreates.push_back({packetId, request.hexid, request.tailNumber, requestId, 0});
}

void removeAiObject(std::uint32_t objectId) {
  if (objectId <= userObjectId.load()) {
    gf_logError(fmt::format("SimConnect call to remove ac with objectid {}", gf_objectIdText(objectId)));
    return;
  }
  if (!simconnect::succeeded(simconnect::AIRemoveObject(simHandle, objectId, RemoveObjectRequest))) {
    gf_logError(fmt::format("{} !SimConnect call to remove AI ac from sim failed, id {}?", gf_nowTimeOfDay(),
                            gf_objectIdText(objectId)));
    lf_simConnectRequestError();
  }
}

// A release that fails ends the run like any other failed call.
void releaseControl(std::uint32_t objectId) {
  if (!simconnect::succeeded(simconnect::AIReleaseControl(simHandle, objectId, ReleaseControlRequest))) {
    lf_simConnectRequestError();
  }
}

void sendEvent(const AiEvent& event) {
  const bool flaps = event.eventId == FlapsSet;
  if (flaps) releaseControl(event.objectId);
  auto result = simconnect::TransmitClientEvent(simHandle, event.objectId, event.eventId, event.data,
                                                aiNotificationGroup, 0);
  if (!simconnect::succeeded(result)) {
    setStatusText(fmt::format("SimConnect TransmitClientEvent: {} fails", event.eventId), true);
    return;
  }
  if (flaps) releaseControl(event.objectId);
}

} // namespace

void gf_prepareSimConnectQueues() {
  std::lock_guard lock(simCommandMutex);
  for (auto* queue : {&positionBuffers[0], &positionBuffers[1]}) {
    queue->clear();
    queue->reserve(simQueueReserve);
  }
  eventQueue.clear();
  creationQueue.clear();
  creationQueue.reserve(simQueueReserve);
  removalQueue.clear();
  removalQueue.reserve(simQueueReserve);
  removeWhenCreatedHexids.clear();
  pendingCreates.clear();
  pendingCreates.reserve(simQueueReserve);
  addedObjects.clear();
  addedObjects.reserve(simQueueReserve);
  // A new run starts as the first: its request ids and buffers as at start.
  creationSequence = 0;
  sendBuffer = &positionBuffers[0];
  fillBuffer = &positionBuffers[1];
  {
    std::lock_guard feedbackLock(feedbackMutex);
    feedbackQueue.clear();
  }
  simDisconnecting.store(false);
}

void gf_queueCreateRequest(const AiCreateRequest& request) {
  std::lock_guard lock(simCommandMutex);
  creationQueue.push_back(request);
}

void gf_queueAiEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data) {
  std::lock_guard lock(simCommandMutex);
  eventQueue.push_back({objectId, eventId, data});
}

void gf_queueRemoval(std::uint32_t objectId) {
  std::lock_guard lock(simCommandMutex);
  removalQueue.push_back(objectId);
}

void gf_engineAutoStart(std::uint32_t objectId) { gf_queueAiEvent(objectId, EngineAutoStart, 0); }
void gf_engineAutoShutdown(std::uint32_t objectId) { gf_queueAiEvent(objectId, EngineAutoShutdown, 0); }

void gf_setLights(std::uint32_t objectId, const LightValues& l) {
  std::lock_guard lock(simCommandMutex);
  for (auto [eventId, value] : {std::pair{NavLightsSet, l.nav}, {BeaconLightsSet, l.beacon}, {LandingLightsSet, l.landing},
                                {TaxiLightsSet, l.taxi}, {StrobesSet, l.strobes}, {LogoLightsSet, l.logo},
                                {CabinLightsSet, l.cabin}}) {
    eventQueue.push_back({objectId, eventId, value});
  }
}

void gf_setNavLights(std::uint32_t objectId, std::uint32_t value) { gf_queueAiEvent(objectId, NavLightsSet, value); }
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) { gf_queueAiEvent(objectId, CabinLightsSet, value); }

void gf_releaseAndFreeze(std::uint32_t objectId) {
  std::lock_guard lock(simCommandMutex);
  releaseControl(objectId);
  for (auto eventId : {FreezeLatitudeLongitudeSet, FreezeAltitudeSet, FreezeAttitudeSet}) {
    eventQueue.push_back({objectId, eventId, 1});
  }
}

bool gf_dropQueuedCreations(std::vector<AiCreateRequest>& queue, std::uint32_t hexid) {
  return std::erase_if(queue, [hexid](const AiCreateRequest& r) { return r.hexid == hexid; }) > 0;
}

void gf_removeWhenCreated(std::uint32_t hexid) {
  std::lock_guard lock(simCommandMutex);
  removeWhenCreatedHexids.insert(hexid);
}

bool lf_takeRemoveWhenCreated(std::uint32_t hexid) {
  std::lock_guard lock(simCommandMutex);
  return removeWhenCreatedHexids.erase(hexid) > 0;
}

std::vector<AiPosition>& gf_positionFillBuffer() { return *fillBuffer; }

bool gf_swapPositionBuffers() {
  std::unique_lock lock(simCommandMutex, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  std::swap(sendBuffer, fillBuffer);
  fillBuffer->clear();
  return true;
}

void gf_clearPositionBuffers() {
  std::lock_guard lock(simCommandMutex);
  sendBuffer->clear();
  fillBuffer->clear();
}

void onRecvFrame() {
  std::unique_lock lock(simCommandMutex, std::try_to_lock);
  if (!lock.owns_lock()) return;
  if (simDisconnecting.load()) {
    sendBuffer->clear();
    eventQueue.clear();
    creationQueue.clear();
    removalQueue.clear();
    return;
  }
  const std::uint32_t user = userObjectId.load();
  for (const auto& p : *sendBuffer) {
    if (p.objectId <= user) continue;
    simconnect::SetDataOnSimObject(simHandle, AiPositionDefinition, p.objectId, 0, 0, aiPositionBlockBytes, &p);
  }
  sendBuffer->clear();
  for (const auto& event : eventQueue) sendEvent(event);
  eventQueue.clear();
  for (const auto& request : creationQueue) createAiAircraft(request);
  creationQueue.clear();
  for (auto objectId : removalQueue) removeAiObject(objectId);
  removalQueue.clear();
}

std::vector<PendingCreate>& lf_pendingCreates() { return pendingCreates; }
std::vector<std::uint32_t>& lf_addedObjects() { return addedObjects; }

void gf_postFeedback(const SimFeedback& feedback) {
  std::lock_guard lock(feedbackMutex);
  feedbackQueue.push_back(feedback);
}

void gf_reserveFeedbackQueue(std::size_t count) {
  std::lock_guard lock(feedbackMutex);
  feedbackQueue.reserve(count);
}

void gf_takeFeedback(std::vector<SimFeedback>& out) {
  out.clear();
  std::lock_guard lock(feedbackMutex);
  out.swap(feedbackQueue);
}

void lf_simConnectRequestError() {
  setStatusText("SimConnect request error", true);
  simDisconnecting.store(true);
  gf_requestStop(ExitReason::SimConnectError, simErrorRestartSeconds);
}

QueueSizes gf_queueSizesForTests() {
  std::lock_guard lock(simCommandMutex);
  return {sendBuffer->size(), eventQueue.size(), creationQueue.size(), removalQueue.size()};
}

} // namespace gwr
