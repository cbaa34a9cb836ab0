// The tables of the reference database: model and airline codes, categories,
// similar models, registration prefixes, publishers, wingspans, airports.
#pragma once

#include <array>
#include <map>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "refdata/ac_category.h"

namespace gwr {

// Model pool indexes below this have a slot in halfSpans.
inline constexpr std::size_t halfSpanSlots = 2700;

struct ThirdPartyAirports {
  std::string publisher;
  std::vector<std::string> airports;  // codes in file order
};

// Filled once by the reader before other threads start; read-only afterwards
// except that the equivalent-prefix lists are reordered by the matcher.
extern std::set<std::string> icaoModelCodes;
extern std::set<std::string> cargoModelCodes;
// By category slot; Light has no section and stays empty.
extern std::array<std::set<std::string>, acCategoryCount> categoryCodes;
extern std::array<std::set<std::uint16_t>, acCategoryCount> categoryModels;
extern std::vector<std::vector<std::string>> similarModelGroups;      // each group sorted
extern std::vector<std::vector<std::string>> prefixGroups;            // each group sorted
extern std::unordered_map<std::string, std::vector<std::string>> prefixEquivalents;
extern std::set<std::string> icaoAirlineCodes;
extern std::set<std::string> cargoOperatorCodes;
extern std::vector<std::vector<std::string>> publisherGroups;  // first name: the one used
extern std::map<std::string, double> halfSpansByCode;           // nm
extern std::array<double, halfSpanSlots> halfSpans;             // nm by model index, 0 = unknown
extern double maxHalfSpan;                                      // nm, largest read
extern std::set<std::string> simAddonAirports20;
extern std::set<std::string> simAddonAirports24;
extern std::vector<ThirdPartyAirports> thirdPartyAirports20;
extern std::vector<ThirdPartyAirports> thirdPartyAirports24;

// Tests only, with no other thread running: every table, the pools, the
// model fixes and the registration records back to empty.
void gf_clearDbaseForTests();

} // namespace gwr
