// Reading the park airport's stand table: the airport's file (downloaded when
// archived), its learned file, numbering, overlaps, factors and the summary.
#include "airports/park_stand_table.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/apf_download.h"
#include "airports/apf_locations.h"
#include "airports/apf_meta.h"
#include "airports/apf_reader.h"
#include "airports/apf_settings.h"
#include "airports/learned_file.h"
#include "airports/park_airport_shell.h"
#include "airports/stand_overlaps.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "core/user_error.h"
#include "core/xml_file.h"
#include "core/xml_parameter.h"
#include "platform/sys/folder_listing.h"

namespace gwr {

StandTable standTable;
ApfHeader apfHeader;
bool apfHandmade = false;
std::uint32_t RT_traffic_week = 0;
ApfOverrides apfOverrides;
FixedCode<4> parkAirportCode;
std::int32_t fieldElevationFt = 0;
bool fieldElevationValid = false;
std::atomic<bool> standTableReady{false};

namespace {

constexpr int missingParameterErrorCode = 65;
constexpr const char* readerName = "gf_readApf";
constexpr std::int32_t lowestQuality = -1;
constexpr std::int32_t highestQuality = 100;

std::int32_t lf_qualityValue(std::int32_t value) { return std::clamp(value, lowestQuality, highestQuality); }

struct FileFacts {
  std::optional<std::string> version;
  std::optional<bool> facilities;
};

void lf_logSummary(const ApfHeader& header, const FileFacts& facts, const QualityFactors& qf, std::size_t stands) {
  gf_logIndented(fmt::format("{:24}: {}", "publisher", header.publisher));
  if (facts.version) gf_logIndented(fmt::format("{:24}: {}", "version", *facts.version));
  gf_logIndented(fmt::format("{:24}: {} ft", "altitude", header.altitude));
  gf_logIndented(fmt::format("{:24}: {}", "num_parkpos", stands));
  if (facts.facilities) gf_logIndented(fmt::format("{:24}: {}", "Facilities", *facts.facilities ? "true" : "false"));
  gf_logIndented(fmt::format("{:24}: {}", "quality factor", gf_qualityFactorText(qf)));
  gf_logIndented(fmt::format("{:24}: {}", "RT traffic week", RT_traffic_week));
}

// Steps from loading the file on; throws on the failures the guard reports.
std::string lf_readLoaded(const std::string& path, const std::filesystem::path& file, ApfHeader& header,
                          QualityFactors& qf, StandTable& table) {
  pugi::xml_document document;
  if (!gf_loadXmlFile(document, file)) return fmt::format("{}: could not load file: {}", path, file.string());
  if (!gf_readApfMeta(document, path)) return fmt::format("{}: refused to load", path);
  const auto week = gf_readIntParameter(document, "RT_traffic_week");
  RT_traffic_week = week && *week > 0 ? static_cast<std::uint32_t>(*week) : 0;
  gf_mainWindow().parkTrafficWeek.store(RT_traffic_week);
  header.publisher = gf_readStringParameter(document, "publisher").value_or("");
  FileFacts facts{gf_readStringParameter(document, "version"), gf_readBoolParameter(document, "Facilities")};
  const auto altitude = gf_readIntParameter(document, "altitude");
  if (!altitude)
    throw UserErrorException(missingParameterErrorCode, fmt::format("Parameter {} not found", "altitude"));
  header.altitude = *altitude;
  fieldElevationFt = *altitude;
  header.airport_name = gf_readStringParameter(document, "airport_name").value_or("");
  gf_readParkPositions(document, table);

  const auto real = gf_readIntParameter(document, "Qf_real");
  const auto soft = gf_readIntParameter(document, "Qf_soft");
  // Factors belong to this airport: a file without them leaves them unknown.
  qf = real && soft ? QualityFactors{lf_qualityValue(*real), lf_qualityValue(*soft)} : QualityFactors{};
  apfOverrides = gf_currentApfSettings();

  const std::filesystem::path learned =
      gf_mapStoredApfPath(gf_shortApfPath(path).generic_string(), header.publisher);
  // Only a learned file that is not there is passed over; one the system
  // cannot look for fails the reading, named after the test that failed.
  std::error_code lookError;
  const bool learnedExists = !learned.empty() && platform::pathExists(learned, lookError);
  if (lookError) throw std::filesystem::filesystem_error("exists", learned, lookError);
  if (learnedExists) {
    lf_readLearned(learned, header, table, apfHandmade);
    qf = QualityFactors::fromPacked(gf_computeQualityFactors(table));
    if (apfHandmade) gf_log("A handmade airport file overruled the archived file!");
  } else {
    gf_log(fmt::format("learned '{}' does not exist", learned.string()));
    gf_applyAirportFileSettings(qf, parkAirportCode);
  }

  ParkAirportShell& shell = gf_parkAirportShell();
  shell.showStandCount(table.size());
  gf_numberStandsAndFindOverlaps(table);
  gf_log(fmt::format("Airport file read from '{}' for {}", apfHandmade ? learned.string() : path,
                     header.airport_name));
  const std::string publisherText =
      facts.version ? fmt::format("{} ({})", header.publisher, *facts.version) : header.publisher;
  shell.showPublisher(publisherText, apfHandmade);
  lf_logSummary(header, facts, qf, table.size());
  shell.showQuality(gf_qualityFactorText(qf));
  standTableReady.store(true);
  shell.enableFlushStatic(true);
  fieldElevationValid = true;
  return table.empty() ? "no stands found" : "";
}

} // namespace

std::string gf_readApf(const std::string& path, ApfHeader& header, QualityFactors& qf, StandTable& table) {
  if (path.empty()) return fmt::format("{}: xml is empty", readerName);
  if (parkAirportCode.empty()) return fmt::format("{}: no park airport set", readerName);
  std::filesystem::path file = path;
  if (path.substr(0, localApfPrefix.size()) != localApfPrefix) {
    file = airportsFolder / parkAirportFileName;
    if (std::string error = gf_downloadArchivedApf(path, file); !error.empty()) return error;
  }
  apfHandmade = false;
  std::string result;
  try {
    result = lf_readLoaded(path, file, header, qf, table);
  } catch (const UserErrorException&) {
    gf_clearStands(table);
    throw;
  } catch (const std::exception& e) {
    result = fmt::format("{}: {}", readerName, e.what());
  }
  // Half a table is worse than none: stand choice would trust it.
  if (!result.empty()) gf_clearStands(table);
  return result;
}

// The room reserved for the park airport's table stays for the next airport.
void gf_clearStands(StandTable& table) { table.clear(); }

void gf_numberStandsAndFindOverlaps(StandTable& table) {
  for (std::size_t i = 0; i < table.size(); ++i) table[i].number = static_cast<std::uint32_t>(i + 1);
  gf_findStandOverlaps(table);
}

} // namespace gwr
