// Processing of one [fltsim.N] section of an ordinary aircraft.cfg file:
// title, airline, parking types and registration settle the livery key.
#include "liveries/fltsim_section.h"

#include <array>
#include <cstdint>
#include <exception>
#include <string_view>

#include <fmt/format.h>

#include "core/log.h"
#include "core/text_utils.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/scan_reports.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"
#include "refdata/registration_records.h"

namespace gwr {

namespace {

// Titles of add-on airliners that are not AI liveries.
constexpr std::array<std::string_view, 2> refusedTitleWords{"FenixA320", "PMDG 737"};
constexpr std::string_view fictionalWord = "Fictional";
constexpr std::string_view stubSuffix = "-STUB";
constexpr std::string_view refusedAirline = "RFO";
// "DLHX" and "DLHC" name the airline DLH.
constexpr std::size_t suffixedAirlineLength = 4;

// A reference key is used only when it names both an airline and a model.
bool lf_isUsableKey(const std::optional<LivKey>& key) {
  return key && key->airline != 0 && key->model != 0;
}

struct SectionState {
  std::string title;
  std::string airline;
  std::string parkingTypes;
  std::string registration;
  bool rejected = false;
  bool silentlyRejected = false;  // no missing-airline entry either
};

class SectionReader {
 public:
  SectionReader(const CfgFileContext& context, const std::string& header)
      : filePath(context.file), folderText(context.folderText), header(header) {}

  // Slots a to d; the first that takes the line ends its handling.
  void readLine(const std::string& line) {
    if (takeTitle(line) || takeAirline(line) || takeParkingTypes(line)) return;
    takeRegistration(line);
  }

  SectionState state;

 private:
  void reject(const std::string& entry) {
    gf_addIncompleteSectionLine(entry);
    state.rejected = true;
  }

  bool takeTitle(const std::string& line) {
    std::string read;
    if (!gf_readTitle(line, read)) return false;
    if (!state.title.empty()) {
      reject(fmt::format("{} {} has more than one title key", folderText, header));
      return true;
    }
    state.title = gf_trim(read);
    for (const std::string_view word : refusedTitleWords)
      if (state.title.find(word) != std::string::npos) state.rejected = true;
    return true;
  }

  bool takeAirline(const std::string& line) {
    if (!state.airline.empty()) {
      // Exact bytes, as for the other repeated keys.
      if (line.find(icaoAirlineKey) == std::string::npos) return false;
      reject(fmt::format("{} {} has more than one icao_airline key", folderText, header));
      return true;
    }
    std::string value;
    if (!gf_readIcaoAirline(line, value)) return false;
    gf_normalizeList(value);
    if (value.size() == suffixedAirlineLength && (value.back() == 'X' || value.back() == 'C')) value.pop_back();
    if (gf_isIcaoAirline(value)) {
      state.airline = value;
    } else if (value == refusedAirline) {
      state.rejected = true;
      state.silentlyRejected = true;
    } else {
      gf_recordInvalidAirline(value, filePath, header);
    }
    return true;
  }

  bool takeParkingTypes(const std::string& line) {
    if (!state.parkingTypes.empty()) {
      if (!gf_hasParkingTypesKey(line)) return false;
      reject(fmt::format("{} {} has more than one atc_parking_types key", folderText, header));
      return true;
    }
    std::string types;
    if (!gf_readParkingTypes(line, types)) return false;
    gf_normalizeList(types);
    state.parkingTypes = gf_upperAscii(types);
    return true;
  }

  void takeRegistration(const std::string& line) {
    if (!state.registration.empty()) {
      if (gf_hasAtcIdKey(line)) reject(fmt::format("{}, {}, has more than one atc_id key", folderText, header));
      return;
    }
    std::string value;
    if (!gf_readAtcId(line, value)) return;
    value = value.substr(0, value.find(';'));
    const auto pieces = gf_registrationPieces(value);
    if (!pieces) {
      gf_addIncompleteSectionLine(fmt::format("invalid atc_id={} in: {}", value, state.title));
      return;
    }
    // Several registrations name no single aircraft; a later atc_id may.
    if (pieces->size() == 1) state.registration = pieces->front();
  }

