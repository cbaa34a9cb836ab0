// Finding and checking the model code of an aircraft.cfg file; every code
// found is checked against the reference database's model codes and fixes.
#include "liveries/model_code.h"

#include <array>

#include <fmt/format.h>

#include "liveries/aircraft_cfg_keys.h"
#include "liveries/ivao_section.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"

namespace gwr {

const std::unordered_map<std::string, std::string> StockModelTypes{
    {"Asobo_FlightDesignCT", "FDCT"},
    {"Asobo_Longitude", "C700"},
    {"Asobo_VL3", "VL3"},
    {"Asobo_Savage_Cub", "SAVG"},
    {"Asobo_Savage_ShockUltra", "SAVG"},
    {"Asobo_XCub", "CC19"},
    {"Asobo_Pitts", "PTS2"},
    {"Asobo_SR22", "SR22"},
    {"Asobo_Icon", "A5"},
    {"Asobo_TBM930", "TBM9"},
    {"Asobo_KingAir350", "B350"},
    {"Asobo_E330", "E300"},
    {"Asobo_DV20", "DV20"},
    {"Asobo_DR400", "DR40"},
    {"Asobo_DA62", "DA62"},
    {"Asobo_DA40_TDI", "DA40"},
    {"Asobo_DA40_NG", "DA40"},
    {"Asobo_Cap10C", "CP10"},
    {"Asobo_CJ4", "C25C"},
    {"Asobo_C152", "C152"},
    {"Asobo_C152_Aerobat", "C152"},
    {"Asobo_C172sp_AS1000", "C172"},
    {"Asobo_C172sp_classic", "C172"},
    {"Asobo_Bonanza_G36", "BE36"},
    {"Asobo_Baron_G58", "B58T"},
    {"Asobo_B747_8i", "B748"},
    {"Asobo_B787_10", "B78X"},
    {"Asobo_208B_GRAND_CARAVAN_EX", "C208"},
    {"Asobo_A320_NEO", "A20N"},
    {"FlyByWire_A320_NEO", "A20N"},
};

namespace {

// A base_container value starts with "..\" before the stock aircraft's name.
constexpr std::size_t baseContainerPrefixLength = 3;

// Packages known to ship without a type designator; not worth a report.
constexpr std::array<std::string_view, 2> silentPackageWords{"pmdg-aircraft-7", "fnx-aircraft-3"};

constexpr std::string_view ivaoModelFolderPrefix = "IVAO_";
// Two blanks stand for the code of an IVAO file lying outside its package.
constexpr std::string_view misplacedIvaoCode = "  ";

bool lf_isSeparator(char c) { return c == '/' || c == '\\'; }

// The path text cut at either separator; empty pieces kept.
std::vector<std::string_view> lf_pathPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || lf_isSeparator(text[i])) {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

// The word characters after "IVAO_" of an IVAO model folder, or empty.
std::string_view lf_ivaoFolderCode(const std::string& pathText) {
  const std::vector<std::string_view> pieces = lf_pathPieces(pathText);
  // ..., package, SimObjects, Airplanes, IVAO_xxx, aircraft.cfg - with text before the package.
  constexpr std::size_t tailPieces = 5;
  if (pieces.size() < tailPieces + 1) return {};
  const std::size_t n = pieces.size();
  const std::string_view modelFolder = pieces[n - 2];
  bool knownPackage = false;
  for (const std::string_view package : ivaoPackageNames)
    knownPackage = knownPackage || platform::equalsNoCase(pieces[n - 5], package);
  if (!knownPackage || !platform::equalsNoCase(pieces[n - 4], "SimObjects") ||
      !platform::equalsNoCase(pieces[n - 3], "Airplanes") || !platform::equalsNoCase(pieces[n - 1], "aircraft.cfg") ||
      !platform::startsWithNoCase(modelFolder, ivaoModelFolderPrefix))
    return {};
  // Something must stand before the package folder's separator.
  if (pieces.size() == tailPieces + 1 && pieces.front().empty()) return {};
  const std::string_view code = modelFolder.substr(ivaoModelFolderPrefix.size());
  if (code.empty()) return {};
  for (const char c : code)
    if (!gf_isWordChar(c)) return {};
  return code;
}

} // namespace

std::string gf_checkModelCode(const std::string& code, const std::filesystem::path& file) {
  if (gf_isIcaoModel(code)) return code;
  if (const auto fix = modelFixes.find(code); fix != modelFixes.end()) {
    gf_addFixLine(fmt::format("Model fix: {} found in {} changed into {}", code, gf_reportPathText(file), fix->second));
    return fix->second;
  }
  gf_recordInvalidModel(code, file);
  return {};
}

std::string gf_readBaseContainerType(std::string_view line) {
  const std::string value = gf_readCfgValue(line, baseContainerKey);
  if (value.size() <= baseContainerPrefixLength) return {};
  const auto stock = StockModelTypes.find(value.substr(baseContainerPrefixLength));
  if (stock == StockModelTypes.end()) return {};
  return gf_upperAscii(stock->second);
}

std::string gf_modelOfCfgFile(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  return gf_checkFoundModelCode(gf_findModelCode(lines), file);
}

std::string gf_findModelCode(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::string code = gf_readIcaoTypeDesignator(line);
    if (!code.empty()) return code;
  }
  for (const std::string& line : lines) {
    std::string type = gf_readBaseContainerType(line);
    if (!type.empty()) return type;
  }
  return {};
}

std::string gf_checkFoundModelCode(const std::string& code, const std::filesystem::path& file) {
  if (!code.empty()) return gf_checkModelCode(code, file);
  // No lines: only the report of the missing designator.
  return gf_modelFromBaseContainer(file, {});
}

std::string gf_modelFromBaseContainer(const std::filesystem::path& file, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    const std::string type = gf_readBaseContainerType(line);
    if (!type.empty()) return gf_checkModelCode(type, file);
  }
  const std::string pathText = gf_reportPathText(file);
  for (const std::string_view word : silentPackageWords)
    if (platform::containsNoCase(pathText, word)) return {};
  gf_addInvalidCfgLine("Line icao_type_designator= is missing in [General] section of " + pathText);
  return {};
}

std::string gf_ivaoModelCode(const std::filesystem::path& file) {
  const std::string pathText = gf_reportPathText(file);
  std::string code(lf_ivaoFolderCode(pathText));
  if (code.empty()) {
    gf_recordInvalidModel(std::string(misplacedIvaoCode), file);
    return {};
  }
  if (code.size() > modelCodeMaxLength) code.resize(modelCodeMaxLength);
  return gf_checkModelCode(code, file);
}

} // namespace gwr
