// The attributes of the shipped data files read fast: numbers as pugixml reads
// them but without strtod for every ordinary one, several names in one walk.
#pragma once

#include <cstddef>

#include <pugixml.hpp>

namespace gwr {

// The same values as attribute.as_double(0.0), as_float(0.0F) and as_int(0):
// plain decimal texts take the fast path, anything else (blanks in front, a
// '+', hexadecimal, out of range) is left to pugixml itself.
double gf_attributeDouble(const pugi::xml_attribute& attribute);
float gf_attributeFloat(const pugi::xml_attribute& attribute);
int gf_attributeInt(const pugi::xml_attribute& attribute);

// The attribute of element named by the one character name, the first one
// when repeated. An element's attributes are walked once for all of them
// instead of once per name.
template <std::size_t N>
void gf_singleLetterAttributes(const pugi::xml_node& element, const char (&names)[N],
                               pugi::xml_attribute (&found)[N - 1]) {
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
    const char* name = attribute.name();
    if (name[0] == '\0' || name[1] != '\0') continue;
    for (std::size_t i = 0; i + 1 < N; ++i) {
      if (names[i] == name[0] && !found[i]) found[i] = attribute;
    }
  }
}

} // namespace gwr