  const std::filesystem::path& filePath;
  const std::string& folderText;
  const std::string& header;
};

LiveryList lf_processSection(const CfgFileContext& context, std::vector<std::string>& lines) {
  gf_dropTrailingComments(lines);
  if (lines.empty()) return {};
  const std::string header = lines.front();
  const std::string& folderText = context.folderText;
  const std::string& model = context.model;

  SectionReader reader(context, header);
  for (const std::string& line : lines) {
    reader.readLine(line);
    if (reader.state.rejected) break;
  }
  SectionState& section = reader.state;

  if (section.airline.empty() && !section.silentlyRejected)
    gf_addIncompleteSectionLine(
        fmt::format("{} {} icao_airline is missing, or it has invalid info ", context.fileText, header));
  if (section.rejected) return {};
  if (section.title.empty()) {
    gf_addIncompleteSectionLine(fmt::format("{} {} misses title", folderText, header));
    return {};
  }
  if (section.title.find(fictionalWord) != std::string::npos) return {};
  if (section.title.ends_with(stubSuffix)) section.airline = genericAirlineCode;
  if (gf_isDontUseTitle(section.title)) return {};
  if (section.airline == genericAirlineCode) section.registration.clear();

  std::optional<LivKey> referenceKey;
  if (!section.registration.empty()) referenceKey = gf_lookupRegistration(section.registration);

  if (section.airline.empty() && !lf_isUsableKey(referenceKey)) {
    const bool heavy = gf_modelCategoryOfCode(model) == AcCategory::Heavy;
    if (heavy) {
      gf_addIncompleteSectionLine(section.registration.empty()
                                      ? fmt::format("'{}' '{}' has no airline and no regcode info", folderText, header)
                                      : fmt::format("'{}' '{}' has no airline and regcode not in dbase", folderText,
                                                    header));
      return {};
    }
    if (section.registration.empty()) {
      section.registration = gf_registrationInText(section.title).value_or(std::string());
      if (!section.registration.empty()) referenceKey = gf_lookupRegistration(section.registration);
    }
    section.airline = privateAirlineCode;
  }

  LivKey key;
  if (lf_isUsableKey(referenceKey)) {
    key = *referenceKey;
  } else {
    const bool cargo = gf_isCargoParking(section.parkingTypes);
    key = LivKey{gf_airlineIndex(section.airline), 0, gf_modelIndex(model), static_cast<std::uint8_t>(cargo ? 1 : 0),
                 0};
  }

  // Only a full code pool hands out index 0 (logged there); the record maker
  // refuses such a key and gives the empty record.
  LiveryData record =
      gf_makeLiveryData(static_cast<std::uint16_t>(context.folderRank), key, section.title, section.registration,
                        fmt::format("{} {} title '{}' already exists", folderText, header, section.title));
  if (gf_lacksAirlineOrModel(record)) return {};
  LiveryList result;
  result.push_back(std::move(record));
  return result;
}

} // namespace

std::optional<std::vector<std::string>> gf_registrationPieces(const std::string& value) {
  std::vector<std::string> pieces = gf_splitComma(value);
  if (pieces.empty()) return std::nullopt;
  for (const std::string& piece : pieces)
    if (piece.empty() || piece.size() > maxRegistrationLength || piece.find('*') != std::string::npos)
      return std::nullopt;
  return pieces;
}

bool gf_isCargoParking(std::string_view types) {
  return types.find("CARGO") != std::string_view::npos && types.find("GATE") == std::string_view::npos;
}

void gf_dropTrailingComments(std::vector<std::string>& lines) {
  while (!lines.empty() && (lines.back().empty() || lines.back().starts_with("//"))) lines.pop_back();
}

LiveryList gf_procesFltSimSection(const CfgFileContext& context, std::vector<std::string>& lines) {
  try {
    return lf_processSection(context, lines);
  } catch (const std::exception& error) {
    gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", error.what(), context.fileText));
    throw;
  }
}

} // namespace gwr
