// Storage of the reference database's tables, and their reset for tests.
#include "refdata/dbase_tables.h"

#include "refdata/code_pools.h"
#include "refdata/registration_records.h"

namespace gwr {

std::set<std::string> icaoModelCodes;
std::set<std::string> cargoModelCodes;
std::array<std::set<std::string>, acCategoryCount> categoryCodes;
std::array<std::set<std::uint16_t>, acCategoryCount> categoryModels;
std::vector<std::vector<std::string>> similarModelGroups;
std::vector<std::vector<std::string>> prefixGroups;
std::unordered_map<std::string, std::vector<std::string>> prefixEquivalents;
std::set<std::string> icaoAirlineCodes;
std::set<std::string> cargoOperatorCodes;
std::vector<std::vector<std::string>> publisherGroups;
std::map<std::string, double> halfSpansByCode;
std::array<double, halfSpanSlots> halfSpans{};
double maxHalfSpan = 0.0;
std::set<std::string> simAddonAirports20;
std::set<std::string> simAddonAirports24;
std::vector<ThirdPartyAirports> thirdPartyAirports20;
std::vector<ThirdPartyAirports> thirdPartyAirports24;

void gf_clearDbaseForTests() {
  icaoModelCodes.clear();
  cargoModelCodes.clear();
  for (auto& codes : categoryCodes) codes.clear();
  for (auto& models : categoryModels) models.clear();
  similarModelGroups.clear();
  prefixGroups.clear();
  prefixEquivalents.clear();
  icaoAirlineCodes.clear();
  cargoOperatorCodes.clear();
  publisherGroups.clear();
  halfSpansByCode.clear();
  halfSpans.fill(0.0);
  maxHalfSpan = 0.0;
  simAddonAirports20.clear();
  simAddonAirports24.clear();
  thirdPartyAirports20.clear();
  thirdPartyAirports24.clear();
  modelFixes.clear();
  dbaseRecords.clear();
  airlinePool.clearForTests();
  modelPool.clearForTests();
}

} // namespace gwr
