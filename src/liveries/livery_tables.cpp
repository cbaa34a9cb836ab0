// Building, querying and clearing the livery tables that the matcher reads.
#include "liveries/livery_tables.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <unordered_set>

#include <fmt/format.h>

#include "core/log.h"
#include "core/random.h"
#include "liveries/livery_categories.h"
#include "liveries/similar_models.h"
#include "liveries/title_store.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"

namespace gwr {

CodeIndexMap<CodeIndexMap<std::vector<LiveryEntry>>> AirlineLiveryTable;
std::array<CodeIndexMap<ModelTitles>, 2> PaxCargoAirlineModelTitles;
std::array<ModelTitles, 2> PaxCargoModelTitles;
std::vector<std::uint16_t> LightModelList;
std::vector<std::uint16_t> BuzjetModelList;
std::vector<std::uint16_t> RotorcraftModelList;
std::uint16_t GenericAirlineIndex = 0;

std::unordered_map<std::string, std::string_view, TitleHash, TitleEqual> RegcodeTitleMap;
std::unordered_map<std::string_view, std::string, TitleHash, TitleEqual> TitleRegcodeMap;
std::vector<std::string_view> SpecialLiveryTitles;
std::set<std::string> SpecialRegcodes;
std::set<std::string> UniqueRegcodes;

namespace {

using ModelEntries = CodeIndexMap<std::vector<LiveryEntry>>;

// Every title of AirlineLiveryTable, so that finding a stored title does not
// walk the whole table for each registration-code entry.
std::unordered_set<std::string_view, TitleHash, TitleEqual> tableTitles;

// One pass over the sorted list: consecutive liveries of one group (airline,
// or airline and operator) and one model form one entry list. A group or
// model already present keeps its first value.
template <class Selects, class GroupOf>
void lf_fileLiveries(const LiveryList& scanned, Selects selects, GroupOf groupOf) {
  ModelEntries models;
  std::vector<LiveryEntry> entries;
  std::uint16_t entriesModel = 0;
  bool haveGroup = false;
  std::uint32_t group = 0;

  auto storeEntries = [&] {
    if (!entries.empty()) models.try_emplace(entriesModel, std::move(entries));
    entries.clear();
  };
  auto storeModels = [&] {
    if (!models.empty()) {
      const std::uint16_t airline = groupOf(group);
      AirlineLiveryTable.try_emplace(airline, std::move(models));
    }
    models.clear();
  };

  for (const LiveryData& livery : scanned) {
    if (!selects(livery)) continue;
    const std::uint32_t thisGroup = std::uint32_t{livery.key.airline} | std::uint32_t{livery.key.airlineOperator} << 16U;
    if (livery.key.model != entriesModel) storeEntries();
    if (haveGroup && thisGroup != group) {
      storeEntries();
      storeModels();
    }
    group = thisGroup;
    haveGroup = true;
    entriesModel = livery.key.model;
    const std::string_view title = gf_storeTitle(livery.title);
    tableTitles.insert(title);
    entries.push_back(LiveryEntry{title, livery.key.cargo});
  }
  storeEntries();
  if (haveGroup) storeModels();
}

// The titles of [first, last) split into passenger and cargo lists, each
// reserved to its size; target(table) gives the map a non-empty list goes into
// under model, where a model already present keeps its list.
template <class Iterator, class Target>
void lf_filePaxCargo(Iterator first, Iterator last, std::uint16_t model, Target target) {
  const auto cargoCount =
      static_cast<std::size_t>(std::count_if(first, last, [](const auto& entry) { return entry.cargo != 0; }));
  std::array<TitleList, 2> lists;
  lists[paxTable].reserve(static_cast<std::size_t>(std::distance(first, last)) - cargoCount);
  lists[cargoTable].reserve(cargoCount);
  for (; first != last; ++first) lists[first->cargo != 0 ? cargoTable : paxTable].push_back(first->title);
  for (std::size_t table : {paxTable, cargoTable})
    if (!lists[table].empty()) target(table).try_emplace(model, std::move(lists[table]));
}

std::uint16_t lf_pickModel(const std::vector<std::uint16_t>& models) {
  if (models.empty()) return 0;
  return models[gf_randomIndex(models.size())];
}

} // namespace

void gf_buildLiveryTables(const LiveryList& scanned) {
  lf_fileLiveries(
      scanned, [](const LiveryData& livery) { return livery.key.airlineOperator == 0; },
      [](std::uint32_t group) { return static_cast<std::uint16_t>(group & 0xFFFFU); });
  // Liveries of an operator go under the combined code, airline then operator.
  lf_fileLiveries(
      scanned, [](const LiveryData& livery) { return livery.key.airlineOperator != 0; },
      [](std::uint32_t group) {
        const auto airline = static_cast<std::uint16_t>(group & 0xFFFFU);
        const auto airlineOperator = static_cast<std::uint16_t>(group >> 16U);
        return gf_airlineIndex(gf_airlineCode(airline) + gf_airlineCode(airlineOperator));
      });
}

void gf_buildPaxCargoTables() {
  PaxCargoAirlineModelTitles[paxTable].reserve(reservedPaxAirlines);
  PaxCargoAirlineModelTitles[cargoTable].reserve(reservedCargoAirlines);
  for (const auto& [airline, models] : AirlineLiveryTable) {
    for (const auto& [model, entries] : models) {
      // A copy: clang 14 cannot capture a structured binding.
      const auto target = [airlineIndex = airline](std::size_t table) -> ModelTitles& {
        return PaxCargoAirlineModelTitles[table][airlineIndex];
      };
      lf_filePaxCargo(entries.begin(), entries.end(), model, target);
    }
  }
}

std::vector<std::uint16_t> gf_sortedAirlines() {
  std::vector<std::uint16_t> airlines;
  airlines.reserve(AirlineLiveryTable.size());
  for (const auto& entry : AirlineLiveryTable) airlines.push_back(entry.first);
  std::sort(airlines.begin(), airlines.end());
  return airlines;
}

void gf_buildModelIndex(const std::vector<std::uint16_t>& airlines) {
  PaxCargoModelTitles[paxTable].reserve(reservedPaxModels);
  PaxCargoModelTitles[cargoTable].reserve(reservedCargoModels);
  struct Triple {
    std::string_view title;
    std::uint16_t model;
    std::uint8_t cargo;
  };
  std::vector<Triple> triples;
  for (const std::uint16_t airline : airlines) {
    for (const auto& [model, entries] : AirlineLiveryTable.at(airline)) {
      for (const LiveryEntry& entry : entries) triples.push_back(Triple{entry.title, model, entry.cargo});
    }
  }
  std::stable_sort(triples.begin(), triples.end(), [](const Triple& a, const Triple& b) { return a.model < b.model; });

  for (auto first = triples.begin(); first != triples.end();) {
    const std::uint16_t model = first->model;
    const auto last = std::find_if(first, triples.end(), [model](const Triple& t) { return t.model != model; });
    lf_filePaxCargo(first, last, model, [](std::size_t table) -> ModelTitles& { return PaxCargoModelTitles[table]; });
    first = last;
  }
}

void gf_buildAllLiveryTables(const LiveryList& scanned, const std::function<void()>& registrationStep) {
  // Clearing here, on the start-up thread before the traffic starts, means a
  // request for new tables never has to empty them under a running matcher;
  // it also drops what a processing that failed half-way left behind.
  gf_clearLiveryTables();
  RegcodeTitleMap.reserve(reservedRegcodes);
  RegcodeTitleMap.max_load_factor(regcodeMapLoadFactor);

  gf_buildLiveryTables(scanned);
  gf_buildPaxCargoTables();
  if (registrationStep) registrationStep();
  const std::vector<std::uint16_t> airlines = gf_sortedAirlines();
  gf_buildModelIndex(airlines);
  gf_log(fmt::format("{:5} airlines, {} pax aircraft models and {} cargo aircraft models", AirlineLiveryTable.size(),
                     PaxCargoModelTitles[paxTable].size(), PaxCargoModelTitles[cargoTable].size()));
  gf_buildSimilarModels(airlines);
  gf_log(" ");
  for (std::size_t slot = 0; slot < acCategoryCount; ++slot) gf_logCategorySummary(static_cast<AcCategory>(slot));
  // Looked up once here rather than under the pool's lock on every match.
  GenericAirlineIndex = gf_airlineIndex(std::string(genericAirlineCode));
  gf_logGenericLiveries();
}

std::uint16_t gf_randomLightModel() { return lf_pickModel(LightModelList); }
std::uint16_t gf_randomBuzjetModel() { return lf_pickModel(BuzjetModelList); }
std::uint16_t gf_randomRotorcraftModel() { return lf_pickModel(RotorcraftModelList); }

bool gf_hasLivery(std::uint16_t airline, std::uint16_t model) {
  const auto found = AirlineLiveryTable.find(airline);
  return found != AirlineLiveryTable.end() && found->second.contains(model);
}

std::string_view gf_findLiveryTitle(const std::string& title) {
  const auto found = tableTitles.find(std::string_view(title));
  return found == tableTitles.end() ? std::string_view{} : *found;
}

void gf_reserveLiveryLists() {
  SpecialLiveryTitles.reserve(reservedSpecialLiveryTitles);
  LightModelList.reserve(reservedLightModels);
  BuzjetModelList.reserve(reservedBuzjetModels);
  RotorcraftModelList.reserve(reservedRotorcraftModels);
}

void gf_clearLiveryTables() {
  LightModelList.clear();
  BuzjetModelList.clear();
  RotorcraftModelList.clear();
  GenericAirlineIndex = 0;
  SpecialRegcodes.clear();
  UniqueRegcodes.clear();
  SpecialLiveryTitles.clear();
  RegcodeTitleMap.clear();
  TitleRegcodeMap.clear();
  for (auto& table : PaxCargoModelTitles) table.clear();
  for (auto& table : PaxCargoAirlineModelTitles) table.clear();
  AirlineLiveryTable.clear();
  tableTitles.clear();
  gf_clearSimilarModels();
}

} // namespace gwr
