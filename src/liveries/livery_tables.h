// The livery tables built at start-up from the scanned liveries: by airline
// and model, split into passenger and cargo lists, by model over all
// airlines, by category, and the registration tables of the code lists.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "liveries/livery_hash.h"
#include "liveries/livery_record.h"
#include "refdata/ac_category.h"

namespace gwr {

// Titles are views into the title store (title_store.h), which never frees
// them: clearing these tables leaves every view held elsewhere valid.
struct LiveryEntry {
  std::string_view title;
  std::uint8_t cargo = 0;
};

template <class Value>
using CodeIndexMap = std::unordered_map<std::uint16_t, Value, CodeIndexHash>;

using TitleList = std::vector<std::string_view>;
using ModelTitles = CodeIndexMap<TitleList>;

inline constexpr std::size_t paxTable = 0;
inline constexpr std::size_t cargoTable = 1;

inline constexpr std::size_t reservedPaxAirlines = 2048;
inline constexpr std::size_t reservedCargoAirlines = 256;
inline constexpr std::size_t reservedPaxModels = 324;
inline constexpr std::size_t reservedCargoModels = 75;
inline constexpr std::size_t reservedRegcodes = 36000;
inline constexpr float regcodeMapLoadFactor = 0.7F;
// Room kept for the lists every table build refills.
inline constexpr std::size_t reservedSpecialLiveryTitles = 4096;
inline constexpr std::size_t reservedLightModels = 64;
inline constexpr std::size_t reservedBuzjetModels = 128;
inline constexpr std::size_t reservedRotorcraftModels = 32;

// airline (or combined airline-and-operator code) -> model -> entries in the
// order of the sorted scanned list.
extern CodeIndexMap<CodeIndexMap<std::vector<LiveryEntry>>> AirlineLiveryTable;
// [pax, cargo]: airline -> model -> titles; only non-empty lists.
extern std::array<CodeIndexMap<ModelTitles>, 2> PaxCargoAirlineModelTitles;
// [pax, cargo]: model -> titles of all airlines; only non-empty lists.
extern std::array<ModelTitles, 2> PaxCargoModelTitles;
// Models with liveries, ascending, of Light, Buzjets and Rotorcraft.
extern std::vector<std::uint16_t> LightModelList;
extern std::vector<std::uint16_t> BuzjetModelList;
extern std::vector<std::uint16_t> RotorcraftModelList;
// The airline index of the generic liveries, set by gf_buildAllLiveryTables
// (0 until then) so that the matcher need not ask the pool every time.
extern std::uint16_t GenericAirlineIndex;

// Filled by the registration-code lists, read by the matcher.
extern std::unordered_map<std::string, std::string_view, TitleHash, TitleEqual> RegcodeTitleMap;
extern std::unordered_map<std::string_view, std::string, TitleHash, TitleEqual> TitleRegcodeMap;
extern std::vector<std::string_view> SpecialLiveryTitles;
extern std::set<std::string> SpecialRegcodes;
extern std::set<std::string> UniqueRegcodes;

// Building, in the order the start-up calls them (see gf_buildAllLiveryTables).
void gf_buildLiveryTables(const LiveryList& scanned);
void gf_buildPaxCargoTables();
// The airlines of AirlineLiveryTable in ascending index order. Walked in this
// order, each model's list in the model index has the same order in every build.
std::vector<std::uint16_t> gf_sortedAirlines();
void gf_buildModelIndex(const std::vector<std::uint16_t>& airlines);

// The whole processing of a scanned list: clears every table, builds the
// tables above, then runs registrationStep (may be empty; the
// registration-code lists), builds the model index and the similar models and
// logs the category summaries and the generic liveries. Start-up thread,
// traffic stopped.
void gf_buildAllLiveryTables(const LiveryList& scanned, const std::function<void()>& registrationStep);

// A model of the category list at gf_randomIndex; 0 when the list is empty.
std::uint16_t gf_randomLightModel();
std::uint16_t gf_randomBuzjetModel();
std::uint16_t gf_randomRotorcraftModel();

bool gf_hasLivery(std::uint16_t airline, std::uint16_t model);

// The stored title equal to title byte for byte; empty when none.
std::string_view gf_findLiveryTitle(const std::string& title);

// Reserves the special titles and the three category model lists; a rebuild
// keeps the room (clearing keeps capacity). Start-up thread, traffic stopped.
void gf_reserveLiveryLists();

// Empties every table here and the similar-model maps. Only while the traffic
// is stopped: the matcher reads the tables without a lock. A request for new
// tables from the window need not call it: marking the processing as not
// done is enough, as the next build clears first.
void gf_clearLiveryTables();

} // namespace gwr
