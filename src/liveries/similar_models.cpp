// Building the similar-model maps from the reference database's groups and
// the installed liveries.
#include "liveries/similar_models.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

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

// Whether codes a sorts before codes b as their comma-joined texts would
// ("A3" before "A3+" before "A3,B" before "A30").
bool lf_joinedLess(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  constexpr int pastEnd = -1;
  // The joined text's next byte as std::string compares it, pastEnd after the last.
  const auto next = [](const std::vector<std::string_view>& codes, std::size_t& member, std::size_t& at) {
    if (member >= codes.size()) return pastEnd;
    if (at < codes[member].size()) return static_cast<int>(static_cast<unsigned char>(codes[member][at++]));
    ++member;
    at = 0;
    return member < codes.size() ? static_cast<int>(',') : pastEnd;
  };
  std::size_t memberA = 0, atA = 0, memberB = 0, atB = 0;
  while (true) {
    const int left = next(a, memberA, atA);
    const int right = next(b, memberB, atB);
    if (left != right || left == pastEnd) return left < right;
  }
}

// A model's own code followed by the other members of one of its groups
// that have liveries, in group order.
struct SimilarCandidate {
  std::vector<std::string_view> codes;
  ModelList others;
};

// By model: of the groups that give it a candidate, the one whose codes sort
// first as a joined text.
CodeIndexMap<SimilarCandidate> lf_similarCandidates() {
  CodeIndexMap<SimilarCandidate> byModel;
  for (const auto& group : similarModelGroups) {
    if (group.size() < 2) continue;
    ModelList models;
    models.reserve(group.size());
    for (const std::string& code : group) models.push_back(gf_modelIndex(code));
    for (std::size_t i = 0; i < group.size(); ++i) {
      SimilarCandidate candidate{{group[i]}, {}};
      for (std::size_t j = 0; j < group.size(); ++j) {
        if (j == i || !lf_anyAirlineHasLivery(models[j])) continue;
        candidate.codes.push_back(group[j]);
        candidate.others.push_back(models[j]);
      }
      if (candidate.others.empty()) continue;
      const auto [entry, isNew] = byModel.try_emplace(models[i], candidate);
      if (!isNew && lf_joinedLess(candidate.codes, entry->second.codes)) entry->second = std::move(candidate);
    }
  }
  return byModel;
}

} // namespace

void gf_buildSimilarModels(const std::vector<std::uint16_t>& airlines) {
  for (auto& [model, candidate] : lf_similarCandidates())
    SimilarModelsWithLiveries.emplace(model, std::move(candidate.others));

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
