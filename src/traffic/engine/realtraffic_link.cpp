// RealTraffic's TCP link over the platform sockets: listening, accepting with
// the version handshake, the position and time lines, and the re-connection.
#include "traffic/engine/realtraffic_link.h"

#include <fmt/format.h>

#include <charconv>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "core/clock.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "platform/net/socket_error.h"
#include "platform/net/tcp_deadline.h"
#include "platform/net/tcp_socket.h"
#include "traffic/engine/engine_constants.h"
#include "traffic/engine/link_log.h"
#include "traffic/engine/link_peers.h"
#include "traffic/engine/live_removal.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/reader_threads.h"

namespace gwr {

std::atomic<bool> realTrafficConnected{false};
std::atomic<bool> beforeFirstConnection{true};

namespace {

constexpr double pitchScale = -100000.0, bankScale = 100000.0, feetScale = 1000.0, knotsScale = 1000.0;
constexpr const char* programName = "Gatewright";

LinkTimeLimits timeLimits = defaultLinkTimeLimits;

platform::TcpListener listener;
platform::TcpConnection client;  // traffic thread; closed by whoever closes the link
WaitingPeers waitingPeers;
// A close (from any thread) and the taking of a client exclude each other, so
// that a closed link never takes one.
std::mutex linkMutex;
std::atomic<bool> linkOpen{false};  // listening and not closed since

void setIndicator(bool on) {
  gf_mainWindow().realTrafficDetailsShown.store(on);
  gf_repaintReaders();
}

// The live traffic goes when RealTraffic goes: active ones are removed, queued
// ones taken out of the queues.
void clearLiveTraffic() {
  auto& live = trafficEngine.live;
  for (LiveAc& ac : live) {
    if (ac.sim.simState == AcSimState::Active || ac.sim.simState == AcSimState::Adding2Sim) gf_removeLiveAc(ac);
  }
  gf_eraseLiveWhere([](const LiveAc& ac) { return ac.sim.removedWhileQueued; });
}

std::string errorText(std::int32_t code) { return gf_winsockErrorText(code); }

// A peer that answers and leaves again, over and over, must not fill the log.
void lf_noticeCounted(LinkLogKind kind, const std::string& text) {
  setStatusText(text, false);
  gf_logLink(kind, text);
}

// Takes the peer that answered the version request as the client, unless the
// link closed meanwhile; `announce` runs while no close can come between.
bool lf_takeClient(const std::function<void()>& announce) {
  if (realTrafficConnected.load() || !linkOpen.load()) return false;
  platform::TcpConnection answered = waitingPeers.round(listener, timeLimits.handshake, gf_stopping());
  if (!answered.valid()) return false;
  const std::lock_guard lock(linkMutex);
  if (!linkOpen.load()) return false;  // the answered peer closes with its object
  client = std::move(answered);
  realTrafficConnected.store(true);
  if (announce) announce();
  return true;
}

} // namespace

void gf_setLinkTimeLimits(const LinkTimeLimits& limits) { timeLimits = limits; }

void lf_resetFeedForLink() {
  trafficReader.resetFeed();
  trafficReader.stopFlag.store(false);
  qnhReader.stopFlag.store(false);
  qnhReader.resetFeed();
  trafficReader.receivingLatch.store(true);
  qnhReader.receivingLatch.store(true);
}

void lf_listenForRealTraffic(const std::string& port) {
  // The port text as getaddrinfo takes a service: decimal digits only.
  std::uint16_t number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (error != std::errc() || end != port.data() + port.size()) {
    throw std::runtime_error(fmt::format("getaddrinfo failed with error {}", platform::wsaTypeNotFound));
  }
  // Few connections queue at the port: the link takes them while it waits
  // for RealTraffic; a client beyond them has its connection attempt dropped
  // and tries again. The link serves only a RealTraffic on this PC, so the
  // rest of the network cannot reach it.
  const std::lock_guard lock(linkMutex);
  const auto result = listener.listenSteps(platform::Ipv4Address::loopback(), number, linkListenBacklog, false);
  if (result.ok()) {
    linkOpen.store(true);
    return;
  }
  // The listener closed itself; the message names the call that failed.
  const std::string text = errorText(result.error);
  switch (result.step) {
    case platform::SocketStep::socket: throw std::runtime_error("socket failed with error " + text);
    case platform::SocketStep::blocking: throw std::runtime_error("ioctlsocket failed with error " + text);
    case platform::SocketStep::reuseAddress: throw std::runtime_error("setsockopt(SO_REUSEADDR) failed");
    case platform::SocketStep::bind: throw std::runtime_error("Bind failed at port " + port + " with error " + text);
    case platform::SocketStep::listen:
    case platform::SocketStep::noDelay: break;
  }
  throw std::runtime_error("listen failed with error " + text);
}

std::uint16_t gf_realTrafficPort() { return listener.valid() ? listener.localPort() : 0; }

bool lf_acceptRealTraffic() { return lf_takeClient({}); }

void lf_connectRealTraffic() {
  if (!realTrafficOnThisPc.load()) return;
  setStatusText(fmt::format("Waiting for RealTraffic to connect to {} ...", programName), true);
  lf_resetFeedForLink();
  // Every connection is asked at once and looked at again each slice, so
  // RealTraffic behind silent or closing peers is taken as soon as it answers.
  const auto announce = [] {
    setIndicator(true);
    beforeFirstConnection.store(false);
    gf_log("RealTraffic connected");
  };
  while (!gf_stopping() && listener.valid() && !lf_takeClient(announce)) {
    gf_flushLinkLog();
    // A failed accept leaves the connection waiting: the listener stays
    // readable, and only a pause keeps the loop from spinning.
    if (waitingPeers.acceptFailing()) {
      std::this_thread::sleep_for(linkWaitSlice);
    } else {
      platform::gf_waitForConnection(listener, linkWaitSlice);
    }
  }
  clearStatusText();
}

bool sendDataPacket(std::string_view text) {
  const auto result = platform::gf_sendAllWithin(client, text, timeLimits.send);
  if (result.ok()) return true;
  if (!gf_stopping())
    gf_logLink(LinkLogKind::sendFailed, fmt::format("sendDataPacket to RealTraffic failed: {}", errorText(result.error)));
  realTrafficConnected.store(false);
  client.close();
  if (!gf_stopping()) gf_logLink(LinkLogKind::clientClosed, "RealTraffic client socket closed");
  return false;
}

std::string gf_userPositionLine(const UserState& u) {
  return fmt::format("Qs121={:.0f};{:.0f};{:.6f};{:.0f};{:.0f};{:.6f};{:.6f}\r\n", u.pitch * pitchScale,
                     u.bank * bankScale, u.heading, u.indicatedAltitude * feetScale, u.groundVelocity * knotsScale,
                     u.latitude * radiansPerDegree, u.longitude * radiansPerDegree);
}

void lf_sendUserPosition() {
  const UserState& user = trafficEngine.user;
  if (!realTrafficOnThisPc.load() || !gf_knownUserPosition(user)) return;
  gf_flushLinkLog();
  if (!realTrafficConnected.load()) {
    if (!gf_stopping()) {
      lf_takeClient([] {
        setIndicator(true);
        lf_noticeCounted(LinkLogKind::reconnected, fmt::format("{} RealTraffic re-connected", gf_nowTimeOfDay()));
        clearStatusText();
      });
    }
    return;
  }
  if (sendDataPacket(gf_userPositionLine(user))) return;
  setIndicator(false);
  if (!quitRequested.load()) clearLiveTraffic();
  lf_resetFeedForLink();
  lf_noticeCounted(LinkLogKind::gone,
                   fmt::format("{} RealTraffic gone? Wait for RealTraffic to re-connect ...", gf_nowTimeOfDay()));
}

void lf_sendSimTime(std::int64_t seconds) {
  if (!realTrafficConnected.load() || seconds < 1) return;
  sendDataPacket(fmt::format("Qs123={}\r\n", seconds * 1000));
}

void lf_closeRealTrafficLink() {
  const std::lock_guard lock(linkMutex);
  const bool wasOpen = linkOpen.exchange(false);
  if (realTrafficConnected.load()) sendDataPacket(goodbyeLine);
  realTrafficConnected.store(false);
  listener.close(true);
  waitingPeers.closeAll();
  client.close(true);
  // Lines held back now would otherwise go unsummed, or be summed in the next run.
  gf_endLinkLog();
  // The indicator is the link's only while it listens (else it stands for a
  // RealTraffic elsewhere).
  if (wasOpen) setIndicator(false);
}

} // namespace gwr
