// Reading the registration-code lists and applying them, with in-line
// registrations first, the shipped list next and the user's lists last.
#include "liveries/regcode_lists.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <system_error>
#include <utility>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "core/xml_meta.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/livery_tables.h"
#include "liveries/scan_reports.h"
#include "platform/sys/folder_listing.h"

namespace gwr {

std::vector<std::string> regcodeMessages;

namespace {

namespace fs = std::filesystem;

std::atomic<const DataFileKey*> regcodesKey{nullptr};

const DataFileKey& lf_regcodesKey() {
  const DataFileKey* key = regcodesKey.load();
  return key != nullptr ? *key : gf_programDataKey();
}

// The shipped list: decrypted in memory and read, or nullopt when it cannot
// be decrypted. No plain copy is ever written.
struct ShippedList {
  std::vector<RegcodeRecord> records;
  bool good = false;
};

std::optional<ShippedList> lf_readShippedList() {
  std::optional<std::string> plain = gf_streamDecrypt(regcodesEncFile, lf_regcodesKey());
  if (!plain) {
    std::error_code error;
    if (platform::pathExists(regcodesEncFile, error)) {
      setStatusText(fmt::format("{} is damaged and cannot be decrypted, its registration codes are not used",
                                gf_pathToUtf8(regcodesEncFile)),
                    true);
    } else {
      gf_logError(fmt::format("{} not found, its registration codes are not used", gf_pathToUtf8(regcodesEncFile)));
    }
    return std::nullopt;
  }
  ShippedList list;
  list.records.reserve(reservedAigRecords);
  list.good = gf_readAigRegcodesXml(list.records, *plain);
  return list;
}

const char* lf_liveryWord(std::size_t count) { return count == 1 ? "livery" : "liveries"; }

bool lf_userRegcodeFits(const std::string& registration) {
  return registration.size() >= minUserRegcodeBytes && registration.size() <= maxUserRegcodeBytes;
}

// One line of a user list; false when a registration had a wrong length.
bool lf_readListLine(const std::string& line, const fs::path& file, std::vector<RegcodeRecord>& records) {
  if (line.size() < minUserListLineBytes) return true;
  std::vector<std::string> fields = gf_splitTrimmed(line, ';');
  std::erase_if(fields, [](const std::string& field) { return field.empty(); });
  if (fields.empty() || fields.size() > 3) return true;
  if (fields.size() == 1) {
    records.push_back({fields[0], {}, false});
    return true;
  }
  bool good = true;
  const std::vector<std::string> pieces = gf_splitCommaSorted(fields[1]);
  std::vector<std::string> taken;
  for (const std::string& piece : pieces) {
    if (lf_userRegcodeFits(piece)) {
      taken.push_back(piece);
    } else {
      gf_logError(fmt::format("wrong regcode length '{}' in {}", piece, gf_pathToUtf8(file)));
      good = false;
    }
  }
  if (pieces.size() == 1) {
    // One registration names one aircraft: that always makes the livery special.
    if (!taken.empty()) records.push_back({fields[0], taken, true});
    return good;
  }
  const bool special = fields.size() == 3 && fields[2] == "#";
  if (taken.empty()) {
    records.push_back({fields[0], {}, false});
  } else {
    records.push_back({fields[0], std::move(taken), special});
  }
  return good;
}

// A record without registrations names a livery never to be used; their count.
std::size_t lf_addDontUseTitles(const std::vector<RegcodeRecord>& records) {
  std::size_t count = 0;
  for (const RegcodeRecord& record : records) {
    if (!record.registrations.empty()) continue;
    gf_addDontUseTitle(record.title);
    ++count;
  }
  return count;
}

void lf_readMyDontUseTitles() {
  std::vector<RegcodeRecord> records;
  records.reserve(reservedMyRecords);
  gf_readRegcodeTextLists(myRegcodesFolder, records);
  const std::size_t count = lf_addDontUseTitles(records);
  gf_log(fmt::format("{:5} don't use title{} read from files in {}", count, gf_plural(std::uint64_t{count}),
                     gf_pathToUtf8(myRegcodesFolder)));
}

// The lines name the list by its plain file, as users know it, although it is
// decrypted in memory and never written out.
void lf_applyAigRegcodes(const ShippedList& list) {
  regcodeMessages.push_back(fmt::format("Processing file {}", gf_pathToUtf8(regcodesXmlFile)));
  if (!list.good) {
    regcodeMessages.push_back(fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                          gf_pathToUtf8(regcodesXmlFile)));
  }
  gf_applyRegcodeEntries(list.records);
}

void lf_applyMyRegcodes() {
  if (gf_countFiles(myRegcodesFolder) == 0) return;
  const std::string folderText = gf_pathToUtf8(myRegcodesFolder);
  regcodeMessages.push_back(fmt::format("Processing files in {}", folderText));
  std::vector<RegcodeRecord> records;
  records.reserve(reservedMyRecords);
  if (!gf_readRegcodeTextLists(myRegcodesFolder, records)) {
    setStatusText(fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt", folderText),
                  true);
  }
  gf_applyRegcodeEntries(records);
}

void lf_removeOrThrow(const fs::path& file) {
  if (const std::error_code error = gf_removeIfPresent(file)) throw fs::filesystem_error("remove", file, error);
}

void lf_writeOrLog(const std::vector<std::string>& lines, const fs::path& file) {
  if (!gf_writeTextLines(lines, file)) gf_logError(fmt::format("Error writing file {}", gf_pathToUtf8(file)));
}

} // namespace

