// A generator of add-on airport packages for tests and for trying the scan: a
// package folder with manifest.json and a BGL file written byte for byte to the
// scenery layout, and the emulated simulator's facility lines of the same
// airports, from a small description. Header-only, independent of the reader.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

namespace gwr::bglgen {

namespace fs = std::filesystem;

struct StandSpec {
  std::uint32_t nameCode = 0;  // 0 none, 10 "g", 12..37 "A".."Z"
  std::uint32_t number = 0;    // 0..4095
  std::uint32_t type = 0;      // 0..15
  double latitude = 0.0;
  double longitude = 0.0;
  float headingDeg = 0.0F;
  float radiusM = 0.0F;
  std::vector<std::string> airlines;  // each adds a word to the entry
};

struct HelipadSpec {
  double latitude = 0.0;
  double longitude = 0.0;
  float widthM = 0.0F;
  std::int32_t type = 1;  // facility data: 2 is square
};

struct AirportSpec {
  std::string icao;
  double latitude = 0.0;
  double longitude = 0.0;
  double altitudeFt = 0.0;
  std::string name;
  std::vector<HelipadSpec> helipads;
  std::vector<StandSpec> stands;
  std::vector<StandSpec> secondList;  // a second parking list when not empty
  bool facilities = false;            // the emulated simulator knows it too
};

struct ManifestSpec {
  std::string title, version, manufacturer, creator;
};

struct PackageSpec {
  std::string folder;  // relative to the packages root, e.g. "Community/pub-eham"
  std::string bglName = "airport.bgl";
  std::optional<ManifestSpec> manifest;
  std::vector<AirportSpec> airports;
};

// Byte offsets of the parts of a generated file, for tests that damage them.
struct BglMap {
  std::string bytes;
  std::size_t sectionTable = 0;
  std::size_t subsection = 0;
  std::vector<std::size_t> airports;
  std::vector<std::size_t> helipads;
  std::vector<std::size_t> parkingLists;
};

namespace detail {

constexpr std::uint32_t headerBytes = 56;
constexpr std::uint32_t sectionBytes = 20;
constexpr std::uint32_t subsectionBytes = 16;
constexpr std::uint32_t airportHeaderBytes = 68;
constexpr std::uint32_t helipadBytes = 36;
constexpr std::uint32_t parkingEntryBytes = 56;
constexpr double latitudeUnits = 536870912.0 / 180.0;     // 2^29 per 180 degrees
constexpr double longitudeUnits = 805306368.0 / 360.0;    // 3 x 2^28 per 360 degrees
constexpr double metresPerDegree = 111120.0;              // 60 nm of latitude
constexpr double pi = 3.141592653589793;

inline void put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}
inline void put16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
inline void putFloat(std::string& out, std::size_t at, float f) {
  std::uint32_t v = 0;
  std::memcpy(&v, &f, 4);
  put32(out, at, v);
}
inline std::uint32_t latUnits(double lat) { return static_cast<std::uint32_t>(std::llround((90.0 - lat) * latitudeUnits)); }
inline std::uint32_t lonUnits(double lon) { return static_cast<std::uint32_t>(std::llround((lon + 180.0) * longitudeUnits)); }

// A record header: id at byte 0, size in bytes at byte 2.
inline std::size_t beginRecord(std::string& out, std::uint16_t id, std::uint32_t size) {
  const std::size_t at = out.size();
  out.resize(at + size, '\0');
  put16(out, at, id);
  put32(out, at + 2, size);
  return at;
}

inline void appendParkingList(std::string& out, const std::vector<StandSpec>& stands, BglMap& map) {
  std::uint32_t size = 8;
  for (const auto& s : stands) size += parkingEntryBytes + 4 * static_cast<std::uint32_t>(s.airlines.size());
  const std::size_t at = beginRecord(out, 0xE7, size);
  map.parkingLists.push_back(at);
  put16(out, at + 6, static_cast<std::uint16_t>(stands.size()));
  std::size_t e = at + 8;
  for (const auto& s : stands) {
    put32(out, e, (s.nameCode & 0x3F) | ((s.type & 0x0F) << 8) | ((s.number & 0xFFF) << 12) |
                      (static_cast<std::uint32_t>(s.airlines.size()) << 24));
    putFloat(out, e + 4, s.radiusM);
    putFloat(out, e + 8, s.headingDeg);
    put32(out, e + 28, lonUnits(s.longitude));
    put32(out, e + 32, latUnits(s.latitude));
    for (std::size_t k = 0; k < s.airlines.size(); ++k)
      for (std::size_t c = 0; c < 4 && c < s.airlines[k].size(); ++c) out[e + 56 + 4 * k + c] = s.airlines[k][c];
    e += parkingEntryBytes + 4 * s.airlines.size();
  }
}

} // namespace detail

