// The stand file folders of the airports tree, the lookup order over them and
// the mapping of a stand file's path to its learned file.
#include "airports/apf_locations.h"

#include <algorithm>

#include <fmt/format.h>

#include "core/paths.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"

namespace gwr {

namespace {

constexpr std::size_t linkLinesReserved = 2;

bool lf_startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool lf_hasArchivedApf(FixedCode<4> icao) {
  const AirportRecord* airport = gf_findAirport(icao);
  return airport && airport->stands >= 1;
}


std::string lf_replaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, done)) {
    result.append(text.substr(done, at - done)).append(to);
    done = at + from.size();
  }
  return result.append(text.substr(done));
}

// A relative path written with '\' separators as a path of this system.
std::filesystem::path lf_relative(std::string_view backslashed) {
  std::filesystem::path path;
  while (!backslashed.empty()) {
    const std::size_t end = std::min(backslashed.find('\\'), backslashed.size());
    if (end > 0) path /= std::string(backslashed.substr(0, end));
    backslashed.remove_prefix(std::min(end + 1, backslashed.size()));
  }
  return path;
}

} // namespace

std::string gf_apfFileNameText(FixedCode<4> icao) { return fmt::format("{}.xml", icao.view()); }
std::filesystem::path gf_apfFileName(FixedCode<4> icao) { return gf_apfFileNameText(icao); }
std::filesystem::path gf_apfLinkFileName(FixedCode<4> icao) { return fmt::format("{}.txt", icao.view()); }

bool gf_isApfFileName(std::string_view name) {
  constexpr std::string_view extension = ".xml";
  if (name.size() != FixedCode<4>::size + extension.size() || !name.ends_with(extension)) return false;
  return std::all_of(name.begin(), name.begin() + FixedCode<4>::size,
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::string gf_apfCodeText(FixedCode<4> icao, std::string_view text) {
  std::string withoutDots(text);
  std::erase(withoutDots, '.');
  return fmt::format("{}{}", icao.view(), withoutDots);
}

std::string gf_trimBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool gf_readApfLink(const std::filesystem::path& link, std::string& out) {
  out.clear();
  if (!platform::lookAt(link).exists()) return false;
  TextFile file(link);
  const TextLinesResult result = file.readLines(linkLinesReserved);
  if (!result.ok() || result.lines.empty()) return false;
  std::string first = result.lines.front();
  first.erase(first.find_last_not_of(blankSet) + 1);
  constexpr std::string_view xmlExtension = ".XML";
  if (first.size() < xmlExtension.size() || gf_upperAscii(first.substr(first.size() - xmlExtension.size())) != xmlExtension)
    return false;
  out = std::move(first);
  return true;
}

std::string gf_locateApf(FixedCode<4> icao) {
  std::string stored;
  for (const std::filesystem::path& folder : {myThirdpartyFolder, mySimaddonFolder}) {
    if (gf_readApfLink(folder / gf_apfLinkFileName(icao), stored)) return stored;
    const std::filesystem::path local = folder / gf_apfFileName(icao);
    if (platform::lookAt(local).exists()) return local.generic_string();
  }
  if (lf_hasArchivedApf(icao)) return fmt::format("{}stock/{}", archivePrefix, gf_apfFileNameText(icao));
  return {};
}

bool gf_hasLocalApf(FixedCode<4> icao) {
  for (const std::filesystem::path& folder : {myThirdpartyFolder, mySimaddonFolder})
    if (platform::lookAt(folder / gf_apfFileName(icao)).exists() ||
        platform::lookAt(folder / gf_apfLinkFileName(icao)).exists())
      return true;
  return lf_hasArchivedApf(icao);
}

std::filesystem::path gf_shortApfPath(const std::filesystem::path& path) {
  constexpr std::size_t codeLength = 4;
  const std::string stem = path.stem().string();
  if (stem.size() <= codeLength) return path;
  std::filesystem::path shortened = path;
  shortened.replace_filename(stem.substr(0, codeLength) + path.extension().string());
  return shortened;
}

std::filesystem::path gf_mapStoredApfPath(const std::string& stored, const std::string& publisher) {
  if (stored.empty()) return {};
  std::string text = stored;
  std::replace(text.begin(), text.end(), '/', '\\');
  const std::filesystem::path relative = lf_relative(text);
  if (gf_upperAscii(relative.extension().string()) != ".XML") return {};
  const std::filesystem::path fileName = relative.filename();

  if (lf_startsWith(text, "archive\\stock\\")) return learnedStockFolder / fileName;
  if (lf_startsWith(text, "archive\\simaddon\\")) return learnedSimaddonFolder / fileName;
  constexpr std::string_view thirdparty = "archive\\thirdparty\\";
  if (const std::size_t at = text.find(thirdparty); at != std::string::npos) {
    const std::size_t start = at + thirdparty.size();
    const std::size_t end = text.find('\\', start);
    if (end == std::string::npos) return {};
    const std::string name = gf_publisherFolderName(lf_replaceAll(text.substr(start, end - start), "%20", " "));
    if (name.empty()) return {};
    return learnedThirdpartyFolder / name / fileName;
  }
  constexpr std::string_view local = "airports\\";
  if (!lf_startsWith(text, local)) return {};
  const std::string rest = text.substr(local.size());
  // Local simulator add-on airports learn where the learned save writes them.
  if (lf_startsWith(rest, "my_simaddon\\")) return learnedSimaddonFolder / fileName;
  if (lf_startsWith(rest, "my_thirdparty2024\\") || lf_startsWith(rest, "my_thirdparty\\")) {
    const std::string name = gf_publisherFolderName(publisher);
    if (name.empty()) return {};
    return learnedThirdpartyFolder / name / fileName;
  }
  return learnedFolder / lf_relative(rest);
}

std::string gf_publisherFolderName(std::string publisher) {
  std::replace(publisher.begin(), publisher.end(), '/', ' ');
  std::replace(publisher.begin(), publisher.end(), '\\', ' ');
  std::string name = gf_trimBlanks(publisher);
  // The name comes from stand files, downloaded ones too: it must not climb
  // out of the learned tree.
  if (name == "." || name == "..") return {};
  return name;
}

} // namespace gwr
