// The work queues between the traffic thread and the SimClient thread: the
// command mutex, positions, events, creations, removals, and the feedback queue.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_api.h"

namespace gwr {

// One AI object's position for one frame; the first eight fields are the
// 64-byte data block of the AI position definition.
struct AiPosition {
  double latitude = 0.0;
  double longitude = 0.0;
  double pitch = 0.0;
  double bank = 0.0;
  double heading = 0.0;
  double altitude = 0.0;
  double verticalSpeed = 0.0;  // feet per second
  double trueAirspeed = 0.0;   // knots
  std::uint32_t objectId = 0;
};
inline constexpr std::uint32_t aiPositionBlockBytes = 64;

struct AiEvent {
  std::uint32_t objectId = 0;
  std::uint32_t eventId = 0;
  std::uint32_t data = 0;
};

struct AiCreateRequest {
  simconnect::InitPosition position;
  std::string tailNumber;      // the callsign given to the object
  std::string_view title;      // into the livery tables, which outlive every request
  std::uint32_t hexid = 0;     // above 10000 live, else static
};

// A creation sent and not yet identified.
struct PendingCreate {
  std::uint32_t packetId = 0;
  std::uint32_t hexid = 0;
  std::string callsign;
  std::uint32_t requestId = 0;  // the creation's own request id
  std::uint32_t objectId = 0;   // 0 until the simulator names it
};

enum class FeedbackKind : std::uint32_t {
  LiveCreated = 0, StaticCreated = 1, Removed = 2, GroundData = 3, StaticCg = 4, Blocked = 5, CreationFailed = 6,
};

struct SimFeedback {
  std::uint32_t objectId = 0;
  std::uint32_t value = 0;  // the hexid, or the on-ground flag for ground data
  std::uint32_t reserved = 0;
  FeedbackKind kind = FeedbackKind::LiveCreated;
  double first = 0.0;
  double second = 0.0;
};

// The main connection; written by the SimClient thread under the command mutex.
extern simconnect::Handle simHandle;
extern std::mutex simCommandMutex;
extern std::atomic<bool> simRunning;
extern std::atomic<bool> simDisconnecting;
extern std::atomic<std::uint32_t> userObjectId;

// Reserves the queues, empties them, clears simDisconnecting; before the thread starts.
void gf_prepareSimConnectQueues();

// Producers, from any thread; each holds the command mutex for the append only.
void gf_queueCreateRequest(const AiCreateRequest& request);
void gf_queueAiEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data);
void gf_queueRemoval(std::uint32_t objectId);
void gf_engineAutoStart(std::uint32_t objectId);
void gf_engineAutoShutdown(std::uint32_t objectId);
struct LightValues {
  std::uint32_t nav = 0, beacon = 0, landing = 0, taxi = 0, strobes = 0, logo = 0, cabin = 0;
};
void gf_setLights(std::uint32_t objectId, const LightValues& lights);
void gf_setNavLights(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);
// A new AI object: control released at once and its three freezes queued, under one lock.
void gf_releaseAndFreeze(std::uint32_t objectId);

// Takes the requests of hexid out of a traffic creation queue, keeping the
// order of the others; true when one was taken.
bool gf_dropQueuedCreations(std::vector<AiCreateRequest>& queue, std::uint32_t hexid);

// The creation of hexid was sent already: remove its object once identified.
void gf_removeWhenCreated(std::uint32_t hexid);
// SimClient thread: true (and forgotten) when hexid's object must go at once.
bool lf_takeRemoveWhenCreated(std::uint32_t hexid);

// The traffic thread's side of the position double buffer: fill it each tick,
// then swap; the swap only try-locks and empties the new fill buffer.
std::vector<AiPosition>& gf_positionFillBuffer();
bool gf_swapPositionBuffers();
// Empties both buffers, waiting for the client's frame: a paused flight sends nothing.
void gf_clearPositionBuffers();

// The frame handler (SimClient thread): sends everything queued, never waits.
void onRecvFrame();

// Pending creations and the added-object list: SimClient thread only.
std::vector<PendingCreate>& lf_pendingCreates();
std::vector<std::uint32_t>& lf_addedObjects();

void gf_postFeedback(const SimFeedback& feedback);
// Traffic thread: moves every posted record into out (emptied first).
void gf_takeFeedback(std::vector<SimFeedback>& out);
// Room for count records in the queue; the drain swaps it with the taker's vector.
void gf_reserveFeedbackQueue(std::size_t count);

// The common reaction to a failed call: notice, simDisconnecting, SIMCONNECT ERROR.
void lf_simConnectRequestError();

// Tests and the bench: the sizes of the queues still waiting for a frame.
struct QueueSizes {
  std::size_t positions = 0, events = 0, creations = 0, removals = 0;
};
QueueSizes gf_queueSizesForTests();

} // namespace gwr
