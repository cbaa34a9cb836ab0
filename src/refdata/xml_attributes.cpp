// Fast paths for the numbers of the shipped data files: a short decimal by one
// exact division, others by std::from_chars; both give strtod's value.
#include "refdata/xml_attributes.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace gwr {

namespace {

constexpr int maxExactDigits = 15;  // below 2^53: every such integer is an exact double
constexpr std::array<double, maxExactDigits + 1> exactPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A plain decimal ("52.3", "-11", ".5") of at most 15 digits: an exact
// integer divided by an exact power of ten, which one correctly rounded
// division turns into the very double that strtod gives. False for
// anything else.
bool lf_shortDecimal(const char* text, double& value) {
  const bool negative = *text == '-';
  if (negative) ++text;
  std::uint64_t digits = 0;
  int count = 0;
  int fractionDigits = 0;
  bool inFraction = false;
  for (; *text != '\0'; ++text) {
    if (*text == '.' && !inFraction) {
      inFraction = true;
      continue;
    }
    if (*text < '0' || *text > '9' || count == maxExactDigits) return false;
    digits = digits * 10 + static_cast<std::uint64_t>(*text - '0');
    ++count;
    if (inFraction) ++fractionDigits;
  }
  if (count == 0) return false;
  const double magnitude = static_cast<double>(digits) / exactPowersOfTen[static_cast<std::size_t>(fractionDigits)];
  value = negative ? -magnitude : magnitude;
  return true;
}

// True when from_chars read a number the way strtod or pugixml would have:
// it stopped neither on an error nor on the 'x' of a hexadecimal "0x".
template <typename Number>
bool lf_plainNumber(const char* text, Number& value) {
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  return error == std::errc() && *stop != 'x' && *stop != 'X';
}

} // namespace

double gf_attributeDouble(const pugi::xml_attribute& attribute) {
  double value = 0.0;
  if (attribute && (lf_shortDecimal(attribute.value(), value) || lf_plainNumber(attribute.value(), value)))
    return value;
  return attribute.as_double(0.0);
}

float gf_attributeFloat(const pugi::xml_attribute& attribute) {
  // pugixml reads a double and narrows it; so does this.
  double value = 0.0;
  if (attribute && (lf_shortDecimal(attribute.value(), value) || lf_plainNumber(attribute.value(), value)))
    return static_cast<float>(value);
  return attribute.as_float(0.0F);
}

int gf_attributeInt(const pugi::xml_attribute& attribute) {
  int value = 0;
  if (attribute && lf_plainNumber(attribute.value(), value)) return value;
  return attribute.as_int(0);
}

} // namespace gwr
