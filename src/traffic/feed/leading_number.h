// The number at the start of a field, read the way the from-chars rules read
// a double: the rest of the field is ignored; NaN and infinities are refused.
#pragma once

#include <optional>
#include <string_view>

namespace gwr {

// The finite number at the start of text; none when text does not begin
// with one, or it is NaN, infinite or out of double's range.
std::optional<double> gf_leadingNumber(std::string_view text);

} // namespace gwr