bool gf_readRegcodeTextLists(const std::filesystem::path& folder, std::vector<RegcodeRecord>& records) {
  bool good = true;
  try {
    std::vector<fs::path> files;
    std::error_code error;
    for (const platform::ListedEntry& entry : platform::listFolder(folder, error)) {
      if (entry.isRegular() && gf_equalsUpper(".TXT", gf_pathToUtf8(entry.path.extension())))
        files.push_back(entry.path);
    }
    if (error) throw fs::filesystem_error("list", folder, error);
    // Name order, so that which of two lists overrides the other does not
    // depend on how the file system lists them.
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      TextFile text(file);
      const TextLinesResult read = text.readLines(reservedUserListLines);
      if (read.ok()) {
        for (const std::string& line : read.lines) good = lf_readListLine(line, file, records) && good;
      }
      gf_log(fmt::format("{:5} {} read from {}", records.size(), lf_liveryWord(records.size()), gf_pathToUtf8(file)));
    }
  } catch (const std::exception& error) {
    gf_logError(fmt::format("Error reading regcode files in {}, what: {}", gf_pathToUtf8(folder), error.what()));
    return false;
  }
  return good;
}

bool gf_readAigRegcodesXml(std::vector<RegcodeRecord>& records, std::string& xml, const std::filesystem::path& file) {
  pugi::xml_document document;
  if (!document.load_buffer_inplace(xml.data(), xml.size())) {
    gf_logError(fmt::format("Failed to load {}", gf_pathToUtf8(file)));
    return false;
  }
  if (!gf_readMeta(document, false)) return false;
  const pugi::xml_node aig = document.child("root").child("aig");
  if (!aig) {
    gf_logError("No <aig> node found in XML.");
    return false;
  }
  bool good = true;
  std::string lastTitle;
  std::size_t count = 0;
  for (const pugi::xml_node entry : aig.children("l")) {
    const std::string title = entry.attribute("t").as_string();
    if (title.empty()) continue;
    if (count > 0 && title == lastTitle) {
      gf_logError(fmt::format("Duplicate title '{}' (same as previous)", title));
      good = false;
      continue;
    }
    records.push_back({title, gf_splitCommaSorted(entry.attribute("r").as_string()), entry.attribute("s").as_bool()});
    lastTitle = title;
    ++count;
  }
  gf_log(fmt::format("{:5} {} read from {}", count, lf_liveryWord(count), gf_pathToUtf8(file.filename())));
  return good;
}

void gf_readDontUseTitles() {
  try {
    if (const std::optional<ShippedList> list = lf_readShippedList()) {
      const std::size_t count = lf_addDontUseTitles(list->records);
      gf_log(fmt::format("{:5} don't use title{} read", count, gf_plural(std::uint64_t{count})));
    }
  } catch (const std::exception& error) {
    gf_logError(fmt::format("exception: {}", error.what()));
  }
  try {
    if (gf_countFiles(myRegcodesFolder) > 0) lf_readMyDontUseTitles();
  } catch (const std::exception& error) {
    gf_logError(fmt::format("exception: {}", error.what()));
  }
}

