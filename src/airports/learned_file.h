// Reading an airport's learned file on top of its stand table: the user's
// settings for the airport, changed stands, hand-made stands, learned flights.
#pragma once

#include <filesystem>
#include <string>

#include <pugixml.hpp>

#include "airports/apf_data.h"

namespace gwr {

struct LearnedStand {
  std::string id;
  pugi::xml_node parkpos;
  bool oldFile = false;  // written before flights were kept per stand
};

// Applies the file to table; on any error the table stays as it was before
// the call (settings already applied stay) and the error is logged.
void lf_readLearned(const std::filesystem::path& path, const ApfHeader& header, StandTable& table, bool& handmade);

// True when stand is the learned stand; then its changes and flights are taken.
bool lf_mergeLearnedStand(const LearnedStand& learned, StandRecord& stand);

} // namespace gwr
