// The settings an airport's stand files change while the airport is in use:
// saving them, applying the learned file's values, and putting them back.
#pragma once

#include <pugixml.hpp>

#include "airports/park_stand_table.h"

namespace gwr {

ApfOverrides gf_currentApfSettings();
// Applies the settings the learned file gives, each checked and logged.
void gf_applyLearnedSettings(const pugi::xml_node& document);
// The quality factors of an airport file without a learned file steer
// PARK_SOFT, WEEK, MAX_FIT_FL; the airports table steers parking_percentage.
void gf_applyAirportFileSettings(const QualityFactors& qf, FixedCode<4> airport);

} // namespace gwr
