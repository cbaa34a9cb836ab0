// How well an airport's stand table is furnished with flights: two
// percentages, for real and for soft options, shown and logged.
#pragma once

#include <cstdint>
#include <string>

#include "airports/apf_data.h"

namespace gwr {

struct QualityFactors {
  std::int32_t Qf_real = -1;  // 0..100, -1 when not known
  std::int32_t Qf_soft = -1;

  // Qf_real in the low and Qf_soft in the high 32 bits.
  std::uint64_t packed() const;
  static QualityFactors fromPacked(std::uint64_t value);
  bool operator==(const QualityFactors&) const = default;
};

// The park airport's factors; traffic thread only.
extern QualityFactors qualityFactors;

// Computed from the stands' options; (-1, -1) when no stand has any option.
std::uint64_t gf_computeQualityFactors(const StandTable& table);

// Two blanks when unknown; "{:2}/{:2}" below 45 real, else "{:2}".
std::string gf_qualityFactorText(const QualityFactors& factors);

} // namespace gwr
