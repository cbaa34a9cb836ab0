// The learned file reader: a hand-made file replaces the stands, any other
// merges its changed stands, manual stands and new flights into the table.
#include "airports/learned_file.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "airports/apf_meta.h"
#include "airports/apf_reader.h"
#include "airports/apf_settings.h"
#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/status_line.h"
#include "core/version.h"
#include "core/xml_file.h"
#include "core/xml_parameter.h"
#include "refdata/airports_table.h"

namespace gwr {

namespace {

constexpr VersionData firstPerStandFlightsVersion{11, 10, 0};
constexpr double noPositionDegrees = 0.0001;

bool lf_sameFlight(const StandOption& a, const StandOption& b) {
  return a.day == b.day && a.real == b.real && a.registration == b.registration &&
         a.codes.airline == b.codes.airline && a.codes.airlineOperator == b.codes.airlineOperator &&
         a.codes.model == b.codes.model && (a.hours & b.hours).any();
}

// A learned radius replaces the file's only when it is a sensible size.
void lf_takeRadius(const LearnedStand& learned, StandRecord& stand) {
  const double metres = learned.parkpos.attribute("radius").as_double();
  if (!gf_usableStandRadius(metres) || metres <= 0.0) {
    gf_logError(fmt::format("learned {}: radius {} out of range, kept {:.1f}", learned.id, metres,
                            stand.radius * metresPerNm));
    return;
  }
  stand.radius = metres * nmPerMetre;
  stand.radius_change = 1;
}

void lf_takeFlights(const LearnedStand& learned, StandRecord& stand) {
  std::uint32_t next = stand.options.empty() ? 1 : stand.options.back().index + 1;
  for (const pugi::xml_node opt : learned.parkpos.children("opt")) {
    OptionIdentity identity = gf_readStandOption(opt);
    StandOption option;
    option.hours = gf_hours2bitset(opt.attribute("hh").value());
    if (option.hours.none()) {
      gf_logError("empty bit set");
      continue;
    }
    const int day = opt.attribute("day").as_int();
    if (day < static_cast<int>(firstWeekday) || day > static_cast<int>(lastWeekday)) {
      gf_logError(fmt::format("learned {}: day {} out of range, flight of {} skipped", learned.id, day,
                              opt.attribute("reg").value()));
      continue;
    }
    option.codes = identity.codes;
    option.callsign1 = std::move(identity.callsign1);
    option.callsign2 = std::move(identity.callsign2);
    option.registration = opt.attribute("reg").value();
    option.day = static_cast<std::uint32_t>(day);
    option.real = opt.attribute("soft").as_bool() ? 0 : 1;
    option.cpl = opt.attribute("cpl").as_bool() ? 1 : 0;
    const bool known = std::any_of(stand.options.begin(), stand.options.end(),
                                   [&](const StandOption& existing) { return lf_sameFlight(existing, option); });
    if (known) {
      gf_logError(fmt::format("learned {}: day:{} {} {} cs:{} reg:{} already in airport file", stand.id, option.day,
                              gf_bitset2hoursList(option.hours).value_or(""), option.codes.keyText(),
                              option.callsign1, option.registration));
      continue;
    }
    option.index = next++;
    option.fromFile = 0;
    stand.options.push_back(std::move(option));
  }
}

void lf_addManualStand(const pugi::xml_node& parkpos, const std::string& id, const std::filesystem::path& path,
                       StandTable& table) {
  if (std::any_of(table.begin(), table.end(), [&](const StandRecord& s) { return s.id == id; })) {
    gf_logError(fmt::format("manually created standid {} already exists in {}", id, path.string()));
    return;
  }
  const StandValues v = gf_readStandValues(parkpos);
  if (id.empty() || (std::abs(v.latitude) <= noPositionDegrees && std::abs(v.longitude) <= noPositionDegrees) ||
      v.radiusMetres == 0.0) {
    gf_logError(fmt::format("manually created standid {} misses correct attributes in {}", id, path.string()));
    return;
  }
  const std::size_t before = table.size();
  gf_readParkPos(parkpos, id, 0, table);
  if (table.size() > before) table.back().manual = 1;
}

void lf_mergeStands(const pugi::xml_node& document, const std::filesystem::path& path, bool oldFile,
                    StandTable& table) {
  for (const pugi::xml_node parkpos : gf_findParkPositions(document).children("parkpos")) {
    const std::string id = parkpos.attribute("id").value();
    if (parkpos.attribute("manual").as_bool()) {
      lf_addManualStand(parkpos, id, path, table);
      continue;
    }
    const LearnedStand learned{id, parkpos, oldFile};
    const bool found = std::any_of(table.begin(), table.end(),
                                   [&](StandRecord& stand) { return lf_mergeLearnedStand(learned, stand); });
    if (!found) gf_log(fmt::format("learned stand {} in {} not found?", id, path.string()));
  }
}

void lf_readLoadedLearned(const pugi::xml_document& document, const std::filesystem::path& path,
                          const ApfHeader& header, StandTable& table, bool& handmade) {
  gf_log(fmt::format("Read from learned airport file: '{}'", path.string()));
  const auto meta = gf_readApfMeta(document, path.string());
  if (!meta) return;
  const bool oldFile = VersionData(meta->version) < firstPerStandFlightsVersion;
  if (oldFile)
    gf_log("\nThis learned file was created with and older GWRT version than 11.10.0,\n"
           "All flights will be cleared, except for a handmade file\n");
  const std::string name = gf_readStringParameter(document, "airport_name").value_or("");
  if (name != header.airport_name)
    setStatusText(fmt::format("Warning: learned file airport name: '{}' differs from archived file airport name: '{}'",
                              name, header.airport_name),
                  true);
  gf_applyLearnedSettings(document);

  if (const auto handmadeValue = gf_readStringParameter(document, "handmade")) {
    StandTable own;
    gf_readParkPositions(document, own);
    table.swap(own);
    handmade = true;
    gf_logIndented(fmt::format("{:24}: {}", "handmade", *handmadeValue));
    return;
  }
  handmade = false;
  // Merged into a copy, so that an error half-way leaves the airport's own table.
  StandTable merged = table;
  lf_mergeStands(document, path, oldFile, merged);
  table.swap(merged);
}

} // namespace

bool lf_mergeLearnedStand(const LearnedStand& learned, StandRecord& stand) {
  if (stand.id != learned.id) return false;
  if (learned.parkpos.attribute("radius_change").as_bool()) lf_takeRadius(learned, stand);
  if (learned.parkpos.attribute("cargo_change").as_bool()) {
    stand.cargo = learned.parkpos.attribute("cargo").as_bool() ? 1 : 0;
    stand.cargo_change = 1;
  }
  if (!learned.oldFile) lf_takeFlights(learned, stand);
  return true;
}

void lf_readLearned(const std::filesystem::path& path, const ApfHeader& header, StandTable& table, bool& handmade) {
  try {
    pugi::xml_document document;
    const pugi::xml_parse_result loaded = gf_loadXmlFile(document, path);
    if (!loaded) {
      gf_save1GenerationOf(path);
      gf_logError(fmt::format("{} found, but could not be loaded, saved as *.0.xml: {}", path.string(),
                              loaded.description()));
      return;
    }
    lf_readLoadedLearned(document, path, header, table, handmade);
  } catch (const std::exception& e) {
    gf_log(fmt::format("{}: {}", "lf_readLearned", e.what()));
  }
}

} // namespace gwr
