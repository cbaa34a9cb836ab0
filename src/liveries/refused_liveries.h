// Bookkeeping around the matcher on the traffic thread: titles the simulator
// refused, the titles remembered per live aircraft, the no-match list and
// the per-step match counters.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "liveries/livery_hash.h"
#include "refdata/aircraft_description.h"

namespace gwr {

inline constexpr std::size_t matchStepCount = 7;  // steps 0..6
inline constexpr std::size_t uncreatableLimit = 20;  // refused titles that end the run
inline constexpr int tooManyUncreatableCode = 81;

// Titles the simulator refused; views into the title store, so they outlive
// any rebuild of the livery tables. Only grows.
extern std::unordered_set<std::string_view, TitleHash, TitleEqual> UncreatableLiveries;
// "model airline" of each refused creation; read by the matching summary.
extern std::unordered_set<std::string> UncreatableTypes;
// keyRegText of the live aircraft for which no livery was found.
extern std::unordered_set<std::string> NoMatchList;
// A remembered title (a title-store view) and when it was last used.
struct RememberedLivery {
  std::string_view title;
  std::chrono::steady_clock::time_point used;
};
// Hex identifier of a live aircraft -> its title. Aircraft not seen for
// forgetLiveryAfter are forgotten, so a long run does not grow it for ever.
extern std::unordered_map<std::uint32_t, RememberedLivery> RememberedLiveries;
inline constexpr std::chrono::hours forgetLiveryAfter{3};
inline constexpr std::chrono::minutes forgetLiveriesEvery{10};  // how often the old ones are looked for
// Tests: the clock of the remembered liveries (null: the steady clock).
using LiveryClock = std::chrono::steady_clock::time_point (*)();
void gf_setLiveryClock(LiveryClock clock);
// Live matches per step since program start; never reset.
extern std::array<std::int32_t, matchStepCount> MatchStepCounts;

// The live traffic remembers a matched title (kept in the title store, so
// it stays valid whatever happens to the tables).
void gf_rememberLivery(std::uint32_t hexId, std::string_view title);

// The title remembered for the aircraft, unless it has since been refused:
// then the entry is erased and none is returned.
std::optional<std::string_view> gf_getRememberedLivery(std::uint32_t hexId);

// The simulator could not create the aircraft with its title: shows a
// notice (unless stopping), records the title and type, and throws
// UserErrorException 81 once 20 distinct titles have been refused.
void gf_registerUncreatableLivery(const AcDescription& aircraft);

bool gf_isUncreatable(std::string_view title);

void gf_clearNoMatchList();
// "\nNo match found for:", one line per entry, an empty line; keeps the list.
void gf_logNoMatchList();

// The per-step counts and refused types, once any live aircraft matched.
void gf_writeMatchingSummary();

// Tests only: every set, map and counter here back to empty.
void gf_clearMatchBookkeepingForTests();

} // namespace gwr