void gf_processInlineRegcodes(const LiveryList& scanned) {
  std::vector<std::string> clashes;
  for (const LiveryData& livery : scanned) {
    if (livery.registration.empty()) continue;
    const std::string_view title = gf_findLiveryTitle(livery.title);
    if (title.empty()) {
      clashes.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                    livery.key.keyText(), livery.registration, livery.title));
      continue;
    }
    const auto [byRegistration, newRegistration] = RegcodeTitleMap.try_emplace(livery.registration, title);
    if (!newRegistration && byRegistration->second != title) {
      clashes.push_back(
          fmt::format("{} '{}' => already in use by '{}'", livery.registration, livery.title, byRegistration->second));
    }
    const auto [byTitle, newTitle] = TitleRegcodeMap.try_emplace(title, livery.registration);
    if (!newTitle && byTitle->second != livery.registration) {
      clashes.push_back(
          fmt::format("{} '{}' => already in use by '{}'", livery.title, livery.registration, byTitle->second));
    }
  }
  if (clashes.empty()) return;
  // A folder that cannot be made shows as the write's own failure below.
  std::string cause;
  gf_makeFolders(errorsFolder, cause);
  lf_writeOrLog(clashes, inlineRegcodesFile);
  gf_log(fmt::format("{:5} in-line regcode clashes, see '{}'", clashes.size(), gf_pathToUtf8(inlineRegcodesFile)));
}

void gf_processRegcodeFiles() {
  regcodeMessages.clear();
  try {
    // The user's lists correct the shipped one; without it neither is applied,
    // and the previous report stays as it was.
    const std::optional<ShippedList> list = lf_readShippedList();
    if (!list) return;
    lf_applyAigRegcodes(*list);
    lf_applyMyRegcodes();
    lf_removeOrThrow(offlineRegcodesFile);
    if (regcodeMessages.empty()) return;
    lf_writeOrLog(regcodeMessages, offlineRegcodesFile);
    gf_log(fmt::format("Offline regcode files processed, results can be found in '{}'",
                       gf_pathToUtf8(offlineRegcodesFile)));
    if (!SpecialLiveryTitles.empty()) gf_log(fmt::format("{:5} special liveries", SpecialLiveryTitles.size()));
    if (!UniqueRegcodes.empty()) gf_log(fmt::format("{:5} unique liveries", UniqueRegcodes.size()));
  } catch (const std::exception& error) {
    gf_logError(fmt::format("exception: {}", error.what()));
  }
}

void gf_applyRegcodeEntries(const std::vector<RegcodeRecord>& records) {
  std::size_t added = 0;
  std::size_t replaced = 0;
  std::size_t special = 0;
  for (const RegcodeRecord& record : records) {
    const std::string_view title = gf_findLiveryTitle(record.title);
    if (title.empty()) continue;
    for (const std::string& registration : record.registrations) {
      const auto [entry, isNew] = RegcodeTitleMap.try_emplace(registration, title);
      if (isNew) {
        ++added;
      } else if (entry->second != title) {
        regcodeMessages.push_back(
            fmt::format("   regcode {} for '{}', instead of the same for '{}'", registration, title, entry->second));
        entry->second = title;
        ++replaced;
      }
      if (record.special) {
        SpecialRegcodes.insert(registration);
        if (record.registrations.size() == 1) UniqueRegcodes.insert(registration);
      }
    }
    if (record.special) {
      SpecialLiveryTitles.push_back(title);
      ++special;
    }
  }
  std::string summary = fmt::format("{} new regcode{} added", added, gf_plural(std::uint64_t{added}));
  if (replaced > 0) summary += fmt::format(", {} regcode{} replaced", replaced, gf_plural(std::uint64_t{replaced}));
  if (special > 0)
    summary += fmt::format(", {} regcode{} defined as special", special, gf_plural(std::uint64_t{special}));
  regcodeMessages.push_back(std::move(summary));
}

void gf_setRegcodesKeyForTests(const DataFileKey* key) {
  regcodesKey.store(key);
}

} // namespace gwr
