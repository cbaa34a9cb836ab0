// The TCP link to RealTraffic: the program listens, RealTraffic connects and
// receives the user aircraft's position and the simulator's clock as lines.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "traffic/simclient/user_aircraft.h"

namespace gwr {

inline constexpr std::string_view versionRequestLine = "Qs999=version\r\n";
inline constexpr std::string_view goodbyeLine = "exit\r\n";
inline constexpr std::size_t linkReceiveBytes = 16384;

extern std::atomic<bool> realTrafficConnected;
// Set at load and by the restart reset; the first handshake clears it.
extern std::atomic<bool> beforeFirstConnection;

// Opens the listening socket on 127.0.0.1's port (the port text; "0" picks a
// free one); throws std::runtime_error naming the failed step.
void lf_listenForRealTraffic(const std::string& port);
// The port listened on; 0 when not listening.
std::uint16_t gf_realTrafficPort();
// Waits for RealTraffic; true when a client is now connected. Returns false
// at once when connected already, and when the listener is closed.
bool lf_acceptRealTraffic();
// The first connection of a run: accept, version request and one reply.
void lf_connectRealTraffic();
// One line out; false (and the link dropped) when the send fails.
bool sendDataPacket(std::string_view text);
// One receive: empty on error, end of stream or overrun.
std::string lf_receiveFromRealTraffic();
// "Qs121=..." with CR LF from the user state.
std::string gf_userPositionLine(const UserState& user);
// The user position line every 20 ticks; re-connects after a lost link,
// clearing the live traffic when it is lost.
void lf_sendUserPosition();
void lf_sendSimTime(std::int64_t seconds);
// "exit" when connected, then both sockets closed; a waiting accept ends.
void lf_closeRealTrafficLink();

// The feed's fresh start for a new link: QNH, time stamp, callsigns, stop flags.
void lf_resetFeedForLink();

} // namespace gwr
