// The hand-over of traffic records from the traffic reader thread to the
// traffic thread: a bounded first-in-first-out queue and its accepting flag.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "traffic/feed/traffic_record.h"

namespace gwr {

// Guards trafficRecordQueue, trafficAccepting and the drop count.
extern std::mutex trafficRecordMutex;
extern std::deque<TrafficRecord> trafficRecordQueue;
// Records are queued only while set (the flight runs).
extern bool trafficAccepting;

// Appends record while accepting; when the queue holds trafficQueueLimit
// records the oldest is dropped and counted, and the first drop of a burst
// is logged. False when the record was discarded (not accepting).
bool gf_queueTrafficRecord(TrafficRecord&& record);

// Records dropped because the queue was full, since the start of the process.
std::uint64_t gf_droppedTrafficRecords();

} // namespace gwr
