// The per-category livery summary in Log.txt, the category model lists, and
// the categories switched off because no livery of theirs is installed.
#pragma once

#include <cstdint>
#include <vector>

#include "refdata/ac_category.h"

namespace gwr {

inline constexpr std::size_t modelCodesPerLine = 20;

// Logs the category's livery counts and model codes, sets its model list
// (Light, Buzjets, Rotorcraft) to those models in ascending order and enables
// or disables its check box. A category without liveries whose setting is on
// (light, high-performance, helicopters) has the setting switched off and
// saved at once, so that the traffic intake leaves such aircraft out.
void gf_logCategorySummary(AcCategory category);

// "{} model{} have a generic livery" and their codes, or "No generic
// liveries"; reads GenericAirlineIndex.
void gf_logGenericLiveries();

// Logs the codes 20 to a line.
void gf_logModelCodes(const std::vector<std::uint16_t>& models);

} // namespace gwr