// The ident packed as the scenery files hold it: base-38 digits shifted by 5.
inline std::uint32_t packIcao(const std::string& icao) {
  std::uint32_t v = 0;
  for (const char c : icao) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = 2 + static_cast<std::uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'Z') digit = 12 + static_cast<std::uint32_t>(c - 'A');
    else throw std::invalid_argument("icao: letters and digits only: " + icao);
    v = v * 38 + digit;
  }
  return v << 5;
}

// The BGL file of the airports: header, one airport section, one subsection,
// the airport records with their helipads and parking lists.
inline BglMap bglFile(const std::vector<AirportSpec>& airports) {
  using namespace detail;
  BglMap map;
  std::string& out = map.bytes;
  out.assign(headerBytes + sectionBytes + subsectionBytes, '\0');
  put32(out, 0, 0x19920201);  // magic
  put32(out, 4, headerBytes);
  put32(out, 20, 1);          // sections
  map.sectionTable = headerBytes;
  map.subsection = headerBytes + sectionBytes;
  const std::size_t records = out.size();
  for (const auto& a : airports) {
    const std::size_t at = beginRecord(out, 0x56, airportHeaderBytes);
    map.airports.push_back(at);
    put32(out, at + 8, lonUnits(a.longitude));
    put32(out, at + 12, latUnits(a.latitude));
    put32(out, at + 20, static_cast<std::uint32_t>(std::llround(a.altitudeFt * 304.8)));
    put32(out, at + 40, packIcao(a.icao));
    for (const auto& h : a.helipads) {
      const std::size_t hp = beginRecord(out, 0x26, helipadBytes);
      map.helipads.push_back(hp);
      put32(out, hp + 12, lonUnits(h.longitude));
      put32(out, hp + 16, latUnits(h.latitude));
      putFloat(out, hp + 28, h.widthM);
    }
    appendParkingList(out, a.stands, map);
    if (!a.secondList.empty()) appendParkingList(out, a.secondList, map);
    put32(out, at + 2, static_cast<std::uint32_t>(out.size() - at));
  }
  const std::size_t s = map.sectionTable;
  put32(out, s, 3);                                   // airport section
  put32(out, s + 4, 1);                               // 16-byte subsection headers
  put32(out, s + 8, 1);                               // subsections
  put32(out, s + 12, static_cast<std::uint32_t>(map.subsection));
  put32(out, s + 16, static_cast<std::uint32_t>(out.size() - map.subsection));
  put32(out, map.subsection + 4, static_cast<std::uint32_t>(airports.size()));
  put32(out, map.subsection + 8, static_cast<std::uint32_t>(records));
  put32(out, map.subsection + 12, static_cast<std::uint32_t>(out.size() - records));
  return map;
}

