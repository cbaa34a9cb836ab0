// Reading the stands of an airport stand file: each parkpos with its options;
// a bad id refuses the file, a stand whose values cannot be used only itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "airports/apf_data.h"

namespace gwr {

// A stand's numbers as the file gives them: what is missing or no number
// reads as 0 (a text reads as far as it is a number).
struct StandValues {
  double latitude = 0.0, longitude = 0.0;
  double radiusMetres = 0.0, headingDeg = 0.0;
  int type = 0;
};

struct OptionIdentity {
  std::string callsign1;
  std::string callsign2;
  LivKey codes;
};

// parkpositions under root, else under the document; an empty node without.
pugi::xml_node gf_findParkPositions(const pugi::xml_node& document);

// Appends every stand of the document to table. A missing, empty or repeated
// id throws UserErrorException 93 or 94.
void gf_readParkPositions(const pugi::xml_node& document, StandTable& table);

// Appends the stand, or logs and skips one without position or with a value
// that cannot be used.
void gf_readParkPos(const pugi::xml_node& parkpos, const std::string& id, std::uint32_t fromFile, StandTable& table);

// cs split at its first ':'; the codes of the registration in the database,
// else from airl and type.
OptionIdentity gf_readStandOption(const pugi::xml_node& opt);
LivKey gf_readOptionCodes(const pugi::xml_node& opt);

// The whole text, blanks around it aside, as a decimal integer; none otherwise.
std::optional<std::int32_t> gf_parseWholeInt(std::string_view text);

StandValues gf_readStandValues(const pugi::xml_node& parkpos);

// A stand radius a stand can have: finite, not negative, at most
// largestStandRadiusMetres.
bool gf_usableStandRadius(double metres);

} // namespace gwr
