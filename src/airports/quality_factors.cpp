// The quality factor score: per counted stand a weight by its size and, per
// group of options, a score from their count, days and half-hours.
#include "airports/quality_factors.h"

#include <algorithm>
#include <bitset>
#include <cmath>

#include <fmt/format.h>

#include "refdata/airports_table.h"

namespace gwr {

QualityFactors qualityFactors;

namespace {

struct GroupTally {
  std::int64_t options = 0;
  std::bitset<lastWeekday + 1> days;
  std::int64_t halfHours = 0;

  void add(const StandOption& option) {
    ++options;
    if (option.day >= firstWeekday && option.day <= lastWeekday) days.set(option.day);
    halfHours += static_cast<std::int64_t>(option.hours.count());
  }
  double score() const {
    return static_cast<double>(std::min(optionCountScore * options, optionCountScoreCap) + groupBaseScore +
                               dayScore * static_cast<std::int64_t>(days.count()) +
                               halfHourScore * std::min(halfHours, halfHourCountCap));
  }
};

// The factors written into handmade files and compared with their thresholds
// are those of this scale.
double lf_standWeight(const StandRecord& stand) {
  if (stand.radius <= smallStandRadiusNm) return smallStandWeight;
  if (stand.radius <= mediumStandRadiusNm) return mediumStandWeight;
  return otherStandWeight;
}

std::int32_t lf_percent(double score, double weights) {
  return std::clamp(static_cast<std::int32_t>(std::round(score / weights * qualityScale)), 0, 100);
}

} // namespace

std::uint64_t QualityFactors::packed() const {
  return std::uint64_t{static_cast<std::uint32_t>(Qf_real)} | std::uint64_t{static_cast<std::uint32_t>(Qf_soft)} << 32U;
}

QualityFactors QualityFactors::fromPacked(std::uint64_t value) {
  return {static_cast<std::int32_t>(static_cast<std::uint32_t>(value)),
          static_cast<std::int32_t>(static_cast<std::uint32_t>(value >> 32U))};
}

std::uint64_t gf_computeQualityFactors(const StandTable& table) {
  const bool anyOption = std::any_of(table.begin(), table.end(), [](const StandRecord& s) { return !s.options.empty(); });
  if (!anyOption) return QualityFactors{}.packed();
  double weights = 0.0;
  double realScore = 0.0;
  double softScore = 0.0;
  for (const StandRecord& stand : table) {
    if (stand.heli || stand.type == anySizeStandType) continue;
    const double weight = lf_standWeight(stand);
    weights += weight;
    GroupTally real;
    GroupTally soft;
    for (const StandOption& option : stand.options)
      if (option.index != 0) (option.real ? real : soft).add(option);
    if (real.options > 0) realScore += weight * real.score();
    if (soft.options > 0) softScore += weight * soft.score();
  }
  if (weights == 0.0) return QualityFactors{0, 0}.packed();
  return QualityFactors{lf_percent(realScore, weights), lf_percent(softScore, weights)}.packed();
}

std::string gf_qualityFactorText(const QualityFactors& factors) {
  if (factors.Qf_real < 0 && factors.Qf_soft < 0) return "  ";
  if (factors.Qf_real < richRealQuality) return fmt::format("{:2}/{:2}", factors.Qf_real, factors.Qf_soft);
  return fmt::format("{:2}", factors.Qf_real);
}

} // namespace gwr
