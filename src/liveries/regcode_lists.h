// Registration-code lists: the shipped "AIG-regcodes" list and the user's
// "my_regcodes" text lists, read for don't-use titles before a scan and
// applied to the registration tables after the livery tables are built.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "core/decrypt.h"
#include "core/paths.h"
#include "liveries/livery_record.h"

namespace gwr {

// A registration of a user text list must be this long.
inline constexpr std::size_t minUserRegcodeBytes = 3;
inline constexpr std::size_t maxUserRegcodeBytes = 12;
// Lines shorter than this in a user text list are ignored.
inline constexpr std::size_t minUserListLineBytes = 6;
inline constexpr std::size_t reservedAigRecords = 7000;
inline constexpr std::size_t reservedMyRecords = 1000;
inline constexpr std::size_t reservedUserListLines = 1024;

// One entry of a list: a title, its registrations (ascending, each once) and
// whether the livery is special (painted for exactly these aircraft).
struct RegcodeRecord {
  std::string title;
  std::vector<std::string> registrations;
  bool special = false;
};

// The lines of "OfflineRegcodes.txt" of the last processing.
extern std::vector<std::string> regcodeMessages;

// Appends the records of the ".TXT" files (any case) directly in folder, the
// files taken in name order. False when a registration had a wrong length or
// the folder could not be read.
bool gf_readRegcodeTextLists(const std::filesystem::path& folder, std::vector<RegcodeRecord>& records);

// Appends the records of the shipped list's plain text xml, parsed in place
// (used up); file names it in the log. False when it cannot be parsed, has no
// valid meta block, no <aig> element, or repeats the title of its neighbour.
bool gf_readAigRegcodesXml(std::vector<RegcodeRecord>& records, std::string& xml,
                           const std::filesystem::path& file = regcodesXmlFile);

// Before a scan: the don't-use titles of both lists. The user's lists are
// read also when the shipped one cannot be decrypted. Never throws.
void gf_readDontUseTitles();

// After the livery tables are built: the in-line registrations of the scanned
// liveries. File-system failures of the clash report are thrown.
void gf_processInlineRegcodes(const LiveryList& scanned);

// Then the shipped list and the user's lists, into the registration tables
// and "OfflineRegcodes.txt". When the shipped list cannot be decrypted nothing
// is applied and "OfflineRegcodes.txt" is left alone. Logs its failures;
// never throws.
void gf_processRegcodeFiles();

// Puts the records into the registration tables; replacements go to regcodeMessages.
void gf_applyRegcodeEntries(const std::vector<RegcodeRecord>& records);

// The key the shipped list is decrypted with: the build's unless a test set
// another (nullptr: the build's again).
void gf_setRegcodesKeyForTests(const DataFileKey* key);

} // namespace gwr
