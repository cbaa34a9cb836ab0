// Reading the reference database once per process: decrypting "dbase.enc"
// and filling the code pools, the registration records and every table.
#pragma once

#include <filesystem>

#include "core/decrypt.h"

namespace gwr {

inline constexpr int dbaseErrorCode = 61;  // UserErrorException code of a bad database

// Decrypts "input/dbase.enc" to "input/dbase.xml" with the build's key and
// reads it (gf_readDbaseFrom). Call once per process, before the airports
// table and any livery or traffic work.
bool gf_readDbase();

// The same from other files and key. The plain file is removed on every way
// out, exceptions included.
// - Throws std::runtime_error "{} not available" when encrypted is missing
//   and "{} stream decrypt failed" when it cannot be decrypted.
// - Throws UserErrorException 61 for a missing root or required section, or
//   a required section without entries; tables read before then stay filled.
// - False when the XML does not parse; true when read.
bool gf_readDbaseFrom(const std::filesystem::path& encrypted, const std::filesystem::path& plain,
                      const DataFileKey& key);

// Reads an already plain database and leaves the file in place (tests,
// benchmarks). Same results and exceptions as gf_readDbaseFrom.
bool gf_readDbaseXml(const std::filesystem::path& plain);

} // namespace gwr
