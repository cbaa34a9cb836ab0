// Section headers of aircraft.cfg files, the split of a file into its
// [fltsim.N] sections (written by hand like the key readers) and the per-file context.
#include "liveries/aircraft_cfg_sections.h"

#include <charconv>
#include <cstdint>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "core/log.h"
#include "liveries/ivao_section.h"
#include "liveries/scan_reports.h"
#include "platform/sys/case_insensitive.h"

namespace gwr {

namespace {

constexpr std::string_view headerOpening = "[fltsim.";
// A line that is no plain header starts a section only when it holds the
// opening in small or capital letters: "[FltSim.2] ; old" starts none.
constexpr std::string_view headerOpeningUpper = "[FLTSIM.";
constexpr std::string_view headerBlanks = " \t\n\v\f\r";

bool lf_isDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of a line that is exactly blanks, "[fltsim.", digits, "]", blanks.
std::string_view lf_plainHeaderDigits(std::string_view line) {
  const std::size_t first = line.find_first_not_of(headerBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = line.find_last_not_of(headerBlanks);
  const std::string_view header = line.substr(first, last - first + 1);
  if (!platform::startsWithNoCase(header, headerOpening) || header.back() != ']') return {};
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
  if (line.find(headerOpening) != std::string_view::npos || line.find(headerOpeningUpper) != std::string_view::npos)
    return std::string(markerSectionNumber);
  return {};
}

FltSimSections gf_cutFltSimSections(const std::vector<std::string>& lines, bool ivaoFile) {
  return gf_cutFltSimSections(std::vector<std::string>(lines), ivaoFile);
}

FltSimSections gf_cutFltSimSections(std::vector<std::string>&& lines, bool ivaoFile) {
  FltSimSections cut;
  bool inside = false;
  for (std::string& line : lines) {
    std::string number = gf_readSectionNumber(line);
    if (!number.empty()) {
      cut.numbers.push_back(std::move(number));
      // No room reserved ahead: a file of headers alone would pay for it many times over.
      cut.sections.emplace_back().push_back(std::move(line));
      inside = true;
    } else if (lf_endsSection(line, ivaoFile)) {
      inside = false;
    } else if (inside) {
      cut.sections.back().push_back(std::move(line));
    }
  }
  return cut;
}

bool gf_checkFltSimNumbers(const FltSimSections& cut, const std::filesystem::path& file) {
  bool tooGreat = false;
  for (std::size_t i = 0; i < cut.numbers.size(); ++i) {
    const std::string& digits = cut.numbers[i];
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) {
      gf_logError(fmt::format("fltsim num {} incorrect", cut.sections[i].front()));
      return false;
    }
    if (number < 0 || number > fltsimNumberLimit) tooGreat = true;
  }
  if (cut.numbers.empty()) {
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

CfgFileContext gf_makeCfgFileContext(int folderRank, const std::filesystem::path& file, std::string model,
                                     bool ivaoFile) {
  CfgFileContext context{folderRank, file, file.parent_path(), gf_reportPathText(file), {}, std::move(model), false};
  context.folderText = gf_reportPathText(context.folder);
  context.specialIvaoFolder = ivaoFile && gf_isSpecialIvaoFolder(context.folderText);
  return context;
}

} // namespace gwr
