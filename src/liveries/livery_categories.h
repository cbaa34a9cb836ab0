// The per-category livery summary in Log.txt, the category model lists, and
// the categories switched off for this run because no livery is installed.
#pragma once

#include <cstdint>
#include <vector>

#include "refdata/ac_category.h"

namespace gwr {

inline constexpr std::size_t modelCodesPerLine = 20;

// Logs the category's livery counts and model codes, sets its model list
// (Light, Buzjets, Rotorcraft) to those models in ascending order and enables
// or disables its check box. A category without liveries whose setting is on
// is switched off for this run only: the stored setting is left as the user
// chose it.
void gf_logCategorySummary(AcCategory category);

// "{} model{} have a generic livery" and their codes, or "No generic
// liveries"; reads GenericAirlineIndex.
void gf_logGenericLiveries();

// Logs the codes 20 to a line.
void gf_logModelCodes(const std::vector<std::uint16_t>& models);

// False when the category was switched off for this run because no livery of
// it is installed. The traffic tests this together with the category's setting.
bool gf_categoryHasLiveries(AcCategory category);

// A new build of the tables decides afresh (called when they are cleared).
void gf_resetCategorySwitches();

} // namespace gwr
