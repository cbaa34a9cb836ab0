// Answers from the reference database's tables: categories, wingspans, known
// codes, equivalent registration prefixes, publishers and their airports.
#include "refdata/reference_queries.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

#include "core/log.h"
#include "core/random.h"
#include "core/settings_catalogue.h"
#include "platform/sys/case_insensitive.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"

namespace gwr {

namespace {

constexpr std::array<AcCategory, 5> categoryTestOrder{AcCategory::Large, AcCategory::Heavy, AcCategory::Buzjets,
                                                      AcCategory::Rotorcraft, AcCategory::HighPerf};

constexpr std::array<double, acCategoryCount> defaultHalfSpans{
    defaultHalfSpanLightNm, defaultHalfSpanBuzjetsNm,  defaultHalfSpanLargeNm,
    defaultHalfSpanHeavyNm, defaultHalfSpanHighPerfNm, defaultHalfSpanRotorcraftNm};

std::vector<std::string> noEquivalents;

} // namespace

AcCategory gf_modelCategory(std::uint16_t model) {
  for (const AcCategory category : categoryTestOrder)
    if (categoryModels[gf_categorySlot(category)].contains(model)) return category;
  return AcCategory::Light;
}

AcCategory gf_modelCategoryOfCode(const std::string& code) { return gf_modelCategory(gf_modelIndex(code)); }

bool gf_isIcaoModel(const std::string& code) { return !code.empty() && icaoModelCodes.contains(code); }

bool gf_isIcaoAirline(const std::string& code) { return !code.empty() && icaoAirlineCodes.contains(code); }

double gf_defaultHalfSpan(AcCategory category) {
  const std::size_t slot = gf_categorySlot(category);
  return slot < defaultHalfSpans.size() ? defaultHalfSpans[slot] : defaultHalfSpanLargeNm;
}

double gf_halfWingspan(std::uint16_t model) {
  if (model < halfSpanSlots) return halfSpans[model];
  gf_log(fmt::format("hwsp: {} what: invalid array<T, N> subscript", model));
  return gf_defaultHalfSpan(gf_modelCategory(model));
}

std::vector<std::string>& gf_equivalentPrefixes(const std::string& prefix) {
  const auto found = prefixEquivalents.find(prefix);
  if (found == prefixEquivalents.end()) {
    noEquivalents.clear();  // a caller may have written into the shared list
    return noEquivalents;
  }
  std::vector<std::string>& list = found->second;
  if (RANDOM.current() && list.size() >= 2) std::shuffle(list.begin(), list.end(), gf_threadRandomEngine());
  return list;
}

bool gf_pathContainsNoCase(const std::filesystem::path& path, std::string_view text) {
  const std::u8string utf8 = path.u8string();
  return platform::containsNoCase({reinterpret_cast<const char*>(utf8.data()), utf8.size()}, text);
}

std::optional<std::string> gf_publisherOfPath(const std::string& text) {
  if (text.empty()) return std::nullopt;
  for (const auto& group : publisherGroups) {
    for (const std::string& name : group) {
      // The reader drops empty names; one would match every path.
      if (name.empty()) continue;
      if (platform::containsNoCase(text, name)) return group.front();
    }
  }
  return std::nullopt;
}

bool gf_isThirdPartyAirport(bool edition2020, const std::string& publisher, const std::string& airport) {
  const auto& entries = edition2020 ? thirdPartyAirports20 : thirdPartyAirports24;
  for (const ThirdPartyAirports& entry : entries) {
    if (entry.publisher != publisher) continue;
    if (std::find(entry.airports.begin(), entry.airports.end(), airport) != entry.airports.end()) return true;
  }
  return false;
}

} // namespace gwr
