// The park airport's stand table and its header, read from the airport's
// stand file and its learned file; owned by the traffic thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "airports/apf_data.h"
#include "airports/quality_factors.h"
#include "core/fixed_code.h"

namespace gwr {

// The settings an airport's files may override, saved at reading.
struct ApfOverrides {
  std::int32_t MAX_LIVE_SEL = 0;
  std::int32_t MAX_FIT = 0;
  std::int32_t RANGE = 0;
  std::int32_t parking_percentage = 0;
  bool AUTO_RANGE = false;
  bool INITIAL_LOAD_ONLY = false;
  bool PARK_SOFT = false;
  bool WEEK = false;
};

// Traffic thread only, except standTableReady.
extern StandTable standTable;
extern ApfHeader apfHeader;
extern bool apfHandmade;                 // the airport's file or its learned file is handmade
extern std::uint32_t RT_traffic_week;    // 0 when the file does not give it
extern ApfOverrides apfOverrides;
extern FixedCode<4> parkAirportCode;     // empty while no park airport is set
extern std::int32_t fieldElevationFt;    // the park airport's altitude
extern bool fieldElevationValid;
extern std::atomic<bool> standTableReady;

inline constexpr std::string_view parkAirportFileName = "park_airport.xml";

// Reads the park airport's stand file (path as gf_locateApf gives it) and its
// learned file into table. Empty on success, else why it failed; a failed
// read leaves the table empty. UserErrorException passes through.
std::string gf_readApf(const std::string& path, ApfHeader& header, QualityFactors& qf, StandTable& table);

void gf_clearStands(StandTable& table);

// Puts back the settings saved in apfOverrides where they differ.
void gf_restoreApfParameters();

// Numbers the stands 1..n and lists, per stand, the stands overlapping it.
void gf_numberStandsAndFindOverlaps(StandTable& table);

} // namespace gwr
