// The stand readers: ids checked for presence and uniqueness, positions and
// sizes range-checked, options kept when their day and hours are usable.
#include "airports/apf_reader.h"

#include <charconv>
#include <cmath>
#include <unordered_set>

#include <fmt/format.h>

#include "core/geo.h"
#include "core/log.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "refdata/code_pools.h"
#include "refdata/registration_records.h"

namespace gwr {

namespace {

constexpr int missingIdErrorCode = 93;
constexpr int repeatedIdErrorCode = 94;
constexpr double largestLatitude = 90.0;
constexpr double largestLongitude = 180.0;

[[noreturn]] void lf_refuse(const std::string& id, const char* name, std::string_view value) {
  throw ApfFormatError(fmt::format("stand {}: bad {} '{}'", id, name, value));
}

void lf_checkRange(const std::string& id, const char* name, double value, double lowest, double highest) {
  if (value < lowest || value > highest) lf_refuse(id, name, fmt::format("{}", value));
}

std::int16_t lf_readStandType(const pugi::xml_node& parkpos, const std::string& id) {
  const double type = gf_readStandNumber(parkpos, "type", id, 0.0);
  if (type < 0 || type > highestStandType || type != std::floor(type))
    throw ApfFormatError(fmt::format("stand {}: unknown stand type '{}'", id, parkpos.attribute("type").value()));
  return static_cast<std::int16_t>(type);
}

std::vector<StandOption> lf_readOptions(const pugi::xml_node& parkpos, std::uint32_t fromFile) {
  std::vector<StandOption> options;
  options.reserve(static_cast<std::size_t>(std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end())));
  for (const pugi::xml_node opt : parkpos.children("opt")) {
    const std::string_view hh = opt.attribute("hh").value();
    const unsigned day = opt.attribute("day").as_uint();
    if (hh.empty() || day < firstWeekday || day > lastWeekday) continue;
    OptionIdentity identity = gf_readStandOption(opt);
    StandOption option;
    option.codes = identity.codes;
    option.callsign1 = std::move(identity.callsign1);
    option.callsign2 = std::move(identity.callsign2);
    option.registration = opt.attribute("reg").value();
    option.hours = gf_hours2bitset(hh);
    option.index = static_cast<std::uint32_t>(options.size() + 1);
    option.day = day;
    option.fromFile = fromFile;
    option.real = opt.attribute("soft").as_bool() ? 0 : 1;
    option.cpl = opt.attribute("cpl").as_bool() ? 1 : 0;
    options.push_back(std::move(option));
  }
  options.shrink_to_fit();
  return options;
}

} // namespace

std::optional<std::int32_t> gf_parseWholeInt(std::string_view text) {
  const std::string trimmed = gf_trim(text);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  return value;
}

double gf_readStandNumber(const pugi::xml_node& node, const char* name, const std::string& id, double fallback) {
  const pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return fallback;
  const std::string text = gf_trim(attribute.value());
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    lf_refuse(id, name, attribute.value());
  return value;
}

pugi::xml_node gf_findParkPositions(const pugi::xml_node& document) {
  const pugi::xml_node underRoot = document.child("root").child("parkpositions");
  return underRoot ? underRoot : document.child("parkpositions");
}

void gf_readParkPositions(const pugi::xml_node& document, StandTable& table) {
  const pugi::xml_node parkpositions = gf_findParkPositions(document);
  if (!parkpositions) return;
  std::unordered_set<std::string> seen;
  seen.reserve(reservedStandIds);
  std::size_t count = 0;
  for (const pugi::xml_node parkpos : parkpositions.children("parkpos")) {
    ++count;
    const pugi::xml_attribute idAttribute = parkpos.attribute("id");
    if (!idAttribute)
      throw UserErrorException(missingIdErrorCode,
                               fmt::format("Parking position #{} has no '{}' attribute.", count, "id"));
    std::string id = gf_trim(idAttribute.value());
    if (id.empty())
      throw UserErrorException(missingIdErrorCode, fmt::format("Stand #{} has empty '{}' attribute.", count, "id"));
    if (!seen.insert(id).second)
      throw UserErrorException(repeatedIdErrorCode, fmt::format("Stand '{}' appears more than once.", id));
    gf_readParkPos(parkpos, id, 1, table);
  }
}

void gf_readParkPos(const pugi::xml_node& parkpos, const std::string& id, std::uint32_t fromFile, StandTable& table) {
  const double latitude = gf_readStandNumber(parkpos, "latitude", id, 0.0);
  const double longitude = gf_readStandNumber(parkpos, "longitude", id, 0.0);
  lf_checkRange(id, "latitude", latitude, -largestLatitude, largestLatitude);
  lf_checkRange(id, "longitude", longitude, -largestLongitude, largestLongitude);
  if (latitude == 0.0 && longitude == 0.0) {
    gf_logError(fmt::format("stand {} has no valid lat/lon", id));
    return;
  }
  const double radiusMetres = gf_readStandNumber(parkpos, "radius", id, 0.0);
  lf_checkRange(id, "radius", radiusMetres, 0.0, largestStandRadiusMetres);
  const double headingDeg = gf_readStandNumber(parkpos, "heading", id, 0.0);
  const std::int16_t type = lf_readStandType(parkpos, id);

  bool cargo = false;
  bool ramp = false;
  if (type != 0) {
    cargo = type == 5 || type == 6;
    ramp = type == 1 || type == 2 || type == 3 || type == 4 || type == 14;
  } else {
    cargo = parkpos.attribute("cargo").as_bool();
    ramp = parkpos.attribute("ramp").as_bool();
  }
  const bool heli = parkpos.attribute("heli").as_bool();
  table.emplace_back(id, lf_readOptions(parkpos, fromFile), latitude, longitude, headingDeg * radiansPerDegree,
                     radiusMetres, type, cargo, ramp, heli);
}

LivKey gf_readOptionCodes(const pugi::xml_node& opt) {
  LivKey codes;
  codes.airline = gf_airlineIndex(opt.attribute("airl").value());
  codes.model = gf_modelIndex(opt.attribute("type").value());
  return codes;
}

OptionIdentity gf_readStandOption(const pugi::xml_node& opt) {
  OptionIdentity identity;
  try {
    const std::string cs = opt.attribute("cs").value();
    const std::size_t colon = cs.find(':');
    identity.callsign1 = cs.substr(0, colon);
    if (colon != std::string::npos) identity.callsign2 = cs.substr(colon + 1);
    const std::string registration = opt.attribute("reg").value();
    const auto known = registration.empty() ? std::nullopt : gf_lookupRegistration(registration);
    identity.codes = known ? *known : gf_readOptionCodes(opt);
  } catch (const std::exception&) {
    // What was read so far stands; a bad option text is no reason to refuse the file.
  }
  return identity;
}

} // namespace gwr
