// Reading the airports table from its decrypted XML, and the look-ups on it:
// known code, closest airport to a position, airport code inside a text.
#include "refdata/airports_table.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/log.h"
#include "core/paths.h"
#include "core/text_utils.h"
#include "core/user_error.h"
#include "refdata/airport_services.h"
#include "refdata/xml_attributes.h"

namespace gwr {

std::vector<AirportRecord> airportsTable;
AirportCodeSet airportCodeSet;

namespace {

bool airportsRead = false;

void lf_clearTable() {
  airportsTable.clear();
  airportCodeSet.clear();
}

void lf_checkPosition(double latitude, double longitude) {
  // pugixml reads garbage as 0; a number outside the globe is plainly wrong too.
  if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90.0 ||
      std::abs(longitude) > 180.0)
    throw std::invalid_argument(fmt::format("position {} {} is off the globe", latitude, longitude));
}

// The attributes of one <ap> element, walked once: code, latitude,
// longitude, altitude, stands, IATA code.
struct AirportAttributes {
  pugi::xml_attribute fields[6];
  const pugi::xml_attribute& code() const { return fields[0]; }
  const pugi::xml_attribute& latitude() const { return fields[1]; }
  const pugi::xml_attribute& longitude() const { return fields[2]; }
  const pugi::xml_attribute& altitude() const { return fields[3]; }
  const pugi::xml_attribute& stands() const { return fields[4]; }
  const pugi::xml_attribute& iata() const { return fields[5]; }
};

// The attribute names of the file: "la" and "lo" are the only two-letter ones.
AirportAttributes lf_airportAttributes(const pugi::xml_node& element) {
  AirportAttributes found;
  for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
    const char* name = attribute.name();
    int slot = -1;
    if (name[0] != '\0' && name[1] == '\0') {
      switch (name[0]) {
        case 'c': slot = 0; break;
        case 'a': slot = 3; break;
        case 's': slot = 4; break;
        case 'i': slot = 5; break;
        default: break;
      }
    } else if (name[0] == 'l' && name[2] == '\0' && (name[1] == 'a' || name[1] == 'o')) {
      slot = name[1] == 'a' ? 1 : 2;
    }
    // The first of repeated attributes counts, as a look-up by name finds it.
    if (slot >= 0 && !found.fields[slot]) found.fields[slot] = attribute;
  }
  return found;
}

void lf_readAirportElement(const AirportAttributes& element, FixedCode<4> code) {
  if (!element.latitude() || !element.longitude()) {
    gf_logError(fmt::format("Missing latLons for airport '{}'", code));
    return;
  }
  if (!element.altitude()) {
    gf_logError(fmt::format("Missing alt for airport '{}'", code));
    return;
  }
  if (!element.stands()) gf_logError(fmt::format("Missing stands for airport '{}'", code));
  try {
    AirportRecord record;
    record.icao = code;
    record.stands = gf_attributeInt(element.stands());
    record.altitude = gf_attributeFloat(element.altitude());
    record.latitude = gf_attributeDouble(element.latitude());
    record.longitude = gf_attributeDouble(element.longitude());
    lf_checkPosition(record.latitude, record.longitude);
    record.iata = element.iata() ? FixedCode<3>(element.iata().as_string()) : unknownCode3;
    airportsTable.push_back(record);
    airportCodeSet.insert(code);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Error storing airport '{}' '{}': {}", code, element.iata().as_string(), e.what()));
  }
}

bool lf_byIcao(const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; }

void lf_readAirportsText(std::string& xml, const std::string& sourceName) {
  pugi::xml_document document;
  // Parsed in place: the decrypted text is not copied once more.
  const pugi::xml_parse_result parsed = document.load_buffer_inplace(xml.data(), xml.size());
  if (!parsed) throw std::runtime_error(fmt::format("{} not loaded: {}", sourceName, parsed.description()));
  const pugi::xml_node airports = document.child("root").child("airports");
  if (!airports) throw std::runtime_error("Missing <airports> root in: " + sourceName);
  airportCodeSet.reserve(expectedAirportCount);
  for (const pugi::xml_node element : airports.children("ap")) {
    const AirportAttributes attributes = lf_airportAttributes(element);
    lf_readAirportElement(attributes, FixedCode<4>(attributes.code().as_string()));
  }
  // The shipped table comes sorted: checking that costs far less.
  if (!std::is_sorted(airportsTable.begin(), airportsTable.end(), lf_byIcao))
    std::stable_sort(airportsTable.begin(), airportsTable.end(), lf_byIcao);
  gf_log(fmt::format("{:5} airports read", airportsTable.size()));
  airportsTable.shrink_to_fit();
}

} // namespace

