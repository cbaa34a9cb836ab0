// Leading numbers of traffic line fields through std::from_chars, with the
// non-finite values it also accepts refused.
#include "traffic/feed/leading_number.h"

#include <charconv>
#include <cmath>

namespace gwr {

std::optional<double> gf_leadingNumber(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || !std::isfinite(value)) return std::nullopt;
  return value;
}

} // namespace gwr