inline std::string jsonText(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

inline std::string manifestJson(const ManifestSpec& m) {
  return fmt::format("{{\n  \"title\": {},\n  \"package_version\": {},\n  \"manufacturer\": {},\n  \"creator\": {}\n}}\n",
                     jsonText(m.title), jsonText(m.version), jsonText(m.manufacturer), jsonText(m.creator));
}

inline void writeBytes(const fs::path& file, const std::string& bytes) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// The BGL file's path inside the package (the "scenery" folder).
inline fs::path bglPath(const fs::path& root, const PackageSpec& p) { return root / p.folder / "scenery" / p.bglName; }

// Writes the package below root: manifest.json (when given) and the BGL file.
inline BglMap writePackage(const fs::path& root, const PackageSpec& p) {
  fs::create_directories(root / p.folder);
  if (p.manifest) writeBytes(root / p.folder / "manifest.json", manifestJson(*p.manifest));
  BglMap map = bglFile(p.airports);
  writeBytes(bglPath(root, p), map.bytes);
  return map;
}

// The emulated simulator's world lines for the airports marked facilities:
// parkings as offsets east (x) and north (z) of the airport in metres.
inline std::string worldLines(const std::vector<PackageSpec>& packages) {
  using namespace detail;
  std::string text;
  for (const auto& p : packages) {
    for (const auto& a : p.airports) {
      if (!a.facilities) continue;
      text += fmt::format("airport {} {:.8f} {:.8f} {} {}\n", a.icao, a.latitude, a.longitude, a.altitudeFt,
                          a.name.empty() ? a.icao : a.name);
      const double eastScale = metresPerDegree * std::cos(a.latitude * pi / 180.0);
      for (const auto& s : a.stands)
        text += fmt::format("parking {} {} {} {} {:.3f} {:.3f}\n", s.type, s.number, s.headingDeg, s.radiusM,
                            (s.longitude - a.longitude) * eastScale, (s.latitude - a.latitude) * metresPerDegree);
      for (const auto& h : a.helipads)
        text += fmt::format("helipad {:.8f} {:.8f} {} 0 {} {} {}\n", h.latitude, h.longitude, a.altitudeFt * 0.3048,
                            h.widthM, h.widthM, h.type);
    }
  }
  return text;
}

// The description, one item a line ('#' starts a comment):
//   package FOLDER [BGLNAME]
//   manifest TITLE|VERSION|MANUFACTURER|CREATOR
//   airport ICAO LAT LON ALTITUDE_FT [facilities] [NAME...]
//   helipad LAT LON WIDTH_M [TYPE]
//   stand NAMECODE NUMBER TYPE LAT LON HEADING_DEG RADIUS_M [AIRLINE...]
// Throws std::runtime_error naming the line for anything else.
inline std::vector<PackageSpec> parseDescription(std::istream& in) {
  std::vector<PackageSpec> packages;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string keyword;
    if (!(words >> keyword)) continue;
    const auto fail = [&](const char* what) { throw std::runtime_error(fmt::format("line {}: {}", n, what)); };
    if (keyword == "package") {
      PackageSpec p;
      if (!(words >> p.folder)) fail("package needs a folder");
      words >> p.bglName;
      packages.push_back(std::move(p));
      continue;
    }
    if (packages.empty()) fail("package first");
    PackageSpec& p = packages.back();
    if (keyword == "manifest") {
      std::string rest;
      std::getline(words >> std::ws, rest);
      ManifestSpec m;
      std::istringstream parts(rest);
      std::getline(parts, m.title, '|');
      std::getline(parts, m.version, '|');
      std::getline(parts, m.manufacturer, '|');
      std::getline(parts, m.creator, '|');
      p.manifest = m;
    } else if (keyword == "airport") {
      AirportSpec a;
      if (!(words >> a.icao >> a.latitude >> a.longitude >> a.altitudeFt)) fail("airport ICAO LAT LON ALTITUDE_FT");
      std::string rest;
      std::getline(words >> std::ws, rest);
      if (rest.rfind("facilities", 0) == 0) {
        a.facilities = true;
        rest.erase(0, std::string_view("facilities").size());
        rest.erase(0, rest.find_first_not_of(' ') == std::string::npos ? rest.size() : rest.find_first_not_of(' '));
      }
      a.name = rest;
      p.airports.push_back(std::move(a));
    } else if (keyword == "helipad" || keyword == "stand") {
      if (p.airports.empty()) fail("airport first");
      if (keyword == "helipad") {
        HelipadSpec h;
        if (!(words >> h.latitude >> h.longitude >> h.widthM)) fail("helipad LAT LON WIDTH_M [TYPE]");
        words >> h.type;
        p.airports.back().helipads.push_back(h);
      } else {
        StandSpec s;
        if (!(words >> s.nameCode >> s.number >> s.type >> s.latitude >> s.longitude >> s.headingDeg >> s.radiusM))
          fail("stand NAMECODE NUMBER TYPE LAT LON HEADING_DEG RADIUS_M [AIRLINE...]");
        for (std::string code; words >> code;) s.airlines.push_back(code);
        p.airports.back().stands.push_back(std::move(s));
      }
    } else {
      fail("unknown keyword");
    }
  }
  return packages;
}

// Two sample airports for the README's tree: one the simulator answers with
// facility data, one only in its scenery file (its package names no code, so
// the scan reads the file's airport instead of asking the simulator).
inline constexpr std::string_view sampleDescription = R"(package Community/sample-airport-lowi
manifest Innsbruck Sample Airport|1.0.0|Sample Publisher|Sample Studio
airport LOWI 47.26 11.344 1907 facilities Innsbruck
helipad 47.2612 11.3470 20 1
stand 12 1 4 47.2595 11.3500 270 18
stand 12 2 4 47.2595 11.3505 270 18
stand 10 3 1 47.2597 11.3510 90 9
package Community/sample-airport-zurich
manifest Zurich Sample|2.1|Sample Studio|Sample Studio
airport LSZH 47.4647 8.5492 1416 Zurich
stand 10 12 5 47.4530 8.5620 180 30 SWR DLH
stand 10 12 5 47.4532 8.5624 180 30
stand 1 7 8 47.4540 8.5600 0 24
)";

} // namespace gwr::bglgen
