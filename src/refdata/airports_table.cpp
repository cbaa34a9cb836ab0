// Reading the airports table from its decrypted XML, and the look-ups on it:
// known code, closest airport to a position, airport code inside a text.
#include "refdata/airports_table.h"

#include <algorithm>
#include <cmath>
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

namespace gwr {

std::vector<AirportRecord> airportsTable;
std::unordered_set<FixedCode<4>> airportCodeSet;

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

void lf_readAirportElement(const pugi::xml_node& element, FixedCode<4> code) {
  const pugi::xml_attribute latitudeAttr = element.attribute("la");
  const pugi::xml_attribute longitudeAttr = element.attribute("lo");
  const pugi::xml_attribute altitudeAttr = element.attribute("a");
  const pugi::xml_attribute standsAttr = element.attribute("s");
  const pugi::xml_attribute iataAttr = element.attribute("i");
  if (!latitudeAttr || !longitudeAttr) {
    gf_logError(fmt::format("Missing latLons for airport '{}'", code));
    return;
  }
  if (!altitudeAttr) {
    gf_logError(fmt::format("Missing alt for airport '{}'", code));
    return;
  }
  if (!standsAttr) gf_logError(fmt::format("Missing stands for airport '{}'", code));
  try {
    AirportRecord record;
    record.icao = code;
    record.stands = standsAttr.as_int(0);
    record.altitude = altitudeAttr.as_float(0.0F);
    record.latitude = latitudeAttr.as_double(0.0);
    record.longitude = longitudeAttr.as_double(0.0);
    lf_checkPosition(record.latitude, record.longitude);
    record.iata = iataAttr ? FixedCode<3>(iataAttr.as_string()) : unknownCode3;
    airportsTable.push_back(record);
    airportCodeSet.insert(code);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Error storing airport '{}' '{}': {}", code, iataAttr.as_string(), e.what()));
  }
}

void lf_readAirportsXml(const std::filesystem::path& plain) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_file(plain.c_str());
  if (!parsed) throw std::runtime_error(fmt::format("{} not loaded: {}", plain.string(), parsed.description()));
  const pugi::xml_node airports = document.child("root").child("airports");
  if (!airports) throw std::runtime_error("Missing <airports> root in: " + plain.string());
  for (const pugi::xml_node element : airports.children("ap"))
    lf_readAirportElement(element, FixedCode<4>(element.attribute("c").as_string()));

  std::stable_sort(airportsTable.begin(), airportsTable.end(),
                   [](const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; });
  gf_log(fmt::format("{:5} airports read", airportsTable.size()));
  airportsTable.shrink_to_fit();
}

} // namespace

bool gf_readAirportsFrom(const std::filesystem::path& encrypted, const std::filesystem::path& plain,
                         const DataFileKey& key) {
  if (airportsRead) return !airportsTable.empty();
  // A failed decryption leaves no XML file, which the load below reports.
  const DecryptedFile decrypted(encrypted, plain, key);
  airportsTable.reserve(expectedAirportCount);
  try {
    lf_readAirportsXml(decrypted.path());
  } catch (const std::exception& e) {
    // A half-read table must not pass for a read one on the next try.
    lf_clearTable();
    throw UserErrorException(airportsReadErrorCode, e.what());
  }
  airportsRead = true;
  return !airportsTable.empty();
}

bool gf_readAirports() { return gf_readAirportsFrom(airportsEncFile, airportsXmlFile, gf_programDataKey()); }

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
