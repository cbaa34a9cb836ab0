// The stand readers: ids checked for presence and uniqueness, a stand with an
// unusable position, size or type skipped, options kept when their day and
// hours are usable.
#include "airports/apf_reader.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_set>

#include <fmt/format.h>

#include "airports/airports_constants.h"
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

// Why the stand's values cannot be used; none when they can. Numbers that are
// not finite, a position off the globe, a radius no stand has and a type the
// simulator does not know would mislead every search over the table.
std::optional<std::string> lf_unusable(const StandValues& v, const pugi::xml_node& parkpos) {
  const auto bad = [&](const char* name) {
    return fmt::format("bad {} '{}'", name, parkpos.attribute(name).value());
  };
  if (!std::isfinite(v.latitude) || std::fabs(v.latitude) > largestLatitude) return bad("latitude");
  if (!std::isfinite(v.longitude) || std::fabs(v.longitude) > largestLongitude) return bad("longitude");
  if (!std::isfinite(v.headingDeg)) return bad("heading");
  if (!gf_usableStandRadius(v.radiusMetres)) return bad("radius");
  if (v.type < 0 || v.type > highestStandType) return bad("type");
  return std::nullopt;
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

bool gf_usableStandRadius(double metres) {
  return std::isfinite(metres) && metres >= 0.0 && metres <= largestStandRadiusMetres;
}

std::optional<std::int32_t> gf_parseWholeInt(std::string_view text) {
  const std::string trimmed = gf_trim(text);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  return value;
}

StandValues gf_readStandValues(const pugi::xml_node& parkpos) {
  StandValues v;
  v.latitude = parkpos.attribute("latitude").as_double();
  v.longitude = parkpos.attribute("longitude").as_double();
  v.radiusMetres = parkpos.attribute("radius").as_double();
  v.headingDeg = parkpos.attribute("heading").as_double();
  v.type = parkpos.attribute("type").as_int();
  return v;
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
  const StandValues v = gf_readStandValues(parkpos);
  if (v.latitude == 0.0 && v.longitude == 0.0) {
    gf_logError(fmt::format("stand {} has no valid lat/lon", id));
    return;
  }
  // One stand with a value beyond use costs only itself, never the airport.
  if (const auto why = lf_unusable(v, parkpos)) {
    gf_logError(fmt::format("stand {}: {}, skipped", id, *why));
    return;
  }
  const auto type = static_cast<std::int16_t>(v.type);
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
  table.emplace_back(id, lf_readOptions(parkpos, fromFile), v.latitude, v.longitude, v.headingDeg * radiansPerDegree,
                     v.radiusMetres, type, cargo, ramp, heli);
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
