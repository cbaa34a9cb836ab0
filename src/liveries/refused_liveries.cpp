// Refused titles, remembered liveries, the no-match list and the matching
// summary; all used on the traffic thread only.
#include "liveries/refused_liveries.h"

#include <algorithm>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/run_state.h"
#include "core/status_line.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "liveries/title_store.h"
#include "refdata/code_pools.h"

namespace gwr {

std::unordered_set<std::string_view, TitleHash, TitleEqual> UncreatableLiveries;
std::unordered_set<std::string> UncreatableTypes;
std::unordered_set<std::string> NoMatchList;
std::unordered_map<std::uint32_t, RememberedLivery> RememberedLiveries;
std::array<std::int32_t, matchStepCount> MatchStepCounts{};

namespace {

constexpr std::size_t summaryLinesReserved = 256;

LiveryClock liveryClock = nullptr;
std::chrono::steady_clock::time_point lastForgetting{};

std::chrono::steady_clock::time_point lf_liveryNow() {
  return liveryClock != nullptr ? liveryClock() : std::chrono::steady_clock::now();
}
constexpr std::int64_t bannerWidth = 100;  // asterisks and title together
constexpr std::string_view summaryTitle = "live traffic livery matching summary";
constexpr std::string_view tooManyText = "There are too many liveries that could not be created!";

} // namespace

void gf_setLiveryClock(LiveryClock clock) {
  liveryClock = clock;
  lastForgetting = lf_liveryNow();
}

void gf_rememberLivery(std::uint32_t hexId, std::string_view title) {
  const auto now = lf_liveryNow();
  if (now - lastForgetting >= forgetLiveriesEvery) {
    lastForgetting = now;
    std::erase_if(RememberedLiveries, [&](const auto& entry) { return now - entry.second.used >= forgetLiveryAfter; });
  }
  RememberedLiveries.insert_or_assign(hexId, RememberedLivery{gf_storeTitle(title), now});
}

std::optional<std::string_view> gf_getRememberedLivery(std::uint32_t hexId) {
  const auto found = RememberedLiveries.find(hexId);
  if (found == RememberedLiveries.end()) return std::nullopt;
  if (gf_isUncreatable(found->second.title)) {
    RememberedLiveries.erase(found);
    return std::nullopt;
  }
  found->second.used = lf_liveryNow();
  return found->second.title;
}

bool gf_isUncreatable(std::string_view title) { return UncreatableLiveries.contains(title); }

void gf_registerUncreatableLivery(const AcDescription& aircraft) {
  if (!gf_stopping()) {
    setStatusText(fmt::format("{} '{}' could not be created by your Sim!", aircraft.callsign, aircraft.livery), true);
  }
  UncreatableLiveries.insert(gf_storeTitle(aircraft.livery));
  UncreatableTypes.insert(gf_modelCode(aircraft.key.model) + " " + gf_airlineCode(aircraft.key.airline));
  if (UncreatableLiveries.size() >= uncreatableLimit) {
    gf_log(fmt::format("\n{}Error 81, {}\n", "===> ", tooManyText));
    throw UserErrorException(tooManyUncreatableCode, fmt::format("{}, see Log.txt", tooManyText));
  }
}

void gf_clearNoMatchList() { NoMatchList.clear(); }

void gf_logNoMatchList() {
  if (NoMatchList.empty()) return;
  gf_log("\nNo match found for:");
  for (const std::string& entry : NoMatchList) gf_log(entry);
  gf_log("");
}

void gf_writeMatchingSummary() {
  std::vector<std::string> refused;
  for (const std::string& type : UncreatableTypes) refused.push_back("  " + type);
  if (std::none_of(MatchStepCounts.begin(), MatchStepCounts.end(), [](std::int32_t count) { return count > 0; })) {
    return;
  }

  const auto titleWidth = static_cast<std::int64_t>(summaryTitle.size());
  std::vector<std::string> lines;
  lines.reserve(summaryLinesReserved);
  lines.push_back(gf_bannerLine(bannerWidth - titleWidth, 0, true, false, std::string(summaryTitle)));
  lines.emplace_back("Matches at step: ");
  for (std::size_t step = 0; step < matchStepCount; ++step) {
    lines.push_back(fmt::format("  {}: {}", step, MatchStepCounts[step]));
  }
  if (!refused.empty()) {
    lines.emplace_back("\nCould not be created");
    lines.insert(lines.end(), refused.begin(), refused.end());
  }
  lines.push_back(gf_bannerLine(bannerWidth - titleWidth, titleWidth, false, true, ""));
  for (const std::string& line : lines) gf_log(line);
}

void gf_clearMatchBookkeepingForTests() {
  UncreatableLiveries.clear();
  UncreatableTypes.clear();
  NoMatchList.clear();
  RememberedLiveries.clear();
  MatchStepCounts.fill(0);
}

} // namespace gwr
