// Reading airports from compiled scenery (BGL) files: the airport section, each
// airport record's ident, altitude, helipads and parking list, bounds-checked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "airports/apf_data.h"

namespace gwr {

// What the reader meets, told to its user: the airport scan writes to its
// report and the log, the check tool prints.
class BglReaderEvents {
public:
  virtual ~BglReaderEvents() = default;
  // A decoded ident: read this airport?
  virtual bool acceptCode(const std::string& code) = 0;
  // A report line (an invalid position, a repeated helipad or stand id).
  virtual void note(std::string line) = 0;
  // A log line; warning lines get the log's warning mark.
  virtual void log(std::string line, bool warning) = 0;
  // The airport's record before its stands are read; false: leave it there.
  virtual bool wantStands(ApfData& apf) = 0;
  // The airport with its stands; helipads is the number of helipads taken.
  virtual void airportRead(ApfData& apf, std::int32_t helipads) = 0;
};

// The file has an airport section in a section table that fits the file.
bool gf_bglHasAirport(const std::filesystem::path& file);

// The stream's bytes as little-endian 32-bit words; a trailing partial word is dropped.
void gf_readFileWords(std::istream& in, std::vector<std::uint32_t>& words);
void gf_readFileWords(std::string_view bytes, std::vector<std::uint32_t>& words);

// The packed ident as text; valid is false for blanks, '?' or more than ten characters.
std::string gf_decodeBglIcao(std::uint32_t packed, bool& valid);

// Reads every airport record of the file; each airport section's records are
// walked up to the end of its subsections, not into what follows it. A file
// too short, with another header size or an impossible section table is
// passed over without a message. Other damage is logged naming the file: a
// damaged record ends its section (the airports before it are kept), a damaged
// subrecord ends its airport's walk, and the airport is still given with the
// stands read before it. An undamaged file without an airport record of this
// simulator gets a report line saying so (another simulator's format, or none).
// Never throws: an unexpected error is logged. False when the file had damage
// or was passed over.
bool gf_processBglFile(const std::filesystem::path& file, BglReaderEvents& events);

// Reads every airport record of words; the same, without the file.
bool gf_processBglWords(const std::vector<std::uint32_t>& words, const std::filesystem::path& file,
                        BglReaderEvents& events);

} // namespace gwr
