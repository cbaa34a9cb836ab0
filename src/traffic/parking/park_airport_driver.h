// The park-airport driver: choosing the park airport from the user's list and
// position, reading its stand file, leaving it, and the engine's parking work.
#pragma once

#include <atomic>
#include <string>

#include "core/fixed_code.h"
#include "core/geo.h"

namespace gwr {

// The window's "Re-read" button; the 5-second work takes it.
extern std::atomic<bool> reReadRequested;

// Set once an airport is chosen until its file has been read.
extern bool parkReadPending;
// A destination entered in the window keeps the list's order.
extern bool destinationEntered;

// At the loop's start (atStart) and every 16 s.
void lf_parkAirportDriver(bool atStart);
// Empty on success, else why the park airport's file could not be read.
std::string lf_readParkedFile();
// Removes the parked aircraft, saves what was learned and empties the table.
void gf_leaveParkAirport();

// The "Re-read": the list again and, with withStand, a changed reserved stand
// of the park airport taken at once. False when the list had bad lines.
bool gf_rereadParkAirports(bool withStand, std::string& notice);
// A destination entered in the window becomes the list's front entry.
void gf_setDestinationAirport(FixedCode<4> code, const LatLon& position);

// The window's (or the start-up's) destination, handed to the traffic thread:
// the list is the traffic thread's, so the change waits for its next driver
// run or 5-second work. A later request replaces one not yet taken.
void gf_requestDestinationAirport(FixedCode<4> code, const LatLon& position);
// Traffic thread: applies a waiting destination; true when there was one.
bool lf_takeDestinationRequest();

// Distance of the list's front entry from the user aircraft in nm, for the
// automatic range on any thread; noParkAirportNm while the list is empty.
inline constexpr double noParkAirportNm = 10000.0;
extern std::atomic<double> firstParkAirportNm;

// The engine's hooks for stand choice, learning and static parking (the
// other hooks stay as they are).
void gf_installParking();

} // namespace gwr
