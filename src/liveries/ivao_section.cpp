// Processing of one [fltsim.N] section of an IVAO package file into a livery
// record; the section's texture folder must lie beside the file.
#include "liveries/ivao_section.h"

#include <optional>
#include <cstdint>
#include <system_error>

#include <fmt/format.h>

#include "core/log.h"
#include "core/text_utils.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/fltsim_section.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"
#include "refdata/registration_records.h"

namespace gwr {

namespace {

constexpr std::string_view textureFolderPrefix = "texture.";
constexpr std::size_t airlineCodeLength = 3;
// What the title pattern's blanks and end of line allow.
constexpr std::string_view titleBlanks = " \t\n\v\f\r";

// Whether path is a folder; false when it does not exist, an exception when
// it cannot be told.
bool lf_isFolder(const std::filesystem::path& path) {
  std::error_code error;
  const platform::FileLook look = platform::lookAt(path, error);
  if (!look.exists() && !error) return false;
  if (error) throw std::filesystem::filesystem_error("status", path, error);
  return look.isFolder();
}

enum class TextureFolder { Found, Missing, NameTooLong };

// The texture folder, found in any letter case as Windows would. A name the
// file system cannot hold costs the section, not the whole file.
TextureFolder lf_findTextureFolder(const std::filesystem::path& folder, const std::string& name) {
  try {
    if (lf_isFolder(folder / platform::pathFromUtf8(name))) return TextureFolder::Found;
  } catch (const std::filesystem::filesystem_error& error) {
    if (error.code() == std::errc::filename_too_long) return TextureFolder::NameTooLong;
    throw;
  }
  const std::optional<std::filesystem::path> other = platform::findChildNoCase(folder, name);
  return other && lf_isFolder(*other) ? TextureFolder::Found : TextureFolder::Missing;
}

struct IvaoSection {
  std::string title;
  std::string parkingTypes;
  std::string registration;
  std::string texture;
};

} // namespace

bool gf_isSpecialIvaoFolder(std::string_view folderText) {
  for (const std::string_view name : specialIvaoFolders)
    if (platform::containsNoCase(folderText, name)) return true;
  return false;
}

std::string gf_ivaoAirlineOfTitle(const std::string& title, const std::string& model, bool specialFolder) {
  if (!platform::startsWithNoCase(title, model)) return {};
  std::size_t at = model.size();
  if (specialFolder) {
    if (at >= title.size() || (title[at] != 'W' && title[at] != 'w')) return {};
    ++at;
  }
  while (at < title.size() && titleBlanks.find(title[at]) != std::string_view::npos) ++at;
  if (title.size() - at < airlineCodeLength) return {};
  for (std::size_t i = at; i < at + airlineCodeLength; ++i)
    if (!gf_isWordChar(title[i])) return {};
  // The rest may be anything but a line break.
  if (title.find_first_of("\r\n", at + airlineCodeLength) != std::string::npos) return {};
  return title.substr(at, airlineCodeLength);
}

LiveryData gf_processIvaoFltSimSection(const CfgFileContext& context, std::vector<std::string>& sectionLines) {
  gf_dropTrailingComments(sectionLines);
  if (sectionLines.empty()) return {};
  const std::string& header = sectionLines.front();
  const std::string& folderText = context.folderText;
  const std::string place = folderText + " " + header;

  IvaoSection section;
  for (const std::string& line : sectionLines) {
    std::string read;
    if (section.title.empty()) {
      if (gf_readTitle(line, read)) {
        section.title = gf_trim(read);
        if (section.title.size() < read.size())
          gf_log(fmt::format("removed spaces around title '{}' --> '{}'", read, section.title));
        continue;
      }
    } else if (gf_readTitle(line, read)) {
      gf_addIncompleteSectionLine(place + " has more than one title key");
      return {};
    }

    if (section.parkingTypes.empty()) {
      if (gf_readParkingTypes(line, read)) {
        gf_normalizeList(read);
        section.parkingTypes = gf_upperAscii(read);
        continue;
      }
    } else if (gf_hasParkingTypesKey(line)) {
      gf_addIncompleteSectionLine(place + " has more than one atc_parking_types key");
      return {};
    }

    if (section.registration.empty()) {
      if (gf_readAtcId(line, read)) {
        const auto pieces = gf_registrationPieces(read);
        if (!pieces)
          gf_addIncompleteSectionLine(fmt::format("invalid atc_id={} in {}", read, section.title));
        else if (pieces->size() == 1)
          section.registration = pieces->front();
        continue;
      }
    } else if (gf_hasAtcIdKey(line)) {
      gf_addIncompleteSectionLine(fmt::format("{}, {}, has more than one atc_id key", folderText, header));
      return {};
    }

    if (section.texture.empty() && gf_readTexture(line, read)) section.texture = read;
  }

  const std::string textureName = std::string(textureFolderPrefix) + section.texture;
  const TextureFolder texture = lf_findTextureFolder(context.folder, textureName);
  if (texture == TextureFolder::NameTooLong) {
    gf_addIncompleteSectionLine(fmt::format("{} has a texture name of {} bytes, longer than the file system allows",
                                            place, section.texture.size()));
    return {};
  }
  if (texture == TextureFolder::Missing) {
    gf_addIncompleteSectionLine(gf_reportPathText(context.folder / platform::pathFromUtf8(textureName)) + " " + header + " does not exist");
    return {};
  }
  if (section.title.empty()) {
    gf_addIncompleteSectionLine(place + " misses title");
    return {};
  }
  if (gf_isDontUseTitle(section.title)) return {};

  const std::string airline = gf_ivaoAirlineOfTitle(section.title, context.model, context.specialIvaoFolder);
  LivKey key;
  if (!airline.empty()) {
    if (!gf_isIcaoAirline(airline)) {
      gf_recordInvalidAirline(airline, context.file, header);
      return {};
    }
    if (airline == genericAirlineCode) section.registration.clear();
    // Cargo follows the parking types as for every other package.
    const bool cargo = gf_isCargoParking(section.parkingTypes);
    // Only a full code pool hands out index 0 (logged there); the record
    // maker refuses such a key.
    key = LivKey{gf_airlineIndex(airline), 0, gf_modelIndex(context.model), static_cast<std::uint8_t>(cargo ? 1 : 0),
                 0};
  } else {
    if (section.registration.empty()) {
      gf_addIncompleteSectionLine(place + " misses airlinecode in title: " + section.title + ", and no regcode");
      return {};
    }
    const std::optional<LivKey> reference = gf_lookupRegistration(section.registration);
    if (!reference) {
      gf_addIncompleteSectionLine(place + " misses airlinecode in title: " + section.title + ", and regcode unknown " +
                                  section.registration);
      return {};
    }
    // A reference record without airline or model cannot key a livery.
    if (reference->airline == 0 || reference->model == 0) {
      gf_addIncompleteSectionLine(place + " misses airlinecode in title: " + section.title +
                                  ", and regcode without airline or model " + section.registration);
      return {};
    }
    key = *reference;
  }

  return gf_makeLiveryData(static_cast<std::uint16_t>(context.folderRank), key, section.title, section.registration,
                           place + " title already exists: " + section.title);
}

} // namespace gwr
