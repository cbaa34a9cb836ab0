// A generator of airport stand files and airports trees for tests and for
// trying the program: written as plain XML text, independent of the program's
// own writer, with the faults a reader must refuse on request. Header-only.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

namespace gwr::standgen {

namespace fs = std::filesystem;

using Attributes = std::vector<std::pair<std::string, std::string>>;

struct OptSpec {
  Attributes attributes;  // reg, airl, type, soft, day, hh, cs, cpl as wanted
};

struct StandSpec {
  Attributes attributes;  // id, latitude, longitude, heading, radius, type, ...
  std::vector<OptSpec> options;
};

// A fault in the meta block: the entry named left out, or its value empty.
struct MetaFault {
  std::string entry;
  bool leftOut = true;
};

struct FileSpec {
  bool withMeta = true;
  std::string version = "12.5.5";
  int sim = 1;
  Attributes parameters;           // name, value of each parameter, in order
  bool parkpositionsUnderRoot = true;
  std::vector<StandSpec> stands;
  std::optional<MetaFault> metaFault;
};

namespace detail {

inline std::string escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string element(const std::string& indent, const std::string& name, const Attributes& attributes,
                           bool open) {
  std::string text = indent + "<" + name;
  for (const auto& [key, value] : attributes) text += fmt::format(" {}=\"{}\"", key, escape(value));
  return text + (open ? ">\n" : " />\n");
}

} // namespace detail

// The meta block with every entry the program writes, at the given indent.
inline std::string metaXml(const FileSpec& spec, const std::string& indent) {
  std::string text = indent + "<meta>\n";
  const Attributes infos{{"author", "Gatewright"},
                         {"version", spec.version},
                         {"date", "Jan 01, 2026"},
                         {"copyright", "Copyright (c) Gatewright developers"},
                         {"sim", fmt::format("{}", spec.sim)}};
  for (const auto& [name, value] : infos) {
    const bool faulty = spec.metaFault && spec.metaFault->entry == name;
    if (faulty && spec.metaFault->leftOut) continue;
    text += detail::element(indent + "  ", "info", {{"name", name}, {"value", faulty ? "" : value}}, false);
  }
  return text + indent + "</meta>\n";
}

// The file's text.
inline std::string apfXml(const FileSpec& spec) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";
  if (spec.withMeta) text += metaXml(spec, "  ");
  text += "  <parameters>\n";
  for (const auto& [name, value] : spec.parameters)
    text += detail::element("    ", "parameter", {{"name", name}, {"value", value}}, false);
  text += "  </parameters>\n";
  std::string stands = spec.parkpositionsUnderRoot ? "  <parkpositions>\n" : "";
  const std::string indent = spec.parkpositionsUnderRoot ? "    " : "  ";
  for (const StandSpec& stand : spec.stands) {
    if (stand.options.empty()) {
      stands += detail::element(indent, "parkpos", stand.attributes, false);
      continue;
    }
    stands += detail::element(indent, "parkpos", stand.attributes, true);
    for (const OptSpec& opt : stand.options) stands += detail::element(indent + "  ", "opt", opt.attributes, false);
    stands += indent + "</parkpos>\n";
  }
  if (spec.parkpositionsUnderRoot) return text + stands + "  </parkpositions>\n</root>\n";
  // The older layout: meta and parkpositions at the top of the document.
  return "<?xml version=\"1.0\"?>\n" + (spec.withMeta ? metaXml(spec, "") : std::string()) + "<parkpositions>\n" +
         stands + "</parkpositions>\n";
}

inline void writeText(const fs::path& file, const std::string& text) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

inline void writeApf(const fs::path& file, const FileSpec& spec) { writeText(file, apfXml(spec)); }

// A link file naming a stored archived path on its first line.
inline void writeLink(const fs::path& file, const std::string& stored) { writeText(file, stored + "\n"); }

// The header parameters of a generated file.
inline Attributes generatedParameters(const std::string& icao, const std::string& name, const std::string& publisher,
                                      int altitudeFt, std::size_t stands) {
  return {{"icao", icao},
          {"airport_name", name},
          {"publisher", publisher},
          {"altitude", fmt::format("{}", altitudeFt)},
          {"num_parkpos", fmt::format("{}", stands)},
          {"Facilities", "false"}};
}

