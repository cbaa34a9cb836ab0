// Building the similar-model maps from the reference database's groups and
// the installed liveries.
#include "liveries/similar_models.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include <fmt/format.h>

#include "core/log.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_tables.h"

namespace gwr {

CodeIndexMap<ModelList> SimilarModelsWithLiveries;
CodeIndexMap<CodeIndexMap<ModelList>> AirlineSimilarModels;

namespace {

bool lf_anyAirlineHasLivery(std::uint16_t model) {
  return PaxCargoModelTitles[paxTable].contains(model) || PaxCargoModelTitles[cargoTable].contains(model);
}

// Texts "own,other,other" for every member that has at least one other
// member with liveries; ordered so that a model in several groups keeps the
// text that sorts first.
std::set<std::string> lf_similarTexts() {
  std::set<std::string> texts;
  for (const auto& group : similarModelGroups) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      std::string text = group[i];
      bool hasOther = false;
      for (std::size_t j = 0; j < group.size(); ++j) {
        if (j == i || !lf_anyAirlineHasLivery(gf_modelIndex(group[j]))) continue;
        text += ',';
        text += group[j];
        hasOther = true;
      }
      if (hasOther) texts.insert(std::move(text));
    }
  }
  return texts;
}

} // namespace

void gf_buildSimilarModels() {
  for (const std::string& text : lf_similarTexts()) {
    ModelList models;
    std::size_t start = text.find(',');
    const std::uint16_t key = gf_modelIndex(text.substr(0, start));
    while (start != std::string::npos) {
      const std::size_t next = text.find(',', start + 1);
      models.push_back(gf_modelIndex(text.substr(start + 1, next == std::string::npos ? next : next - start - 1)));
      start = next;
    }
    SimilarModelsWithLiveries.try_emplace(key, std::move(models));
  }

  std::vector<std::uint16_t> airlines;
  airlines.reserve(AirlineLiveryTable.size());
  for (const auto& entry : AirlineLiveryTable) airlines.push_back(entry.first);
  std::sort(airlines.begin(), airlines.end());
  for (const std::uint16_t airline : airlines) {
    CodeIndexMap<ModelList> byModel;
    for (const auto& [model, similar] : SimilarModelsWithLiveries) {
      if (gf_hasLivery(airline, model)) continue;
      ModelList own;
      std::copy_if(similar.begin(), similar.end(), std::back_inserter(own),
                   [airline](std::uint16_t other) { return gf_hasLivery(airline, other); });
      if (!own.empty()) byModel.emplace(model, std::move(own));
    }
    if (!byModel.empty()) AirlineSimilarModels.emplace(airline, std::move(byModel));
  }

  gf_log(fmt::format("{:5} similar model definitions", SimilarModelsWithLiveries.size()));
}

void gf_clearSimilarModels() {
  SimilarModelsWithLiveries.clear();
  AirlineSimilarModels.clear();
}

} // namespace gwr
