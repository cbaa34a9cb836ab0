// A generator of simulator package trees with AI liveries, drawn from the real
// reference data, with the traps the livery scan must get past. Header-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

namespace gwr::pkggen {

struct TreeOptions {
  std::filesystem::path packagesFolder;  // "Community" is made inside it
  std::filesystem::path dbaseXml;        // plain reference database
  std::size_t cfgFiles = 2000;           // aircraft.cfg files with liveries, spread over the packages
  std::size_t liveriesPerCfg = 15;       // [fltsim.N] sections per such file
  std::uint32_t seed = 1;
  // Standing data aircraft.csv: when set, the liveries are those of today's
  // fleets (rows with registration, type and operator) instead of the
  // database's records.
  std::filesystem::path currentFleetsCsv{};
};

struct TreeSummary {
  std::size_t cfgFiles = 0;   // aircraft.cfg files written, traps included
  std::size_t sections = 0;   // [fltsim.N] sections written
};

namespace detail {

namespace fs = std::filesystem;

struct Fleet {
  std::string airline;
  std::string model;
  bool cargo = false;
  std::vector<std::string> registrations;
};

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Ansi };

using FleetMap = std::map<std::pair<std::string, std::string>, Fleet>;  // by (model, airline)

inline void addToFleet(FleetMap& fleets, const std::string& airline, const std::string& model, bool cargo,
                       std::string registration) {
  Fleet& fleet = fleets[{model, airline}];
  fleet.airline = airline;
  fleet.model = model;
  fleet.cargo = fleet.cargo || cargo;
  fleet.registrations.push_back(std::move(registration));
}

inline std::vector<Fleet> fleetList(FleetMap& fleets, const fs::path& source) {
  std::vector<Fleet> result;
  for (auto& [key, fleet] : fleets) result.push_back(std::move(fleet));
  if (result.empty()) throw std::runtime_error("no registration records in " + source.string());
  return result;
}

// Registration records with airline and model, grouped by (airline, model).
inline std::vector<Fleet> readFleets(const fs::path& dbaseXml) {
  pugi::xml_document document;
  if (!document.load_file(dbaseXml.c_str())) throw std::runtime_error("cannot load " + dbaseXml.string());
  FleetMap fleets;
  for (const pugi::xml_node record : document.child("root").child("dbase").children("d")) {
    const std::string airline = record.attribute("a").as_string();
    const std::string model = record.attribute("m").as_string();
    if (airline.size() != 3 || model.empty()) continue;
    addToFleet(fleets, airline, model, record.attribute("c").as_bool(), record.attribute("r").as_string());
  }
  return fleetList(fleets, dbaseXml);
}

// The fields of one CSV line; a quoted field may hold commas and doubled quotes.
inline std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

// Today's aircraft of the standing data that carry a registration, a type
// and an operator's airline designator, grouped like the database's records.
inline std::vector<Fleet> readCurrentFleets(const fs::path& aircraftCsv) {
  std::ifstream in(aircraftCsv, std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) throw std::runtime_error("cannot read " + aircraftCsv.string());
  const std::vector<std::string> header = csvFields(line);
  const auto column = [&](const char* name) {
    const auto at = std::find(header.begin(), header.end(), name);
    if (at == header.end()) throw std::runtime_error(aircraftCsv.string() + " has no column " + name);
    return static_cast<std::size_t>(at - header.begin());
  };
  const std::size_t registration = column("Registration");
  const std::size_t model = column("ModelICAO");
  const std::size_t airline = column("AirlineCode");
  FleetMap fleets;
  while (std::getline(in, line)) {
    const std::vector<std::string> fields = csvFields(line);
    if (fields.size() != header.size() || fields[registration].empty() || fields[model].empty() ||
        fields[airline].size() != 3)
      continue;
    addToFleet(fleets, fields[airline], fields[model], false, fields[registration]);
  }
  return fleetList(fleets, aircraftCsv);
}

// UTF-16 little-endian with its mark; the texts hold only BMP characters.
inline std::string toUtf16Le(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = c;
    std::size_t length = 1;
    if (c >= 0xE0) {
      code = (c & 0x0FU) << 12U | (static_cast<unsigned char>(utf8[i + 1]) & 0x3FU) << 6U |
             (static_cast<unsigned char>(utf8[i + 2]) & 0x3FU);
      length = 3;
    } else if (c >= 0xC0) {
      code = (c & 0x1FU) << 6U | (static_cast<unsigned char>(utf8[i + 1]) & 0x3FU);
      length = 2;
    }
    out += static_cast<char>(code & 0xFFU);
    out += static_cast<char>(code >> 8U);
    i += length;
  }
  return out;
}

