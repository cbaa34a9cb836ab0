// The matcher's steps over the livery tables: registration, airline and
// model with operator and keyword rules, similar models, and the generic
// and any-airline steps, for live and for static parked aircraft.
#include "liveries/livery_matcher.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/random.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "liveries/similar_models.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

constexpr int specialPickTries = 5;
constexpr std::int32_t airlineModelDepth = 2;
constexpr std::int32_t similarModelDepth = 3;
constexpr std::int32_t fullDepth = 4;
constexpr std::string_view fsltlMark = "FSLTL_";

const TitleList* lf_airlineModelTitles(std::size_t table, std::uint16_t airline, std::uint16_t model) {
  const auto& byAirline = PaxCargoAirlineModelTitles[table];
  const auto airlineFound = byAirline.find(airline);
  if (airlineFound == byAirline.end()) return nullptr;
  const auto modelFound = airlineFound->second.find(model);
  return modelFound == airlineFound->second.end() ? nullptr : &modelFound->second;
}

bool lf_isSpecial(std::string_view title) {
  return std::find(SpecialLiveryTitles.begin(), SpecialLiveryTitles.end(), title) != SpecialLiveryTitles.end();
}

// Avoids the special titles where it can: after 5 special draws the
// non-special candidates are drawn from; with none, the last draw stays.
bool lf_pickLivery(AcDescription& aircraft, const TitleList& candidates) {
  if (candidates.empty()) return false;
  std::string_view pick;
  for (int attempt = 0; attempt < specialPickTries; ++attempt) {
    pick = candidates[gf_randomIndex(candidates.size())];
    if (SpecialLiveryTitles.empty() || !lf_isSpecial(pick)) {
      aircraft.livery = pick;
      return true;
    }
  }
  TitleList plain;
  plain.reserve(candidates.size());
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(plain),
               [](std::string_view title) { return !lf_isSpecial(title); });
  aircraft.livery = plain.empty() ? pick : plain[gf_randomIndex(plain.size())];
  return true;
}

TitleList lf_titlesWithRegPrefix(const TitleList& titles, std::string_view prefix) {
  TitleList candidates;
  candidates.reserve(titles.size());
  for (const std::string_view title : titles) {
    const auto found = TitleRegcodeMap.find(title);
    if (found != TitleRegcodeMap.end() && found->second.starts_with(prefix)) candidates.push_back(title);
  }
  return candidates;
}

// Candidates with the aircraft's own prefix, then with each equivalent one.
bool lf_pickByRegPrefix(AcDescription& aircraft, const TitleList& titles) {
  const std::string prefix(gf_registrationPrefix(aircraft.registration));
  if (lf_pickLivery(aircraft, lf_titlesWithRegPrefix(titles, prefix))) return true;
  for (const std::string& equivalent : gf_equivalentPrefixes(prefix)) {
    if (lf_pickLivery(aircraft, lf_titlesWithRegPrefix(titles, equivalent))) return true;
  }
  return false;
}

bool lf_matchByRegcode(AcDescription& aircraft) {
  aircraft.livery = {};
  if (aircraft.registration.empty()) return false;
  const auto found = RegcodeTitleMap.find(aircraft.registration);
  if (found != RegcodeTitleMap.end()) aircraft.livery = found->second;
  return !aircraft.livery.empty();
}

bool lf_matchAirlineModelTitles(AcDescription& aircraft, std::size_t table, std::uint16_t airline,
                                std::uint16_t model) {
  const TitleList* titles = lf_airlineModelTitles(table, airline, model);
  return titles != nullptr && lf_pickLivery(aircraft, *titles);
}

// The first title of the airline's list naming the other airline; no draw.
bool lf_matchTitleKeyword(AcDescription& aircraft, std::size_t table, std::uint16_t airline, std::uint16_t model,
                          const std::string& code) {
  const TitleList* titles = lf_airlineModelTitles(table, airline, model);
  if (titles == nullptr) return false;
  const std::string_view keyword = gf_airlineTitleKeyword(code);
  const auto found = std::find_if(titles->begin(), titles->end(),
                                  [keyword](std::string_view title) { return title.find(keyword) != title.npos; });
  if (found == titles->end()) return false;
  aircraft.livery = *found;
  return true;
}

// A private aircraft only takes a private livery of its registration prefix.
bool lf_matchPrivateByRegPrefix(AcDescription& aircraft, std::size_t table, std::uint16_t airline,
                                std::uint16_t model) {
  if (aircraft.registration.empty()) return false;
  const TitleList* titles = lf_airlineModelTitles(table, airline, model);
  return titles != nullptr && lf_pickByRegPrefix(aircraft, *titles);
}

