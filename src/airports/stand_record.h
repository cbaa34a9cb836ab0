// One parking stand of the park airport and the flights seen at it (stand
// options), with the option operations stand learning calls.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "airports/half_hours.h"
#include "refdata/ac_category.h"
#include "refdata/livery_key.h"

namespace gwr {

struct StandOption {
  LivKey codes;
  std::string registration;  // never empty in an option that is written
  std::string callsign1;
  std::string callsign2;
  HalfHours hours;
  std::uint32_t index = 0;     // 1-based within the stand; 0 = dropped
  std::uint32_t day = 0;       // 1..7
  std::uint32_t fromFile = 0;  // 1 = from the airport's own file
  std::uint32_t real = 1;      // 0 = soft
  std::uint8_t cpl = 0;        // seen completing a parking or leaving the stand
};

struct OptionAdded {
  std::uint32_t index = 0;
  bool added = false;
};

struct StandRecord {
  // heading in radians; radius in metres as the file holds it.
  StandRecord(std::string standId, std::vector<StandOption> standOptions, double lat, double lon, double headingRad,
              double radiusMetres, std::int16_t standType, bool isCargo, bool isRamp, bool isHeli);

  std::vector<StandOption> options;
  std::string id;
  std::vector<std::uint32_t> overlaps;  // numbers of the stands overlapping this one
  double latitude = 0.0;   // degrees
  double longitude = 0.0;  // degrees
  double heading = 0.0;    // radians
  double radius = 0.0;     // nautical miles
  std::uint32_t number = 0;  // 1..n once the table is complete
  std::int16_t type = 0;     // the simulator's parking type 0..15
  std::uint8_t manual = 0;
  std::uint8_t radius_change = 0;
  std::uint8_t cargo_change = 0;
  // Runtime only, never in a file.
  std::uint8_t staticOccupied = 0;
  std::uint8_t liveAssigned = 0;
  std::uint8_t reserved = 0;
  std::uint8_t blocked = 0;
  std::uint8_t cargo = 0;
  std::uint8_t ramp = 0;
  std::uint8_t heli = 0;

  bool fitsSizeCategory(AcCategory category) const;

  // Throws std::out_of_range for a half-hour of 48 or more.
  OptionAdded addOption(LivKey codes, WeekTime now, std::string callsign, const std::string& registration,
                        std::uint8_t cpl);
  void addOptionCallsign(std::uint32_t index, std::string callsign);
  // Sets the slots, taken from the back, in the option's hours.
  bool updateOptions(std::vector<std::uint32_t>& slots, std::uint32_t index);
  // The same for a stay over midnight: the slots up to 47 go to the old
  // option, the rest but the last to the new one. slots must not be empty.
  bool updateOptionsWrapped(std::vector<std::uint32_t>& slots, std::uint32_t oldIndex, std::uint32_t newIndex);

  StandOption* findOption(std::uint32_t index);
};

// Bumped on every added option; the main window shows it.
extern std::uint32_t standUpdateCount;

} // namespace gwr
