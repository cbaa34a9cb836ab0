// The scanned livery list's ordering and duplicate rule, and writing, reading
// and setting aside the scan result file "LiveriesScanned.xml".
#include "liveries/livery_record.h"

#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/log.h"
#include "core/run_state.h"
#include "core/user_error.h"
#include "core/version.h"
#include "core/xml_file.h"
#include "core/xml_meta.h"
#include "core/xml_parameter.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"
#include "refdata/code_pools.h"

namespace gwr {

LiveryList ScannedLiveries;

namespace {

constexpr int fileNotLoadableCode = 51;
constexpr int noLiveriesSectionCode = 52;
constexpr int missingAttributeCode = 999;
constexpr int noLiveriesCode = 533;
constexpr std::string_view damagedSuffix = ".damaged";

bool lf_sameEntry(const LiveryData& a, const LiveryData& b) {
  return a.title == b.title && a.key.airline == b.key.airline && a.key.airlineOperator == b.key.airlineOperator &&
         a.key.model == b.key.model && a.registration == b.registration;
}

// The first of "a", "m", "t" missing from the element throws.
void lf_requireAttributes(const pugi::xml_node& element) {
  for (const char* name : {"a", "m", "t"}) {
    if (!element.attribute(name)) {
      throw DamagedScanResult(missingAttributeCode,
                              fmt::format("Missing required attribute '{}' in <{}>", name, element.name()));
    }
  }
}

} // namespace

bool gf_liveryDataLess(const LiveryData& a, const LiveryData& b) {
  if (a.key.airline != b.key.airline) return gf_airlineCode(a.key.airline) < gf_airlineCode(b.key.airline);
  if (a.key.airlineOperator != b.key.airlineOperator) {
    return gf_airlineCode(a.key.airlineOperator) < gf_airlineCode(b.key.airlineOperator);
  }
  if (a.key.model != b.key.model) return gf_modelCode(a.key.model) < gf_modelCode(b.key.model);
  return a.title < b.title;
}

bool gf_lacksAirlineOrModel(const LiveryData& livery) { return livery.key.airline == 0 || livery.key.model == 0; }

void gf_sortUniqueLiveries(LiveryList& liveries) {
  liveries.sort(gf_liveryDataLess);
  liveries.unique(lf_sameEntry);
}

bool gf_writeLiveriesScanned(const LiveryList& liveries, const std::filesystem::path& file) {
  if (liveries.empty()) return false;

  pugi::xml_document document;
  MetaInfo meta;
  meta.version = programVersion.text();
  meta.sim = simNumber.load();
  gf_writeMeta(document, meta);
  pugi::xml_node root = document.child("root");
  if (!root) return false;
  pugi::xml_node list = root.append_child("liveries");

  for (const LiveryData& livery : liveries) {
    pugi::xml_node element = list.append_child("l");
    gf_appendAttribute(element, "a", gf_airlineCode(livery.key.airline));
    if (livery.key.airlineOperator != 0) gf_appendAttribute(element, "o", gf_airlineCode(livery.key.airlineOperator));
    gf_appendAttribute(element, "m", gf_modelCode(livery.key.model));
    if (livery.key.cargo != 0) gf_appendAttribute(element, "c", "true");
    gf_appendAttribute(element, "t", livery.title);
    if (!livery.registration.empty()) gf_appendAttribute(element, "r", livery.registration);
  }

  if (!gf_saveXml(document, file)) return false;
  gf_log(fmt::format("{} liveries in {}", liveries.size(), platform::pathToUtf8(file)));
  return true;
}

void gf_requireScanResultNotFolder(const std::filesystem::path& file) {
  std::error_code error;
  if (platform::isFolder(file, error))
    throw UserErrorException(scanResultIsFolderCode,
                             fmt::format("{} is a folder, where the liveries scan result file belongs: remove or "
                                         "rename it",
                                         platform::pathToUtf8(file)));
}

void gf_readLiveriesScanned(LiveryList& liveries, const std::filesystem::path& file) {
  liveries.clear();
  gf_requireScanResultNotFolder(file);

  pugi::xml_document document;
  const pugi::xml_parse_result loaded = gf_loadXmlFile(document, file);
  if (!loaded) {
    std::error_code error;
    if (!platform::pathExists(file, error))
      throw UserErrorException(fileNotLoadableCode, fmt::format("File {} not found", platform::pathToUtf8(file)));
    throw DamagedScanResult(fileNotLoadableCode, fmt::format("File {} is damaged: {} at byte {}", platform::pathToUtf8(file),
                                                             loaded.description(), loaded.offset));
  }
  // Only for the notice it logs when the block is missing.
  (void)gf_readMeta(document, false);

  const pugi::xml_node root = document.child("root");
  const pugi::xml_node list = root.child("liveries");
  if (root && !list) {
    throw DamagedScanResult(noLiveriesSectionCode,
                            fmt::format("{} does not contain a <liveries> section", platform::pathToUtf8(file)));
  }

  for (const pugi::xml_node& element : list.children()) {
    if (element.type() != pugi::node_element) continue;
    lf_requireAttributes(element);
    LiveryData livery;
    livery.key.airline = gf_airlineIndex(element.attribute("a").as_string());
    livery.key.airlineOperator = gf_airlineIndex(element.attribute("o").as_string());
    livery.key.model = gf_modelIndex(element.attribute("m").as_string());
    livery.key.cargo = element.attribute("c").as_bool() ? 1 : 0;
    livery.title = element.attribute("t").as_string();
    livery.registration = element.attribute("r").as_string();
    liveries.push_back(std::move(livery));
  }

  liveries.sort(gf_liveryDataLess);
  if (liveries.empty()) throw DamagedScanResult(noLiveriesCode, platform::pathToUtf8(file) + " does not contain liveries");
  gf_log(fmt::format("{:5} liveries read from {}", liveries.size(), platform::pathToUtf8(file)));
}

std::filesystem::path gf_setAsideDamagedScanResult(const std::filesystem::path& file) {
  std::filesystem::path aside = file;
  aside += damagedSuffix;
  if (const std::error_code error = platform::renameFile(file, aside))
    throw std::filesystem::filesystem_error("rename", file, aside, error);
  return aside;
}

} // namespace gwr
