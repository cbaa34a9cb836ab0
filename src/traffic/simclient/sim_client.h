// The SimClient thread: opens the main simulator connection, declares what the
// program uses, and pumps the connection's messages until it is stopped.
#pragma once

#include <cstdint>
#include <stop_token>

#include "platform/sim/sim_api.h"

namespace gwr {

inline constexpr const char* simClientName = "Gatewright";

// The thread body; every way out after a connection reports the disconnect.
void lf_simClientThread(std::stop_token stop);

// The declarations of events, group and data definitions, in their order.
// Throws std::runtime_error naming the call that failed.
void lf_setupSimConnect(simconnect::Handle handle);
// One client event into the AI objects' notification group, maskable.
void lf_addClientEventToGroup(simconnect::Handle handle, std::uint32_t eventId);

// The dispatch callback. No exception leaves it: the first one is kept and
// rethrown by lf_pumpSimConnect on the SimClient thread.
void lf_dispatchSimConnect(const simconnect::RecvHeader* message, std::uint32_t size, void* context);

// One CallDispatch on the main connection; throws what a handler threw, and
// false when the connection is lost.
bool lf_pumpSimConnect();

void onRecvOpen(const simconnect::RecvOpen& message);
void onRecvException(const simconnect::RecvException& message);

void lf_closeSimConnect(simconnect::Handle& handle);

// The run's remembered disconnect report; reset when a client thread starts.
bool lf_disconnectReported();

} // namespace gwr