// Windows-1252 for texts of Latin-1 letters.
inline std::string toAnsi(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0xC0 && i + 1 < utf8.size()) {
      out += static_cast<char>((c & 0x1FU) << 6U | (static_cast<unsigned char>(utf8[++i]) & 0x3FU));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

inline void writeFile(const fs::path& file, const std::string& utf8, Encoding encoding = Encoding::Utf8) {
  fs::create_directories(file.parent_path());
  std::string bytes = utf8;
  if (encoding == Encoding::Utf8Bom) bytes = "\xEF\xBB\xBF" + utf8;
  if (encoding == Encoding::Utf16Le) bytes = toUtf16Le(utf8);
  if (encoding == Encoding::Ansi) bytes = toAnsi(utf8);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

struct Package {
  std::string folder;       // in Community
  std::string titlePrefix;  // makes titles unique across packages
  std::size_t share;        // per thousand of the files
  bool ivao = false;
};

inline const std::vector<Package>& packages() {
  static const std::vector<Package> list{
      {"aig-aitraffic-oci-beta", "AIG", 450, false},     {"fsltl-traffic-base", "FSLTL", 250, false},
      {"justflight-aircraft-traffic-fleet", "JF", 120, false}, {"IVAO_MTL", "", 130, true},
      {"user-aitraffic", "USER", 50, false}};
  return list;
}

inline std::string versionAndGeneral(const std::string& modelLine) {
  return fmt::format("[VERSION]\nmajor = 1\nminor = 0\n\n[GENERAL]\natc_type = \"TT:ATCCOM.ATC_NAME AI.0.text\"\n{}\n"
                     "Category = \"airplane\"\n\n",
                     modelLine);
}

class Generator {
public:
  explicit Generator(const TreeOptions& options)
      : options(options),
        fleets(options.currentFleetsCsv.empty() ? readFleets(options.dbaseXml)
                                                : readCurrentFleets(options.currentFleetsCsv)),
        random(options.seed),
        community(options.packagesFolder / "Community") {}

  TreeSummary run() {
    fs::create_directories(community);
    std::size_t written = 0;
    for (std::size_t p = 0; p < packages().size(); ++p) {
      const Package& package = packages()[p];
      const std::size_t files = p + 1 == packages().size()
                                    ? options.cfgFiles - written
                                    : std::min(options.cfgFiles - written, options.cfgFiles * package.share / 1000);
      for (std::size_t i = 0; i < files; ++i) package.ivao ? ivaoFile(package, i) : ordinaryFile(package, i);
      written += files;
    }
    traps();
    return summary;
  }

private:
  std::size_t pick(std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); }

  // One file of one model with liveries of the fleets that fly it.
  void ordinaryFile(const Package& package, std::size_t index) {
    const Fleet& first = fleets[pick(fleets.size())];
    const std::string model = first.model;
    const fs::path folder =
        community / package.folder / "SimObjects" / "Airplanes" / fmt::format("{}_{}_{:04}", package.titlePrefix, model, index);
    std::string text = versionAndGeneral(fmt::format("icao_type_designator = \"{}\"", model));
    for (std::size_t n = 0; n < options.liveriesPerCfg; ++n) {
      const Fleet& fleet = n == 0 ? first : fleetOfModel(model);
      const std::string& registration = fleet.registrations[pick(fleet.registrations.size())];
      // The first title of some files carries a letter beyond ASCII, to be
      // read alike in every encoding.
      const std::string title = fmt::format("{} {} {} {}{} {:04}-{}", package.titlePrefix, model, fleet.airline,
                                            registration, n == 0 && index % 4 == 1 ? " Sépia" : "", index, n);
      text += fmt::format("[fltsim.{}]\ntitle = \"{}\"\ntexture = \"{}\"\natc_id = \"{}\"\nicao_airline = \"{}\"\n"
                          "atc_parking_types = \"{}\"\nui_variation = \"{}\"\n\n",
                          n, title, fleet.airline, registration, fleet.airline, fleet.cargo ? "CARGO" : "GATE,RAMP",
                          fleet.airline);
      ++summary.sections;
    }
    const Encoding encoding = static_cast<Encoding>(index % 4);
    // Windows users and tools write the name in any case.
    const char* name = index % 7 == 3 ? "Aircraft.CFG" : "aircraft.cfg";
    writeFile(folder / name, text, encoding);
    ++summary.cfgFiles;
  }

  const Fleet& fleetOfModel(const std::string& model) {
    for (int tries = 0; tries < 8; ++tries) {
      const Fleet& fleet = fleets[pick(fleets.size())];
      if (fleet.model == model) return fleet;
    }
    // Neighbours in the sorted list share the model.
    auto first = std::lower_bound(fleets.begin(), fleets.end(), model,
                                  [](const Fleet& fleet, const std::string& m) { return fleet.model < m; });
    auto last = first;
    while (last != fleets.end() && last->model == model) ++last;
    return *(first + static_cast<std::ptrdiff_t>(pick(static_cast<std::size_t>(last - first))));
  }

  // IVAO: the model in the folder name, the airline in the title, a texture
  // folder beside the file for each livery.
  void ivaoFile(const Package& package, std::size_t index) {
    const Fleet& first = fleets[pick(fleets.size())];
    const std::string model = first.model;
    const fs::path folder =
        community / package.folder / "SimObjects" / "Airplanes" / fmt::format("IVAO_{}", model);
    const fs::path file = folder / "aircraft.cfg";
    std::string text;
    std::size_t section = 0;
    const bool merged = fs::exists(file);
    if (merged) {
      text = readBack(file);
      section = sectionsIn(folder);
    } else {
      text = versionAndGeneral("");
    }
    for (std::size_t n = 0; n < options.liveriesPerCfg; ++n, ++section) {
      const Fleet& fleet = n == 0 ? first : fleetOfModel(model);
      const std::string texture = fmt::format("{}_{}_{}", fleet.airline, index, n);
      fs::create_directories(folder / ("texture." + texture));
      text += fmt::format("[fltsim.{}]\ntitle={} {} {}-{}\ntexture={}\natc_parking_types={}\n\n", section, model,
                          fleet.airline, index, n, texture, fleet.cargo ? "CARGO" : "GATE");
      ++summary.sections;
    }
    sectionCounts[folder.string()] = section;
    writeFile(file, text);
    if (!merged) ++summary.cfgFiles;
  }

  std::size_t sectionsIn(const fs::path& folder) { return sectionCounts[folder.string()]; }

  static std::string readBack(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Files the scan must pass over or report.
  void traps() {
    const fs::path aig = community / "aig-aitraffic-oci-beta" / "SimObjects" / "Airplanes";
    const std::string liveryText = versionAndGeneral("icao_type_designator = \"B738\"") +
                                   "[fltsim.0]\ntitle = \"TRAP B738 {}\"\nicao_airline = \"DLH\"\n\n";
    // Converted, airport and long-path folders are not gone into.
    writeFile(aig / "AIG_B738_CVT_" / "aircraft.cfg", fmt::format(fmt::runtime(liveryText), "converted"));
    writeFile(aig / "airport-vehicles" / "aircraft.cfg", fmt::format(fmt::runtime(liveryText), "airport"));
    fs::path deep = aig / "AIG_deep";
    while (deep.string().size() < 260) deep /= "a-rather-long-folder-name";
    writeFile(deep / "aircraft.cfg", fmt::format(fmt::runtime(liveryText), "long path"));
    // Not an aircraft.cfg, and a package that only looks like one.
    writeFile(aig / "AIG_B738_old" / "aircraft.cfg.bak", fmt::format(fmt::runtime(liveryText), "backup"));
    writeFile(community / "aig-aitraffic-oci_CVT_" / "aircraft.cfg", fmt::format(fmt::runtime(liveryText), "cvt"));
    summary.cfgFiles += 4;
    // Reported: no sections, a wrong model code, a fixed model code, a wrong airline.
    writeFile(aig / "AIG_empty" / "aircraft.cfg", versionAndGeneral("icao_type_designator = \"B738\""));
    writeFile(aig / "AIG_badmodel" / "aircraft.cfg",
              versionAndGeneral("icao_type_designator = \"ZZ99\"") + "[fltsim.0]\ntitle = \"TRAP ZZ99\"\n");
    writeFile(aig / "AIG_fixed" / "aircraft.cfg",
              versionAndGeneral("icao_type_designator = \"B38X\"") +
                  "[fltsim.0]\ntitle = \"TRAP B38X fixed\"\nicao_airline = \"DLH\"\n\n"
                  "[fltsim.1]\ntitle = \"TRAP B38X bad airline\"\nicao_airline = \"Q9Q\"\n");
    summary.cfgFiles += 3;
    summary.sections += 3;
  }

  const TreeOptions& options;
  std::vector<Fleet> fleets;
  std::mt19937 random;
  fs::path community;
  TreeSummary summary;
  std::map<std::string, std::size_t> sectionCounts;
};

} // namespace detail

// Writes the tree; the same options always give the same tree.
inline TreeSummary gf_generatePackageTree(const TreeOptions& options) { return detail::Generator(options).run(); }

} // namespace gwr::pkggen