// A full stand with position, heading, radius in metres and type.
inline StandSpec stand(const std::string& id, double lat, double lon, double headingDeg, double radiusM, int type) {
  return {{{"id", id},
           {"latitude", fmt::format("{:.6f}", lat)},
           {"longitude", fmt::format("{:.6f}", lon)},
           {"heading", fmt::format("{:.1f}", headingDeg)},
           {"radius", fmt::format("{:.1f}", radiusM)},
           {"type", fmt::format("{}", type)},
           {"cargo", "false"},
           {"ramp", "false"}},
          {}};
}

inline OptSpec option(const std::string& reg, const std::string& airline, const std::string& model, int day,
                      const std::string& hh, const std::string& cs) {
  return {{{"reg", reg}, {"airl", airline}, {"type", model}, {"day", fmt::format("{}", day)}, {"hh", hh}, {"cs", cs}}};
}

// rows x columns of gates around a centre, 60 m apart, radii of real gates
// (18 to 40 m), every gate with flights on a few days and half-hours.
inline std::vector<StandSpec> sampleGates(double centreLat, double centreLon, int rows, int columns,
                                          std::uint32_t seed) {
  constexpr double spacingM = 60.0;
  constexpr double metresPerDegree = 111'120.0;
  constexpr double radiansPerDegree = 0.017453292519943295;
  const std::vector<std::pair<std::string, std::string>> fleets{
      {"KLM", "B738"}, {"DLH", "A320"}, {"BAW", "A319"}, {"AFR", "A321"}, {"EZY", "A320"}, {"UAE", "B77W"}};
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> radius(18.0, 40.0);
  std::uniform_int_distribution<int> day(1, 7);
  std::uniform_int_distribution<int> hour(0, 44);
  std::vector<StandSpec> gates;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const double lat = centreLat + r * spacingM / metresPerDegree;
      const double lon = centreLon + c * spacingM / (metresPerDegree * std::cos(centreLat * radiansPerDegree));
      StandSpec gate = stand(fmt::format("{}{}", static_cast<char>('A' + r), c + 1), lat, lon, 90.0 * (r % 4),
                             radius(random), r % 3 == 0 ? 5 : 6);
      const auto& [airline, model] = fleets[static_cast<std::size_t>(r * columns + c) % fleets.size()];
      for (int k = 0; k < 3; ++k) {
        const int first = hour(random);
        gate.options.push_back(option(fmt::format("PH-{}{}{}", static_cast<char>('A' + r), c, k), airline, model,
                                      day(random), fmt::format("{}:{}", first, first + 2),
                                      fmt::format("{}{}", airline, 100 + k)));
      }
      gates.push_back(std::move(gate));
    }
  }
  return gates;
}

// A generated airport file with sample gates.
inline FileSpec sampleAirport(const std::string& icao, const std::string& name, const std::string& publisher,
                              double lat, double lon, int altitudeFt, std::uint32_t seed) {
  FileSpec spec;
  spec.stands = sampleGates(lat, lon, 3, 4, seed);
  spec.parameters = generatedParameters(icao, name, publisher, altitudeFt, spec.stands.size());
  return spec;
}

// An airports folder with a file or link in every place the lookup searches:
// a third-party file (EHAM), a third-party link (EGLL), a simulator add-on
// file (LFPG), a simulator add-on link (EDDF), and both a link and a file for
// one airport (KJFK), where the link wins.
inline void writeSampleTree(const fs::path& airportsFolder) {
  writeApf(airportsFolder / "my_thirdparty" / "EHAM.xml",
           sampleAirport("EHAM", "Amsterdam Schiphol", "SamplePublisher", 52.3105, 4.7683, -11, 1));
  writeLink(airportsFolder / "my_thirdparty" / "EGLL.txt", "archive/thirdparty/Sample%20Publisher/EGLL.xml");
  writeApf(airportsFolder / "my_simaddon" / "LFPG.xml",
           sampleAirport("LFPG", "Paris Charles de Gaulle", "simaddon", 49.0097, 2.5479, 392, 2));
  writeLink(airportsFolder / "my_simaddon" / "EDDF.txt", "archive/simaddon/EDDF.xml");
  writeLink(airportsFolder / "my_thirdparty" / "KJFK.txt", "archive/thirdparty/Sample%20Publisher/KJFK.xml");
  writeApf(airportsFolder / "my_thirdparty" / "KJFK.xml",
           sampleAirport("KJFK", "New York JFK", "SamplePublisher", 40.6413, -73.7781, 13, 3));
  fs::create_directories(airportsFolder / "learned" / "stock");
  fs::create_directories(airportsFolder / "learned" / "simaddon");
  fs::create_directories(airportsFolder / "learned" / "thirdparty");
}

} // namespace gwr::standgen
