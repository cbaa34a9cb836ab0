// The aircraft description: who an aircraft is (AcIdentity), its category,
// half wingspan, per-category take-off and climb values, and its livery.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/fixed_code.h"
#include "core/geo.h"  // radiansPerDegree
#include "refdata/ac_category.h"
#include "refdata/livery_key.h"

namespace gwr {

// The identity head shared by the traffic record, the description and the
// static aircraft records.
struct AcIdentity {
  LivKey key;
  FixedCode<3> origin;       // empty when unknown
  FixedCode<3> destination;  // empty when unknown
  std::uint8_t trafficFlag = 0;  // kept for the live-traffic part
  std::string callsign;
  std::string callsignCopy;  // kept for the live-traffic part
  std::string spareText;     // kept for the live-traffic part
  std::string registration;

  std::string keyText() const { return key.keyText(); }
  std::string callsignText() const;  // "{:8}"
  std::string routeText() const;     // "AMS->LHR"; eight blanks without either
  std::string flightText() const;    // callsign, registration padded to 12, route
  std::string fullText() const;      // flightText and keyText: the log label
  std::string shortText() const;     // callsign, registration, keyText
  std::string keyRegText() const;    // keyText, a blank, the registration

  // Not empty, not the placeholder of eight '@', at most 8 characters.
  bool hasValidCallsign() const;
};

// Per-category values: pitch step counts in 10 ms traffic ticks, angles in
// degrees (negative = nose up).
struct CategoryValues {
  std::int32_t flareSteps;
  std::int32_t touchdownSteps;
  std::int32_t rotationSteps;
  std::int32_t climbSteps;
  double rotationPitchDeg;
  double climbPitchDeg;
  double pitchStepDeg;
};

inline constexpr double rotationPitchVariationPercent = 2.5;
inline constexpr double climbPitchVariationPercent = 5.0;

// The values of a category; a value outside the enumeration throws
// std::out_of_range.
const CategoryValues& gf_categoryValues(AcCategory category);

struct AcDescription : AcIdentity {
  // Copies the identity, takes the model's half wingspan and category and
  // that category's values, the two pitches varied at random.
  explicit AcDescription(const AcIdentity& identity);

  double halfWingspan = 0.0;  // nm
  double groundCgHeight = 0.0;  // feet, set by the live-traffic part
  double groundPitch = 0.0;     // radians, set by the live-traffic part
  double rotationPitch = 0.0;   // radians
  double climbPitch = 0.0;      // radians
  double pitchStep = 0.0;       // radians per tick
  double groundTurnRate = 0.0;  // set by the live-traffic part
  double maxClimbPerTick = 0.0; // set by the live-traffic part
  double standSpeedKt = 0.0;    // set by the live-traffic part
  std::uint32_t hexId = 0;      // above 10000 live, up to 10000 static
  AcCategory category = AcCategory::Large;
  std::string_view livery;      // a title owned by the livery tables; empty = none
  std::int32_t flareSteps = 0;
  std::int32_t touchdownSteps = 0;
  std::int32_t rotationSteps = 0;
  std::int32_t climbSteps = 0;
  std::uint8_t fsltlLivery = 0;  // the title contains "FSLTL_"
};

// The airline designator in a callsign: its first three characters upper-
// cased when they are letters followed by a digit; else none.
std::optional<std::string> gf_callsignAirline(const std::string& callsign);

} // namespace gwr