bool lf_matchAirlineModelCargo(AcDescription& aircraft, const LivKey& key, std::size_t table) {
  const std::string& airlineCode = gf_airlineCode(key.airline);
  if (key.airlineOperator == 0) {
    if (airlineCode == privateAirlineCode && lf_matchPrivateByRegPrefix(aircraft, table, key.airline, key.model)) {
      return true;
    }
    return lf_matchAirlineModelTitles(aircraft, table, key.airline, key.model);
  }
  const std::string& operatorCode = gf_airlineCode(key.airlineOperator);
  const std::uint16_t combined = gf_airlineIndex(airlineCode + operatorCode);
  return lf_matchAirlineModelTitles(aircraft, table, combined, key.model) ||
         lf_matchTitleKeyword(aircraft, table, key.airlineOperator, key.model, airlineCode) ||
         lf_matchTitleKeyword(aircraft, table, key.airline, key.model, operatorCode) ||
         lf_matchAirlineModelTitles(aircraft, table, key.airlineOperator, key.model) ||
         lf_matchAirlineModelTitles(aircraft, table, key.airline, key.model);
}

// A cargo key tries the cargo lists, then the passenger lists.
bool lf_matchAirlineModel(AcDescription& aircraft, const LivKey& key) {
  aircraft.livery = {};
  if (lf_matchAirlineModelCargo(aircraft, key, key.cargo != 0 ? cargoTable : paxTable)) return true;
  return key.cargo != 0 && lf_matchAirlineModelCargo(aircraft, key, paxTable);
}

bool lf_matchSimilarModels(AcDescription& aircraft, const LivKey& key) {
  aircraft.livery = {};
  const std::uint16_t airline = key.airlineOperator != 0 ? key.airlineOperator : key.airline;
  const auto airlineFound = AirlineSimilarModels.find(airline);
  if (airlineFound == AirlineSimilarModels.end()) return false;
  const auto modelFound = airlineFound->second.find(key.model);
  if (modelFound == airlineFound->second.end()) return false;
  ModelList& similar = modelFound->second;
  gf_shuffle(similar);
  for (const std::uint16_t model : similar) {
    if (gf_modelCategory(model) != aircraft.category) continue;
    LivKey similarKey = key;
    similarKey.model = model;
    if (lf_matchAirlineModelCargo(aircraft, similarKey, key.cargo != 0 ? cargoTable : paxTable)) return true;
    if (key.cargo != 0 && lf_matchAirlineModelCargo(aircraft, similarKey, paxTable)) return true;
  }
  return false;
}

// Any airline's livery of the model, preferring the registration prefix.
bool lf_matchAnyAirlineModel(AcDescription& aircraft, std::uint16_t model) {
  if (aircraft.registration.empty()) return false;
  const auto& byModel = PaxCargoModelTitles[aircraft.key.cargo != 0 ? cargoTable : paxTable];
  const auto found = byModel.find(model);
  if (found == byModel.end() || found->second.empty()) return false;
  return lf_pickByRegPrefix(aircraft, found->second) || lf_pickLivery(aircraft, found->second);
}

bool lf_smallCategory(AcCategory category) {
  return category == AcCategory::Light || category == AcCategory::Buzjets || category == AcCategory::Rotorcraft;
}

std::uint16_t lf_randomCategoryModel(AcCategory category) {
  switch (category) {
    case AcCategory::Light: return gf_randomLightModel();
    case AcCategory::Buzjets: return gf_randomBuzjetModel();
    case AcCategory::Rotorcraft: return gf_randomRotorcraftModel();
    default: return 0;
  }
}

// Steps 4 to 6; step tells which one gave the title.
bool lf_matchGeneric(AcDescription& aircraft, bool cargoWish, MatchStep& step) {
  LivKey generic = aircraft.key;
  generic.airline = GenericAirlineIndex;
  generic.cargo = (aircraft.key.cargo != 0 || cargoWish) ? 1 : 0;
  if (lf_matchAirlineModel(aircraft, generic)) {
    step = MatchStep::Generic;
    return true;
  }
  // Large aircraft in a wrong airline's paint would be too visible.
  if (!lf_smallCategory(aircraft.category)) return false;
  if (lf_matchAnyAirlineModel(aircraft, aircraft.key.model)) {
    step = MatchStep::AnyAirlineModel;
    return true;
  }

  ModelList drawn;
  ModelList* models = &drawn;
  if (const auto found = SimilarModelsWithLiveries.find(aircraft.key.model); found != SimilarModelsWithLiveries.end()) {
    models = &found->second;
    gf_shuffle(*models);
  } else if (const std::uint16_t model = lf_randomCategoryModel(gf_modelCategory(aircraft.key.model)); model != 0) {
    drawn.push_back(model);
  }
  for (const std::uint16_t model : *models) {
    if (lf_matchAnyAirlineModel(aircraft, model)) {
      step = MatchStep::AnyAirlineSimilarModel;
      return true;
    }
  }
  return false;
}

MatchStep lf_registrationStep(const AcDescription& aircraft) {
  return UniqueRegcodes.contains(aircraft.registration) ? MatchStep::UniqueRegistration : MatchStep::Registration;
}

