// The user's park airports: my_park_airports.txt with a reserved stand per
// airport, read into a list nearest first, and its front entry written back.
#include "traffic/parking/park_airports.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>

#include "core/log.h"
#include "core/status_line.h"
#include "core/text_files.h"
#include "core/text_utils.h"
#include "platform/sys/folder_listing.h"
#include "refdata/airports_table.h"

namespace gwr {

std::list<ParkAirport> parkAirports;

namespace {

constexpr std::size_t codeLength = 4;

std::optional<FixedCode<4>> validCode(const std::string& text) {
  try {
    return FixedCode<4>(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

ParkAirport entryOf(const AirportRecord& airport, std::string reservedStand) {
  return {std::move(reservedStand), {airport.latitude, airport.longitude}, 0.0, airport.icao};
}

// Adds the my_thirdparty files' airports that the list lacks.
void addThirdpartyAirports(std::unordered_set<std::string>& seen) {
  std::error_code ec;
  if (!platform::isFolder(myThirdpartyFolder, ec)) return;
  std::vector<std::filesystem::path> files;
  for (const platform::ListedEntry& entry : platform::listFolder(myThirdpartyFolder, ec))
    if (entry.isRegular()) files.push_back(entry.path);
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    const std::string stem = file.stem().string();
    if (stem.size() != codeLength) continue;
    const auto code = validCode(stem);
    if (!code || seen.contains(code->text())) continue;
    if (const AirportRecord* airport = gf_findAirport(*code)) {
      gf_insertParkAirport(entryOf(*airport, {}), false);
      seen.insert(code->text());
    }
  }
}

// A NUL byte sorts first and makes the next read take the file for UTF-16.
bool hasNul(const std::string& line) { return line.find('\0') != std::string::npos; }

// The list through the atomic save (a read-only file stays as the user made
// it); a failure keeps the old one and is shown, since the user's reserved
// stand is not remembered.
bool saveLines(const std::vector<std::string>& lines, const std::filesystem::path& file) {
  std::string cause;
  if (gf_replaceTextLines(lines, file, cause)) return true;
  setStatusError(fmt::format("{} could not be saved ({}), it stays as it was", file.filename().string(), cause));
  return false;
}

std::string frontLine() {
  const ParkAirport& front = parkAirports.front();
  std::string line = front.code.text();
  if (!front.reservedStand.empty()) line += "," + front.reservedStand;
  return line;
}

} // namespace

void gf_insertParkAirport(ParkAirport entry, bool atFront) {
  if (parkAirports.size() >= maxParkAirports) throw std::length_error("list too long");
  if (atFront)
    parkAirports.push_front(std::move(entry));
  else
    parkAirports.push_back(std::move(entry));
}

bool lf_readMyParkAirports(const std::filesystem::path& file) {
  parkAirports.clear();
  const std::string name = file.filename().string();
  bool ok = true;
  std::unordered_set<std::string> seen;
  try {
    std::error_code ec;
    std::vector<std::string> lines;
    if (!platform::pathExists(file, ec)) {
      gf_log(file.string() + " not found");
    } else if (!gf_readTextLines(gf_detectCharset(file), file, lines)) {
      setStatusText(fmt::format("{} could not be read", name), true);
      ok = false;
    }
    for (const std::string& line : lines) {
      if (hasNul(line)) {
        gf_logError(fmt::format("{}:{} wrong syntax, skipped", name, gf_escapeControls(line)));
        continue;
      }
      const std::vector<std::string> fields = gf_splitTrimmed(line, ',');
      if (fields.empty() || (fields.size() == 1 && fields[0].empty())) continue;
      if (fields.size() >= 3) {
        gf_logError(fmt::format("{}:{} wrong syntax, skipped", name, line));
        continue;
      }
      const auto code = validCode(fields[0]);
      if (!code) {
        // One bad code costs its line only, not the rest of the file.
        setStatusText(fmt::format("airport {} is not a valid code, skipped", fields[0]), true);
        ok = false;
        continue;
      }
      if (seen.contains(code->text())) {
        gf_logError(fmt::format("{}:{} double, skipped", name, code->text()));
        continue;
      }
      const AirportRecord* airport = gf_findAirport(*code);
      if (airport == nullptr) {
        setStatusText(fmt::format("airport {} is unknown", code->text()), true);
        ok = false;
        continue;
      }
      gf_insertParkAirport(entryOf(*airport, fields.size() == 2 ? fields[1] : std::string()), false);
      seen.insert(code->text());
    }
    if (!parkAirports.empty())
      gf_log(fmt::format("\n{:5} park airport{} read from '{}'", parkAirports.size(),
                         gf_plural(std::int64_t(parkAirports.size())), "my_park_airports.txt"));
    if (parkAirports.size() > manyParkAirportsWarning)
      setStatusText(fmt::format("Warning: There are a lot of airports ({}), that will cost GWRT much cpu time and "
                                "may cause stutters",
                                parkAirports.size()),
                    false);
    addThirdpartyAirports(seen);
  } catch (const std::exception& e) {
    gf_log(fmt::format("lf_readMyParkAirports: {}", e.what()));
    ok = false;
  }
  return ok;
}

bool gf_writeParkAirportEntry(const std::filesystem::path& file) {
  if (parkAirports.empty()) return false;
  const std::string name = file.filename().string();
  const std::string line = frontLine();
  std::error_code ec;
  if (!platform::pathExists(file, ec) && !ec) {
    const bool written = saveLines({line}, file);
    if (written) gf_log(fmt::format("{} created with {}", name, line));
    return written;
  }
  std::vector<std::string> lines;
  if (ec || !gf_readTextLines(gf_detectCharset(file), file, lines)) {
    // The user's entries are still in there: never write over them.
    gf_logError(fmt::format("{} could not be read, {} not saved", name, line));
    return false;
  }
  std::erase_if(lines, hasNul);
  const std::string code = parkAirports.front().code.text();
  const auto same = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
    const auto fields = gf_splitTrimmed(l, ',');
    return !fields.empty() && fields[0] == code;
  });
  const bool updated = same != lines.end();
  if (updated)
    *same = line;
  else
    lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  // Only what reached the file is logged as done.
  if (!saveLines(lines, file)) return false;
  gf_log(fmt::format("{}:{} {}", name, line, updated ? "updated stand" : "new entry"));
  return true;
}

} // namespace gwr
