// Link files to archived stand files and generated stand files of add-on
// airports, with the report lines the scan keeps of each.
#include "airports/apf_generation.h"

#include <algorithm>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/airports_constants.h"
#include "airports/apf_locations.h"
#include "airports/apf_writer.h"
#include "airports/package_manifest.h"
#include "airports/scan_log.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "core/text_files.h"
#include "core/xml_file.h"
#include "core/xml_parameter.h"
#include "refdata/dbase_tables.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

constexpr std::string_view reportMark = "===> ";

bool lf_writeLink(const std::filesystem::path& folder, FixedCode<4> icao, const std::string& archived) {
  const std::filesystem::path link = folder / gf_apfLinkFileName(icao);
  std::error_code ignored;  // a folder that cannot be made shows in the write
  gf_makeFolders(folder, ignored);
  if (gf_writeTextFile(archived, link)) return true;
  gf_scanNote(fmt::format("{}Writing {} did not succeed", reportMark, gf_pathToUtf8(link)));
  gf_logError(fmt::format("Writing link file {} failed", gf_pathToUtf8(link)));
  return false;
}

std::string lf_replaceBlanks(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == ' ' ? std::string("%20") : std::string(1, c);
  return out;
}

} // namespace

bool gf_isHandmadeApf(const std::filesystem::path& file) {
  pugi::xml_document document;
  if (!gf_loadXmlFile(document, file)) return false;
  return gf_readStringParameter(document, "handmade").value_or("") == "true";
}

bool gf_keepsHandmadeApf(FixedCode<4> icao) {
  for (const auto& folder : {myThirdpartyFolder, mySimaddonFolder}) {
    const std::filesystem::path file = folder / gf_apfFileName(icao);
    if (!gf_isHandmadeApf(file)) continue;
    gf_scanNote(fmt::format("{} kept: hand-made file {}", icao.view(), gf_pathToUtf8(file)));
    return true;
  }
  return false;
}

std::string gf_simaddonArchivePath(FixedCode<4> icao) {
  const std::string code(icao.view());
  const auto& set = SimEdition.load() ? simAddonAirports20 : simAddonAirports24;
  if (set.contains(code)) return fmt::format("{}{}/{}.xml", archivePrefix, simaddonPublisher, code);
  gf_scanNote(fmt::format("{} does not exist as simaddon", code));
  return {};
}

std::string gf_thirdPartyArchivePath(const ApfData& apf) {
  const std::string folder = fmt::format("{}thirdparty/{}/", archivePrefix, lf_replaceBlanks(apf.publisher));
  const std::string code(apf.icao.view());
  const bool edition2020 = SimEdition.load();
  if (apf.manifest) {
    const std::string versioned = gf_apfCodeText(apf.icao, apf.manifest->version);
    if (gf_isThirdPartyAirport(edition2020, apf.publisher, versioned)) return folder + versioned + ".xml";
  }
  if (gf_isThirdPartyAirport(edition2020, apf.publisher, code)) return folder + code + ".xml";
  gf_scanNote(fmt::format("thirdparty {} {} does not exist", apf.publisher, code));
  return {};
}

bool gf_writeApfLinks(ApfData& apf) {
  if (gf_keepsHandmadeApf(apf.icao)) return true;
  if (apf.publisher.empty()) gf_detectPublisher(apf);
  if (apf.publisher.empty()) return false;
  if (apf.publisher != simaddonPublisher) {
    const std::string archived = gf_thirdPartyArchivePath(apf);
    if (archived.empty() || !lf_writeLink(myThirdpartyFolder, apf.icao, archived)) return false;
    gf_scanNote(fmt::format("thirdparty airport {} linked to {}\n", apf.icao.view(), archived));
    return true;
  }
  const std::string archived = gf_simaddonArchivePath(apf.icao);
  if (archived.empty() || !lf_writeLink(mySimaddonFolder, apf.icao, archived)) return false;
  gf_scanNote(fmt::format("{} airport {} linked to {}\n", simaddonPublisher, apf.icao.view(), archived));
  return true;
}

void gf_cutPathAtCommunity(std::string& path) {
  const std::size_t at = path.find(communityFolderName);
  if (at != std::string::npos) path.erase(0, at);
}

void gf_generateApf(ApfData& apf, std::int32_t helipads) {
  if (apf.stands.empty()) {
    gf_scanNote(fmt::format("{} has no stands", apf.icao.view()));
    return;
  }
  const std::filesystem::path& folder = apf.publisher == simaddonPublisher ? mySimaddonFolder : myThirdpartyFolder;
  const std::size_t count = apf.stands.size();
  const std::string helipadPart =
      helipads >= 1 ? fmt::format(" of which {} helipad{}", helipads, helipads == 1 ? "" : "s") : std::string();
  gf_scanNote(fmt::format("Generated {}: {} position{}{}", apf.icao.view(), count, count == 1 ? "" : "s",
                          helipadPart));
  std::sort(apf.stands.begin(), apf.stands.end(),
            [](const StandRecord& a, const StandRecord& b) { return a.id < b.id; });
  if (cutBglPathForSharing || cutBglPathForArchive) gf_cutPathAtCommunity(apf.BGLpath);
  gf_makeFoldersOrThrow(folder);
  const std::filesystem::path file = folder / gf_apfFileName(apf.icao);
  if (!gf_writeApf(apf, file, ApfMode::Generated, simNumber.load()))
    gf_scanNote(fmt::format("{}Writing {} did not succeed", reportMark, gf_pathToUtf8(file)));
}

} // namespace gwr
