// Reading and writing the emulated simulator's world file, one keyword a line,
// and collecting the installed titles from a package tree.
#include "platform/sim/sim_world.h"

#include "platform/sys/case_insensitive.h"
#include "platform/sys/codepage.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace gwr::simemu {
namespace {

std::string trimmed(std::string_view text) {
  auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Reads exactly `count` numbers; false when any is missing or malformed.
bool readNumbers(std::istringstream& in, std::size_t count, std::vector<double>& out) {
  out.clear();
  for (std::size_t i = 0; i < count; ++i) {
    double value = 0.0;
    if (!(in >> value)) return false;
    out.push_back(value);
  }
  return true;
}

// The file as UTF-8: aircraft.cfg files come in UTF-8, with or without a
// byte-order mark, and in UTF-16 of either byte order after its mark.
std::string cfgText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto starts = [&](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  if (starts("\xEF\xBB\xBF")) return bytes.substr(3);
  const bool little = starts("\xFF\xFE");
  if (!little && !starts("\xFE\xFF")) return bytes;
  std::u16string units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(little ? first | (second << 8) : (first << 8) | second));
  }
  return platform::utf16ToUtf8(units).value_or(std::string());
}

std::string restOf(std::istringstream& in) {
  std::string rest;
  std::getline(in, rest);
  return trimmed(rest);
}

// Applies one line; returns an empty text or what is wrong with it.
std::string applyLine(World& world, const std::string& keyword, std::istringstream& in) {
  std::vector<double> v;
  if (keyword == "ground") {
    if (!readNumbers(in, 1, v)) return "ground needs an elevation";
    world.groundElevationFt = v[0];
  } else if (keyword == "airport") {
    WorldAirport airport;
    if (!(in >> airport.icao) || !readNumbers(in, 3, v)) return "airport needs icao, lat, lon, elevation";
    airport.latitude = v[0];
    airport.longitude = v[1];
    airport.elevationFt = v[2];
    airport.name = restOf(in);
    world.airports.push_back(std::move(airport));
  } else if (keyword == "parking") {
    if (world.airports.empty()) return "parking before any airport";
    if (!readNumbers(in, 6, v)) return "parking needs type, number, heading, radius, bias x, bias z";
    world.airports.back().parkings.push_back({static_cast<std::int32_t>(v[0]), static_cast<std::int32_t>(v[1]),
                                              static_cast<float>(v[2]), static_cast<float>(v[3]),
                                              static_cast<float>(v[4]), static_cast<float>(v[5])});
  } else if (keyword == "helipad") {
    if (world.airports.empty()) return "helipad before any airport";
    if (!readNumbers(in, 7, v)) return "helipad needs lat, lon, alt, heading, length, width, type";
    world.airports.back().helipads.push_back({v[0], v[1], v[2], static_cast<float>(v[3]), static_cast<float>(v[4]),
                                              static_cast<float>(v[5]), static_cast<std::int32_t>(v[6])});
  } else if (keyword == "title") {
    auto title = restOf(in);
    if (title.empty()) return "empty title";
    world.titles.push_back(std::move(title));
  } else if (keyword == "packages") {
    auto titles = gf_installedTitles(restOf(in));
    world.titles.insert(world.titles.end(), titles.begin(), titles.end());
  } else if (keyword == "user") {
    if (!readNumbers(in, 5, v)) return "user needs lat, lon, altitude, heading, on ground";
    world.user.latitude = v[0];
    world.user.longitude = v[1];
    world.user.altitudeFt = v[2];
    world.user.headingDeg = v[3];
    world.user.onGround = v[4] != 0.0;
  } else if (keyword == "usertitle") {
    world.user.title = restOf(in);
  } else if (keyword == "usermodel") {
    world.user.model = restOf(in);
  } else if (keyword == "zulu") {
    if (!readNumbers(in, 3, v)) return "zulu needs year, day of year, seconds";
    world.user.zuluYear = static_cast<std::int64_t>(v[0]);
    world.user.zuluDayOfYear = static_cast<std::int64_t>(v[1]);
    world.user.zuluSeconds = v[2];
  } else if (keyword == "at") {
    ScriptStep step;
    if (!(in >> step.frame >> step.command)) return "at needs a frame and a command";
    double value = 0.0;
    while (in >> value) step.values.push_back(value);
    world.script.push_back(std::move(step));
  } else {
    return fmt::format("unknown keyword '{}'", keyword);
  }
  return {};
}

} // namespace

World gf_parseWorld(std::istream& in, std::vector<std::string>& problems) {
  World world;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    auto text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    std::istringstream words(text);
    std::string keyword;
    words >> keyword;
    if (auto problem = applyLine(world, lowerCase(keyword), words); !problem.empty()) {
      problems.push_back(fmt::format("world line {}: {}", number, problem));
    }
  }
  std::stable_sort(world.script.begin(), world.script.end(),
                   [](const ScriptStep& a, const ScriptStep& b) { return a.frame < b.frame; });
  return world;
}

World gf_loadWorld(const std::filesystem::path& file, std::vector<std::string>& problems) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error(fmt::format("cannot open world file {}", file.string()));
  return gf_parseWorld(in, problems);
}

std::string gf_worldText(const World& world) {
  std::string text = fmt::format("ground {}\n", world.groundElevationFt);
  for (const auto& a : world.airports) {
    text += fmt::format("airport {} {} {} {} {}\n", a.icao, a.latitude, a.longitude, a.elevationFt, a.name);
    for (const auto& p : a.parkings) {
      text += fmt::format("parking {} {} {} {} {} {}\n", p.type, p.number, p.headingDeg, p.radiusM, p.biasXM, p.biasZM);
    }
    for (const auto& h : a.helipads) {
      text += fmt::format("helipad {} {} {} {} {} {} {}\n", h.latitude, h.longitude, h.altitudeM, h.headingDeg,
                          h.lengthM, h.widthM, h.type);
    }
  }
  for (const auto& t : world.titles) text += fmt::format("title {}\n", t);
  const auto& u = world.user;
  text += fmt::format("user {} {} {} {} {}\n", u.latitude, u.longitude, u.altitudeFt, u.headingDeg, u.onGround ? 1 : 0);
  if (!u.title.empty()) text += fmt::format("usertitle {}\n", u.title);
  if (!u.model.empty()) text += fmt::format("usermodel {}\n", u.model);
  text += fmt::format("zulu {} {} {}\n", u.zuluYear, u.zuluDayOfYear, u.zuluSeconds);
  for (const auto& s : world.script) {
    text += fmt::format("at {} {}", s.frame, s.command);
    for (double v : s.values) text += fmt::format(" {}", v);
    text += '\n';
  }
  return text;
}

std::vector<std::string> gf_installedTitles(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::vector<std::string> titles;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec) || !platform::equalsNoCase(it->path().filename().string(), "aircraft.cfg")) continue;
    std::istringstream cfg(cfgText(it->path()));
    std::string line;
    while (std::getline(cfg, line)) {
      auto text = trimmed(line);
      auto equals = text.find('=');
      if (equals == std::string::npos || !platform::equalsNoCase(trimmed(text.substr(0, equals)), "title")) continue;
      auto value = trimmed(text.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      if (!value.empty()) titles.push_back(std::move(value));
    }
  }
  return titles;
}

} // namespace gwr::simemu