bool gf_readAirportsFrom(const std::filesystem::path& encrypted, const DataFileKey& key) {
  if (airportsRead) return !airportsTable.empty();
  airportsTable.reserve(expectedAirportCount);
  try {
    // Decrypted in memory: no plain copy is ever on disk. The log says why
    // a decryption failed.
    std::optional<std::string> xml = gf_streamDecrypt(encrypted, key);
    if (!xml) throw std::runtime_error(fmt::format("{} stream decrypt failed", encrypted.string()));
    lf_readAirportsText(*xml, encrypted.string());
  } catch (const std::exception& e) {
    // A half-read table must not pass for a read one on the next try.
    lf_clearTable();
    throw UserErrorException(airportsReadErrorCode, e.what());
  }
  airportsRead = true;
  return !airportsTable.empty();
}

bool gf_readAirports() { return gf_readAirportsFrom(airportsEncFile, gf_programDataKey()); }

void gf_clearAirportsForTests() {
  lf_clearTable();
  airportsRead = false;
}

const AirportRecord* gf_findClosestAirport(const LatLon& position) {
  double bestNm = noStandDistanceNm;
  const AirportRecord* closest = nullptr;
  const AirportRecord* neighbour = nullptr;
  for (const AirportRecord& airport : airportsTable) {
    const double distanceNm = gf_greatCircleDistanceNm(position, {airport.latitude, airport.longitude});
    if (distanceNm <= atAirportRadiusNm && distanceNm < bestNm) {
      bestNm = distanceNm;
      if (closest) neighbour = closest;
      closest = &airport;
    }
  }
  if (!closest || !neighbour) return closest;

  gf_log(fmt::format("Airport {} is closest, neighbour is {}", closest->icao, neighbour->icao));
  std::string closestStand;
  std::string neighbourStand;
  const double closestStandNm = gf_readDestApfForClosestStand(closest->icao, position, closestStand);
  const double neighbourStandNm = gf_readDestApfForClosestStand(neighbour->icao, position, neighbourStand);
  if (neighbourStandNm < closestStandNm) {
    gf_log(fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
                       closest->icao, neighbourStand, neighbour->icao, neighbourStandNm * metresPerNm));
    return neighbour;
  }
  return closest;
}

bool gf_isKnownAirport(FixedCode<4> code) { return airportCodeSet.contains(code); }

const AirportRecord* gf_findAirport(FixedCode<4> code) {
  const auto found = std::lower_bound(airportsTable.begin(), airportsTable.end(), code,
                                      [](const AirportRecord& a, FixedCode<4> wanted) { return a.icao < wanted; });
  return found != airportsTable.end() && found->icao == code ? &*found : nullptr;
}

std::optional<FixedCode<4>> gf_findAirportCodeInText(std::string_view text) {
  static const std::regex codePattern("(?:^|[^A-Z0-9])([A-Z0-9]{4})(?=$|[^A-Z0-9])", std::regex::ECMAScript);
  // ASCII only: other bytes (UTF-8 sequences) stay and separate codes.
  const std::string upper = gf_upperAscii(text);
  std::optional<FixedCode<4>> candidate;
  for (auto match = std::sregex_iterator(upper.begin(), upper.end(), codePattern); match != std::sregex_iterator();
       ++match) {
    const FixedCode<4> code((*match)[1].str());
    if (!rtAirportCodes.contains(code)) continue;
    candidate = code;
    if (gf_isKnownAirport(code)) return code;
  }
  return candidate;
}

} // namespace gwr
