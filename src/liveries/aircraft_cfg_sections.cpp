// Section headers of aircraft.cfg files and the split of a file into its
// [fltsim.N] sections, written by hand like the key readers.
#include "liveries/aircraft_cfg_sections.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include <fmt/format.h>

#include "core/log.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/scan_reports.h"

namespace gwr {

namespace {

constexpr std::string_view headerOpening = "[fltsim.";
constexpr std::string_view headerBlanks = " \t\n\v\f\r";

bool lf_isDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a line that is exactly blanks, "[fltsim.", digits, "]", blanks.
std::string_view lf_plainHeaderDigits(std::string_view line) {
  const std::size_t first = line.find_first_not_of(headerBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = line.find_last_not_of(headerBlanks);
  const std::string_view header = line.substr(first, last - first + 1);
  if (!gf_startsWithNoCase(header, headerOpening) || header.back() != ']') return {};
  const std::string_view digits = header.substr(headerOpening.size(), header.size() - headerOpening.size() - 1);
  if (digits.empty()) return {};
  for (const char c : digits)
    if (!lf_isDigit(c)) return {};
  return digits;
}

bool lf_endsSection(std::string_view line, bool ivaoFile) {
  const std::size_t bracket = line.find('[');
  if (bracket == std::string_view::npos) return false;
  return ivaoFile || bracket < sectionEndBracketColumns;
}

} // namespace

std::string gf_readSectionNumber(std::string_view line) {
  if (line.starts_with("//")) return {};
  const std::string_view digits = lf_plainHeaderDigits(line);
  if (!digits.empty()) return std::string(digits);
  if (gf_containsNoCase(line, headerOpening)) return std::string(markerSectionNumber);
  return {};
}

bool gf_checkFltSimNumbers(const std::vector<std::string>& lines, const std::filesystem::path& file) {
  bool anySection = false;
  bool tooGreat = false;
  for (const std::string& line : lines) {
    const std::string digits = gf_readSectionNumber(line);
    if (digits.empty()) continue;
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
      gf_logError(fmt::format("fltsim num {} incorrect", line));
      return false;
    }
    anySection = true;
    if (number < 0 || number > fltsimNumberLimit) tooGreat = true;
  }
  if (!anySection) {
    gf_addNoFltsimFile(gf_reportPathText(file));
    return true;
  }
  if (tooGreat) {
    gf_addInvalidCfgLine(gf_reportPathText(file) + " contains a [fltsim.x] section with a number < 0 or > " +
                         std::string(markerSectionNumber));
    return false;
  }
  return true;
}

std::vector<CfgSection> gf_cutFltSimSections(const std::vector<std::string>& lines, bool ivaoFile) {
  std::vector<CfgSection> sections;
  bool inside = false;
  for (const std::string& line : lines) {
    if (!gf_readSectionNumber(line).empty()) {
      sections.emplace_back().reserve(reservedSectionLines);
      sections.back().push_back(line);
      inside = true;
    } else if (lf_endsSection(line, ivaoFile)) {
      inside = false;
    } else if (inside) {
      sections.back().push_back(line);
    }
  }
  return sections;
}

} // namespace gwr
