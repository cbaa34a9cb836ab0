// Reading the stands of an airport stand file: each parkpos with its options,
// checked so that a malformed file is refused rather than half taken.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "airports/apf_data.h"

namespace gwr {

// A value in a stand file that cannot be right (a latitude off the globe, an
// unknown stand type, text where a number belongs): the file is refused.
class ApfFormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct OptionIdentity {
  std::string callsign1;
  std::string callsign2;
  LivKey codes;
};

// parkpositions under root, else under the document; an empty node without.
pugi::xml_node gf_findParkPositions(const pugi::xml_node& document);

// Appends every stand of the document to table. A missing, empty or repeated
// id throws UserErrorException 93 or 94; a bad value throws ApfFormatError.
void gf_readParkPositions(const pugi::xml_node& document, StandTable& table);

// Appends the stand, or logs and skips one without position.
void gf_readParkPos(const pugi::xml_node& parkpos, const std::string& id, std::uint32_t fromFile, StandTable& table);

// cs split at its first ':'; the codes of the registration in the database,
// else from airl and type.
OptionIdentity gf_readStandOption(const pugi::xml_node& opt);
LivKey gf_readOptionCodes(const pugi::xml_node& opt);

// The whole text, blanks around it aside, as a decimal integer; none otherwise.
std::optional<std::int32_t> gf_parseWholeInt(std::string_view text);

// The attribute as a number; missing gives fallback, anything but a finite
// number throws ApfFormatError naming the stand.
double gf_readStandNumber(const pugi::xml_node& node, const char* name, const std::string& id, double fallback);

} // namespace gwr
