// Reading the reference database once per process: decrypting "dbase.enc"
// and filling the code pools, the registration records and every table.
#pragma once

#include <filesystem>
#include <string>

#include "core/decrypt.h"

namespace gwr {

inline constexpr int dbaseErrorCode = 61;  // UserErrorException code of a bad database

// Decrypts "input/dbase.enc" in memory with the build's key and reads it
// (gf_readDbaseFrom). Call once per process, before the airports table and
// any livery or traffic work.
bool gf_readDbase();

// The same from another file and key. No plain copy is ever written.
// - Throws std::runtime_error "{} not available" when encrypted is missing
//   and "{} stream decrypt failed" when it cannot be decrypted (a folder in
//   its place included; the log says why).
// - Throws UserErrorException 61 for a missing root or required section, or
//   a required section without entries; tables read before then stay filled.
// - False when the XML does not parse; true when read.
bool gf_readDbaseFrom(const std::filesystem::path& encrypted, const DataFileKey& key);

// Reads the database from its plain text, parsed in place (xml is used up);
// sourceName names it in the log. Same results and exceptions as above.
bool gf_readDbaseText(std::string& xml, const std::string& sourceName);

// Reads an already plain database file (tests, tools, benchmarks). Throws
// std::runtime_error when it is missing, a folder or unreadable.
bool gf_readDbaseXml(const std::filesystem::path& plain);

} // namespace gwr
