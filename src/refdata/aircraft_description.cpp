// Building the aircraft description from its identity, the per-category
// table, and the text forms that label an aircraft in the log.
#include "refdata/aircraft_description.h"

#include <array>
#include <stdexcept>

#include <fmt/format.h>

#include "core/random.h"
#include "core/text_utils.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

constexpr std::size_t maxCallsignLength = 8;
constexpr std::string_view placeholderCallsign = "@@@@@@@@";
constexpr std::size_t airlinePrefixLength = 3;

// The third angle is kept in radians: 0.15 degrees = 0.002617993877991494.
constexpr std::array<CategoryValues, acCategoryCount> categoryTable{{
    {250, 250, 100, 200, -9.0, -15.0, 0.15},   // Light
    {300, 300, 200, 250, -8.0, -18.0, 0.10},   // Buzjets
    {400, 350, 200, 300, -6.0, -16.5, 0.07},   // Large
    {450, 450, 250, 400, -5.0, -12.5, 0.05},   // Heavy
    {150, 150, 100, 200, -6.0, -20.0, 0.10},   // HighPerf
    {100, 100, 100, 100, -20.0, -30.0, 0.20},  // Rotorcraft
}};

bool lf_isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

const CategoryValues& gf_categoryValues(AcCategory category) {
  const std::size_t slot = gf_categorySlot(category);
  if (slot >= categoryTable.size()) throw std::out_of_range("invalid unordered_map<K, T> key");
  return categoryTable[slot];
}

AcDescription::AcDescription(const AcIdentity& identity) : AcIdentity(identity) {
  halfWingspan = gf_halfWingspan(key.model);
  // Looked up again by code so that a wrong model code takes its fix.
  category = gf_modelCategory(gf_modelIndex(gf_modelCode(key.model)));
  const CategoryValues& values = gf_categoryValues(category);
  flareSteps = values.flareSteps;
  touchdownSteps = values.touchdownSteps;
  rotationSteps = values.rotationSteps;
  climbSteps = values.climbSteps;
  rotationPitch = gf_randomVariation(values.rotationPitchDeg, rotationPitchVariationPercent) * radiansPerDegree;
  climbPitch = gf_randomVariation(values.climbPitchDeg, climbPitchVariationPercent) * radiansPerDegree;
  pitchStep = values.pitchStepDeg * radiansPerDegree;
}

std::string AcIdentity::callsignText() const { return fmt::format("{:8}", callsign); }

std::string AcIdentity::routeText() const {
  if (origin.empty() && destination.empty()) return std::string(8, ' ');
  return fmt::format("{:3}->{:3}", origin, destination);
}

std::string AcIdentity::flightText() const {
  return fmt::format("{} {:12} {}", callsignText(), registration, routeText());
}

std::string AcIdentity::fullText() const { return fmt::format("{} {}", flightText(), keyText()); }

std::string AcIdentity::shortText() const {
  return fmt::format("{} {} {}", callsignText(), registration, keyText());
}

std::string AcIdentity::keyRegText() const { return keyText() + " " + registration; }

bool AcIdentity::hasValidCallsign() const {
  return !callsign.empty() && callsign != placeholderCallsign && callsign.size() <= maxCallsignLength;
}

std::optional<std::string> gf_callsignAirline(const std::string& callsign) {
  if (callsign.size() < airlinePrefixLength + 1) return std::nullopt;
  for (std::size_t i = 0; i < airlinePrefixLength; ++i)
    if (!lf_isAsciiLetter(callsign[i])) return std::nullopt;
  const char fourth = callsign[airlinePrefixLength];
  if (fourth < '0' || fourth > '9') return std::nullopt;
  return gf_upperAscii(std::string_view(callsign).substr(0, airlinePrefixLength));
}

} // namespace gwr
