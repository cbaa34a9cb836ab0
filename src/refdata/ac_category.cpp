// Names of the aircraft size categories, as they appear in log lines and
// reports.
#include "refdata/ac_category.h"

#include <array>
#include <stdexcept>

namespace gwr {

namespace {

constexpr std::array<std::string_view, acCategoryCount> categoryNames{"Light", "Buzjets",  "Large",
                                                                      "Heavy", "HighPerf", "Rotorcraft"};

} // namespace

std::string_view gf_categoryName(AcCategory category) {
  const std::size_t slot = gf_categorySlot(category);
  if (slot >= categoryNames.size()) throw std::out_of_range("invalid unordered_map<K, T> key");
  return categoryNames[slot];
}

} // namespace gwr
