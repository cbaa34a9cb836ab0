// The two RealTraffic readers of the process, their thread bodies and the
// watchdog that shows for each stream whether data is flowing.
#pragma once

#include <atomic>
#include <cstdint>

#include "traffic/feed/qnh_reader.h"
#include "traffic/feed/traffic_reader.h"

namespace gwr {

extern TrafficReader trafficReader;  // "Traffic Reader", port 49005
extern QnhReader qnhReader;          // "QNH Reader", port 49004

// True while RealTraffic runs on this computer: the readers bind 127.0.0.1
// and take every datagram; else any address, skipping repeats.
extern std::atomic<bool> realTrafficOnThisPc;

void lf_trafficReaderThread(std::uint16_t port, bool loopbackOnly);
void lf_qnhReaderThread(std::uint16_t port);

// One watchdog look at a reader: no datagram since the last look shows no
// data; the first datagrams after that show receiving again.
void lf_checkReader(UdpReader& reader);
// The watchdog: the QNH stream, then the traffic stream, while the window's
// RealTraffic indicator (`realTrafficDetailsShown`) is on.
void gf_checkReaders();

} // namespace gwr
