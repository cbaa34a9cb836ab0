// Category summaries of the installed liveries and the switch-off of the
// categories that have none.
#include "liveries/livery_categories.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/settings_catalogue.h"
#include "core/text_utils.h"
#include "liveries/livery_shell.h"
#include "liveries/livery_tables.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

struct CategorySetting {
  CheckboxBoolParameter* parameter;
  const char* switchOffLine;
};

// The model lists of the categories the matcher draws a random model from.
std::vector<std::uint16_t>* lf_modelListOf(AcCategory category) {
  switch (category) {
    case AcCategory::Light: return &LightModelList;
    case AcCategory::Buzjets: return &BuzjetModelList;
    case AcCategory::Rotorcraft: return &RotorcraftModelList;
    default: return nullptr;
  }
}

// The three categories that have a setting of their own.
const CategorySetting* lf_settingOf(AcCategory category) {
  static const CategorySetting light{&LIGHT_AIRCRAFT,
                                     "{} temporarily switched off because you do not have light aircraft installed"};
  static const CategorySetting highPerf{
      &HIGH_PERF_AIRCRAFT, "{} temporarily switched off because you do not have High Perf aircraft installed"};
  static const CategorySetting rotorcraft{&HELICOPTERS,
                                          "{} temporarily switched off because you do not have Helicopters installed"};
  switch (category) {
    case AcCategory::Light: return &light;
    case AcCategory::HighPerf: return &highPerf;
    case AcCategory::Rotorcraft: return &rotorcraft;
    default: return nullptr;
  }
}

} // namespace

void gf_logModelCodes(const std::vector<std::uint16_t>& models) {
  std::string line = "  ";
  std::size_t onLine = 0;
  auto flush = [&] {
    line.pop_back();  // the last ","
    gf_log(line);
    line = "  ";
    onLine = 0;
  };
  for (const std::uint16_t model : models) {
    line += gf_modelCode(model);
    line += ',';
    if (++onLine == modelCodesPerLine) flush();
  }
  if (onLine > 0) flush();
}

void gf_logCategorySummary(AcCategory category) {
  std::vector<std::uint16_t> models;
  std::array<std::uint64_t, 2> liveries{0, 0};
  for (std::size_t table : {paxTable, cargoTable}) {
    for (const auto& [model, titles] : PaxCargoModelTitles[table]) {
      if (gf_modelCategory(model) != category) continue;
      models.push_back(model);
      liveries[table] += titles.size();
    }
  }
  const CategorySetting* setting = lf_settingOf(category);
  const std::string_view name = gf_categoryName(category);

  if (liveries[paxTable] + liveries[cargoTable] == 0) {
    gf_log(fmt::format("Category {}: No livery found", name));
    if (setting == nullptr) return;
    CheckboxBoolParameter& parameter = *setting->parameter;
    if (parameter.current()) {
      // Off in the file too: the traffic intake then refuses the category
      // instead of handing the matcher aircraft it cannot dress.
      parameter.setCurrent(false);
      parameter.save();
      parameter.showCheck();
      gf_log(fmt::format(fmt::runtime(setting->switchOffLine), parameter.key));
    }
    gf_enableControl(parameter, false);
    return;
  }

  const std::string cargoText =
      liveries[cargoTable] > 0
          ? fmt::format(" and {} cargo liverie{}", liveries[cargoTable], gf_plural(liveries[cargoTable]))
          : std::string{};
  gf_log(fmt::format("Category {}: {} pax liverie{}{}", name, liveries[paxTable], gf_plural(liveries[paxTable]),
                     cargoText));
  std::sort(models.begin(), models.end());
  models.erase(std::unique(models.begin(), models.end()), models.end());
  gf_logModelCodes(models);
  if (std::vector<std::uint16_t>* list = lf_modelListOf(category)) *list = std::move(models);
  if (setting != nullptr) gf_enableControl(*setting->parameter, true);
}

void gf_logGenericLiveries() {
  const auto found = AirlineLiveryTable.find(GenericAirlineIndex);
  if (found == AirlineLiveryTable.end()) {
    gf_log("No generic liveries");
    return;
  }
  std::vector<std::uint16_t> models;
  models.reserve(found->second.size());
  for (const auto& entry : found->second) models.push_back(entry.first);
  std::sort(models.begin(), models.end());
  gf_log(fmt::format("{} model{} have a generic livery", models.size(), gf_plural(std::uint64_t{models.size()})));
  gf_logModelCodes(models);
}

} // namespace gwr
