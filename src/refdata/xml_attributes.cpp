// Fast paths for the numbers of the shipped data files: std::from_chars gives
// the correctly rounded value that strtod gives, without its locale look-ups.
#include "refdata/xml_attributes.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace gwr {

namespace {

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
  if (attribute && lf_plainNumber(attribute.value(), value)) return value;
  return attribute.as_double(0.0);
}

float gf_attributeFloat(const pugi::xml_attribute& attribute) {
  // pugixml reads a double and narrows it; so does this.
  double value = 0.0;
  if (attribute && lf_plainNumber(attribute.value(), value)) return static_cast<float>(value);
  return attribute.as_float(0.0F);
}

int gf_attributeInt(const pugi::xml_attribute& attribute) {
  int value = 0;
  if (attribute && lf_plainNumber(attribute.value(), value)) return value;
  return attribute.as_int(0);
}

} // namespace gwr
