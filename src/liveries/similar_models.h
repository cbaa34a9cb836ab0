// Similar models: for each model, the other models of its similarity groups
// that have liveries, over all airlines and per airline.
#pragma once

#include <cstdint>
#include <vector>

#include "liveries/livery_tables.h"

namespace gwr {

using ModelList = std::vector<std::uint16_t>;

// model -> the other members of its group with liveries of any airline.
extern CodeIndexMap<ModelList> SimilarModelsWithLiveries;
// airline -> model it has no livery of -> similar models it has liveries of.
extern CodeIndexMap<CodeIndexMap<ModelList>> AirlineSimilarModels;

// Builds both maps from similarModelGroups and the livery tables, then logs
// "{:5} similar model definitions". airlines: gf_sortedAirlines().
void gf_buildSimilarModels(const std::vector<std::uint16_t>& airlines);

void gf_clearSimilarModels();

} // namespace gwr
