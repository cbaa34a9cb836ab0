// The aircraft.cfg key readers: one pass over the line by hand, so that a
// line of any length costs time in proportion to its length and no stack.
#include "liveries/aircraft_cfg_keys.h"

#include <utility>

#include "platform/sys/case_insensitive.h"
#include "refdata/reference_queries.h"

namespace gwr {

namespace {

// What the scan counts as a blank around keys and values.
constexpr std::string_view cfgBlanks = " \t\n\v\f\r";

bool lf_isBlank(char c) { return cfgBlanks.find(c) != std::string_view::npos; }

std::size_t lf_skipBlanks(std::string_view line, std::size_t at) {
  while (at < line.size() && lf_isBlank(line[at])) ++at;
  return at;
}

bool lf_readNonEmpty(std::string_view line, std::string_view key, std::string& out) {
  std::string value = gf_readCfgValue(line, key);
  if (value.empty()) return false;
  out = std::move(value);
  return true;
}

} // namespace

std::string gf_readCfgKey(std::string_view line, std::string_view key) {
  std::size_t at = lf_skipBlanks(line, 0);
  if (line.size() - at < key.size() || !platform::equalsNoCase(line.substr(at, key.size()), key)) return {};
  at = lf_skipBlanks(line, at + key.size());
  if (at >= line.size() || line[at] != '=') return {};
  at = lf_skipBlanks(line, at + 1);

  std::string_view value = line.substr(at);
  // An unquoted comment is no part of the value; inside quotes a ';' is text.
  const std::size_t comment = value.find(';');
  if (comment != std::string_view::npos && comment < value.find('"')) value = value.substr(0, comment);
  const std::size_t last = value.find_last_not_of(cfgBlanks);
  if (last == std::string_view::npos) return {};
  return std::string(value.substr(0, last + 1));
}

std::string gf_unquoteCfgValue(std::string_view value) {
  const std::size_t first = value.find('"');
  if (first == std::string_view::npos) return std::string(value);
  const std::size_t second = value.find('"', first + 1);
  if (second == std::string_view::npos) return {};
  return std::string(value.substr(first + 1, second - first - 1));
}

std::string gf_readCfgValue(std::string_view line, std::string_view key) {
  return gf_unquoteCfgValue(gf_readCfgKey(line, key));
}

bool gf_readTitle(std::string_view line, std::string& title) { return lf_readNonEmpty(line, titleKey, title); }

bool gf_readTexture(std::string_view line, std::string& texture) {
  return lf_readNonEmpty(line, textureKey, texture);
}

bool gf_readAtcId(std::string_view line, std::string& registration) {
  std::string value = gf_readCfgValue(line, atcIdKey);
  if (value.size() < minAtcIdLength) return false;
  registration = std::move(value);
  return true;
}

bool gf_readParkingTypes(std::string_view line, std::string& types) {
  return lf_readNonEmpty(line, parkingTypesKey, types);
}

bool gf_readIcaoAirline(std::string_view line, std::string& airline) {
  const std::string raw = gf_readCfgKey(line, icaoAirlineKey);
  if (raw.empty()) return false;
  const std::string value = gf_unquoteCfgValue(raw);
  airline = (value.empty() || value == "ZZZZ") ? std::string(genericAirlineCode) : gf_upperAscii(value);
  return true;
}

std::string gf_readIcaoTypeDesignator(std::string_view line) {
  std::string value = gf_readCfgValue(line, icaoTypeDesignatorKey);
  if (value.size() > modelCodeMaxLength) value.resize(modelCodeMaxLength);
  return gf_upperAscii(value);
}

// Exact bytes: a key in another letter case, or one spelled with a blank
// before "=", does not cost the section its livery.
bool gf_hasAtcIdKey(std::string_view line) { return line.find("atc_id=") != std::string_view::npos; }

bool gf_hasParkingTypesKey(std::string_view line) { return line.find(parkingTypesKey) != std::string_view::npos; }

} // namespace gwr
