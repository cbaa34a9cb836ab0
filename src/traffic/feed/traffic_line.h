// The traffic line parser: RealTraffic's comma-separated aircraft report
// turned into a TrafficRecord, with its filters and the altitude correction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "traffic/feed/traffic_reader.h"
#include "traffic/feed/traffic_record.h"

namespace gwr {

// Field indexes of the traffic line.
enum TrafficField : std::size_t {
  fHexid = 1, fLatitude = 2, fLongitude = 3, fAltitude = 4, fVerticalSpeed = 5, fTrack = 7,
  fGroundSpeed = 8, fCallsign = 9, fType = 10, fRegistration = 11, fOrigin = 12, fDestination = 13,
  fTimestamp = 14, fSource = 17, fTrueAirspeed = 20, fRoll = 23, fTrueHeading = 25, fCategory = 28,
};

// Parses the reader's field views and queues at most one record. Malformed
// lines are logged as "exception in processLineSub: {}" and counted; never throws.
void processLineSub(TrafficReader& reader);

// Field 4 corrected for QNH and tested for the ground; false rejects the line.
// Needs the record's ground speed. Throws on a malformed altitude.
bool lf_correctAltitude(TrafficReader& reader, TrafficRecord& record);
// Sets the record's callsign from field 9; false rejects the line.
bool lf_filterCallsign(TrafficReader& reader, TrafficRecord& record);

// The type filter: false for no type, a balloon/glider-like category or a
// non-aircraft type code.
bool gf_isAircraft(std::string_view type, std::string_view category);
bool gf_isNonAircraftType(std::string_view type);

// The true air speed assumed for an altitude in feet when none is reported.
double gf_defaultTrueAirspeed(double altitudeFt);

} // namespace gwr