// A refused title clears the livery: the search goes on with the next step.
bool lf_creatable(AcDescription& aircraft) {
  if (!gf_isUncreatable(aircraft.livery)) return true;
  aircraft.livery = {};
  return false;
}

bool lf_acceptMatch(AcDescription& aircraft, MatchStep step) {
  if (!lf_creatable(aircraft)) return false;
  ++MatchStepCounts.at(static_cast<std::size_t>(step));
  gf_logIndented(fmt::format("{} ={}= {}", aircraft.fullText(), static_cast<int>(step), aircraft.livery));
  aircraft.fsltlLivery = aircraft.livery.find(fsltlMark) != std::string_view::npos ? 1 : 0;
  return true;
}

bool lf_acceptParked(AcDescription& aircraft, MatchStep step) {
  if (!lf_creatable(aircraft)) return false;
  gf_logIndented(fmt::format("{} ={}= {}", aircraft.fullText(), static_cast<int>(step), aircraft.livery));
  return true;
}

using AcceptStep = bool (*)(AcDescription& aircraft, MatchStep step);

// The steps as deep as MATCHING_DEPTH allows, until accept takes a title. A
// private aircraft first tries the generic liveries with privateCargo; the
// generic steps prefer cargo liveries for a cargo key or with cargoWish.
bool lf_runSteps(AcDescription& aircraft, AcceptStep accept, std::uint8_t privateCargo, bool cargoWish) {
  const std::int32_t depth = MATCHING_DEPTH.current();
  if (lf_matchByRegcode(aircraft) && accept(aircraft, lf_registrationStep(aircraft))) return true;
  if (depth < airlineModelDepth) return false;
  if (gf_airlineCode(aircraft.key.airline) == privateAirlineCode) {
    LivKey generic = aircraft.key;
    generic.airline = GenericAirlineIndex;
    generic.cargo = privateCargo;
    if (lf_matchAirlineModel(aircraft, generic) && accept(aircraft, MatchStep::Generic)) return true;
  }
  if (lf_matchAirlineModel(aircraft, aircraft.key) && accept(aircraft, MatchStep::AirlineModel)) return true;
  if (depth < similarModelDepth) return false;
  if (lf_matchSimilarModels(aircraft, aircraft.key) && accept(aircraft, MatchStep::SimilarModel)) return true;
  if (depth != fullDepth) return false;
  MatchStep step = MatchStep::Generic;
  return lf_matchGeneric(aircraft, cargoWish, step) && accept(aircraft, step);
}

} // namespace

std::string_view gf_airlineTitleKeyword(std::string_view airlineCode) {
  static const std::unordered_map<std::string_view, std::string_view> keywords{
      {"AAL", "American"}, {"ACA", "Canada"},     {"AFR", "France"},       {"ASA", "Alaska"},
      {"ASH", "Mesa"},     {"AVA", "Avianca"},    {"BAW", "British"},      {"BOX", "Aerologic"},
      {"CAI", "Corendon"}, {"CFE", "Cityflyer"},  {"DAE", "DHL Aero"},     {"DAL", "Delta"},
      {"DHK", "DHL Air"},  {"EDV", "Endeavor"},   {"EZY", "easyjet"},      {"FDX", "FedEx"},
      {"FJO", "Flexjet"},  {"GJS", "GoJet"},      {"IBE", "Iberia"},       {"JIA", "PSA Airlines"},
      {"JZA", "Jazz"},     {"KLC", "Cityhopper"}, {"LRC", "Avianca"},      {"PDT", "Piedmont"},
      {"PRM", "Prime"},    {"QLK", "Quantaslink"}, {"QXE", "Horizon"},     {"RPA", "Republic"},
      {"RYR", "Ryanair"},  {"SWA", "Southwest"},  {"SKW", "SkyWest"},      {"UAL", "United"},
      {"UPS", "UPS"},      {"VJT", "VistaJet"},   {"WJA", "WestJet"},
  };
  const auto found = keywords.find(airlineCode);
  return found == keywords.end() ? std::string_view("not found") : found->second;
}

std::string_view gf_registrationPrefix(std::string_view registration) {
  if (registration.empty()) return {};
  const std::size_t dash = registration.find('-');
  return dash == std::string_view::npos ? registration.substr(0, 1) : registration.substr(0, dash + 1);
}

void gf_matchLiveAircraft(AcDescription& aircraft) {
  lf_runSteps(aircraft, lf_acceptMatch, aircraft.key.cargo, false);
}

bool gf_matchParkedAircraft(AcDescription& aircraft, const StandMatchFields& stand) {
  if (!aircraft.livery.empty()) {
    gf_logIndented(fmt::format("{} =s= {}", aircraft.fullText(), aircraft.livery));
    return true;
  }
  if (lf_runSteps(aircraft, lf_acceptParked, stand.cargo, stand.cargo != 0)) return true;
  aircraft.livery = {};
  gf_log(fmt::format("{:8}: {} no livery match ...", stand.standId, aircraft.shortText()));
  return false;
}

} // namespace gwr
