// The TCP link to RealTraffic: the program listens, RealTraffic connects and
// receives the user aircraft's position and the simulator's clock as lines.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "traffic/engine/engine_constants.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {

inline constexpr std::string_view versionRequestLine = "Qs999=version\r\n";
inline constexpr std::string_view goodbyeLine = "exit\r\n";
inline constexpr std::size_t linkReceiveBytes = 16384;

// How long the link may wait (the defaults and why: engine_constants.h).
struct LinkTimeLimits {
  std::chrono::milliseconds send{linkSendLimit};
  std::chrono::milliseconds handshake{linkHandshakeLimit};
};
inline constexpr LinkTimeLimits defaultLinkTimeLimits{};
// Tests shorten them; set before the link is used.
void gf_setLinkTimeLimits(const LinkTimeLimits& limits);

extern std::atomic<bool> realTrafficConnected;
// Set at load and by the restart reset; the first handshake clears it.
extern std::atomic<bool> beforeFirstConnection;

// Opens the listening socket on the port (the port text; "0" picks a free
// one) of all addresses; throws std::runtime_error naming the failed step.
// The socket never blocks and queues few connections: the link takes them.
void lf_listenForRealTraffic(const std::string& port);
// The port listened on; 0 when not listening.
std::uint16_t gf_realTrafficPort();
// One look at the port without waiting: connections that arrived are asked
// for their version, and the first that answered within the handshake time
// becomes the client. True when a client is now connected; false at once
// when connected already, and when the listener is closed.
bool lf_acceptRealTraffic();
// The first connection of a run: waits until a client answered the version
// request, the listener is closed or the program stops. A closed link never
// takes a client, nor says it did.
void lf_connectRealTraffic();
// One line out; false (and the link dropped) when the send fails or the peer
// does not take it within the send time.
bool sendDataPacket(std::string_view text);
// "Qs121=..." with CR LF from the user state.
std::string gf_userPositionLine(const UserState& user);
// The user position line every 20 ticks; clears the live traffic when the
// link is lost, and looks for RealTraffic coming back while it is.
void lf_sendUserPosition();
void lf_sendSimTime(std::int64_t seconds);
// "exit" when connected, then both sockets closed; a waiting accept ends, the
// RealTraffic indicator goes off, and the link's held-back lines are summed up.
void lf_closeRealTrafficLink();

// The feed's fresh start for a new link: the pressure 1013 in every holder (the
// window too), time stamp, callsigns, stop flags.
void lf_resetFeedForLink();

} // namespace gwr
