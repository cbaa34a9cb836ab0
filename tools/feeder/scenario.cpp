// Reads the feeder's scenario format: directives and waypoint rows, each bad
// line reported with its file and line number.
#include "feeder/scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "feeder/feeder_constants.h"

namespace gwr::feeder {

namespace {

constexpr std::size_t aircraftMinTokens = 7;  // keyword, id, callsign, type, registration, origin, destination
constexpr std::size_t aircraftMaxTokens = 8;  // ... and the emitter category
constexpr std::size_t waypointMinTokens = 7;  // time, lat, lon, altitude, speed, vertical speed, ground|air
constexpr std::size_t waypointMaxTokens = 13;  // ... the true heading, "track" and its degrees, "off" north and east metres
constexpr std::string_view offKeyword = "off";
constexpr std::string_view trackKeyword = "track";
constexpr const char* waypointUsage =
    "waypoint row takes: time lat lon altitude speed vertical-speed ground|air [heading] [track degrees] "
    "[off north east]";
constexpr const char* defaultCategory = "A3";
constexpr std::string_view noValue = "-";
constexpr double maxScenarioSeconds = 1e9;  // about 30 years

std::vector<std::string_view> lf_tokens(std::string_view line) {
  if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
  std::vector<std::string_view> tokens;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const auto start = line.find_first_not_of(" \t\r", pos);
    if (start == std::string_view::npos) break;
    const auto end = std::min(line.find_first_of(" \t\r", start), line.size());
    tokens.push_back(line.substr(start, end - start));
    pos = end;
  }
  return tokens;
}

// Reads the lines of one scenario text, keeping the current aircraft.
class ScenarioParser {
 public:
  explicit ScenarioParser(std::string_view sourceName) : sourceName_(sourceName) {}

  void parseLine(std::string_view line, int lineNumber) {
    lineNumber_ = lineNumber;
    const std::vector<std::string_view> tokens = lf_tokens(line);
    if (tokens.empty()) return;
    if (tokens[0] == "interval") {
      parseInterval(tokens);
    } else if (tokens[0] == "aircraft") {
      finishAircraft();
      parseAircraft(tokens);
    } else if (!tokens[0].empty() && (std::isdigit(static_cast<unsigned char>(tokens[0][0])) != 0 || tokens[0][0] == '.')) {
      parseWaypoint(tokens);
    } else {
      fail(fmt::format("unknown directive \"{}\" (expected interval, aircraft or a waypoint row)", tokens[0]));
    }
  }

  Scenario finish() {
    finishAircraft();
    return std::move(scenario_);
  }

 private:
  [[noreturn]] void fail(std::string_view what) const {
    throw ScenarioError(fmt::format("{}:{}: {}", sourceName_, lineNumber_, what));
  }

  double number(std::string_view token, std::string_view name) const {
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc{} || end != token.data() + token.size() || !std::isfinite(value)) {
      fail(fmt::format("{} \"{}\" is not a number", name, token));
    }
    return value;
  }

  double numberIn(std::string_view token, std::string_view name, double low, double high) const {
    const double value = number(token, name);
    if (value < low || value > high) fail(fmt::format("{} {} is outside {}..{}", name, token, low, high));
    return value;
  }

  // A field text of the line: "-" is none; a comma would split the field.
  std::string identityText(std::string_view token, std::string_view name) const {
    if (token == noValue) return {};
    if (token.find(',') != std::string_view::npos) fail(fmt::format("{} \"{}\" contains a comma", name, token));
    return std::string(token);
  }

  void parseInterval(const std::vector<std::string_view>& tokens) {
    if (tokens.size() != 2) fail("interval takes one value in seconds");
    const double seconds = number(tokens[1], "interval");
    if (seconds <= minReportSpacingSeconds) {
      fail(fmt::format("interval {} s must be more than {} s: reports of one aircraft are more than {} s apart",
                       tokens[1], minReportSpacingSeconds, minReportSpacingSeconds));
    }
    intervalSeconds_ = seconds;
  }

  void parseAircraft(const std::vector<std::string_view>& tokens) {
    if (tokens.size() < aircraftMinTokens || tokens.size() > aircraftMaxTokens) {
      fail("aircraft takes: id callsign type registration origin destination [category]");
    }
    std::uint32_t id = 0;
    const std::string_view idText = tokens[1];
    const auto [end, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (error != std::errc{} || end != idText.data() + idText.size()) {
      fail(fmt::format("aircraft id \"{}\" is not a whole number below 4294967296", idText));
    }
    if (id < lowestLiveId) fail(fmt::format("aircraft id {} must be above {}", id, lowestLiveId - 1));
    if (!ids_.insert(id).second) fail(fmt::format("aircraft id {} appears twice", id));
    current_.emplace();
    current_->id = id;
    current_->callsign = identityText(tokens[2], "callsign");
    current_->type = identityText(tokens[3], "type");
    current_->registration = identityText(tokens[4], "registration");
    current_->origin = identityText(tokens[5], "origin");
    current_->destination = identityText(tokens[6], "destination");
    current_->category = tokens.size() == aircraftMaxTokens ? identityText(tokens[7], "category") : defaultCategory;
    current_->reportIntervalSeconds = intervalSeconds_;
    aircraftLine_ = lineNumber_;
  }

  void parseWaypoint(const std::vector<std::string_view>& tokens) {
    if (!current_) fail("waypoint row before the first aircraft line");
    if (tokens.size() < waypointMinTokens || tokens.size() > waypointMaxTokens) fail(waypointUsage);
    Waypoint point;
    point.time = numberIn(tokens[0], "time", 0.0, maxScenarioSeconds);
    point.position.latitude = numberIn(tokens[1], "latitude", -90.0, 90.0);
    point.position.longitude = numberIn(tokens[2], "longitude", -180.0, 180.0);
    point.altitudeFeet = numberIn(tokens[3], "altitude", minAltitudeFeet, maxAltitudeFeet);
    point.groundSpeedKnots = numberIn(tokens[4], "speed", 0.0, maxGroundSpeedKnots);
    point.verticalSpeedFpm = numberIn(tokens[5], "vertical speed", -maxVerticalSpeedFpm, maxVerticalSpeedFpm);
    if (tokens[6] == "ground") {
      point.onGround = true;
    } else if (tokens[6] != "air") {
      fail(fmt::format("\"{}\" must be ground or air", tokens[6]));
    }
    std::size_t next = waypointMinTokens;
    if (next < tokens.size() && tokens[next] != offKeyword && tokens[next] != trackKeyword) {
      point.headingDegrees = numberIn(tokens[next++], "heading", 0.0, 360.0);
    }
    if (next < tokens.size() && tokens[next] == trackKeyword) {
      if (next + 1 >= tokens.size()) fail(waypointUsage);
      point.trackDegrees = numberIn(tokens[next + 1], "track", 0.0, 360.0);
      next += 2;
    }
    if (next < tokens.size()) {
      if (tokens[next] != offKeyword || tokens.size() != next + 3) fail(waypointUsage);
      point.reportOffset.north = numberIn(tokens[next + 1], "north offset", -maxReportOffsetMetres, maxReportOffsetMetres);
      point.reportOffset.east = numberIn(tokens[next + 2], "east offset", -maxReportOffsetMetres, maxReportOffsetMetres);
    }
    if (!current_->waypoints.empty() && point.time <= current_->waypoints.back().time) {
      fail(fmt::format("time {} does not come after {}", tokens[0], current_->waypoints.back().time));
    }
    current_->waypoints.push_back(point);
  }

  void finishAircraft() {
    if (!current_) return;
    if (current_->waypoints.size() < 2) {
      lineNumber_ = aircraftLine_;
      fail(fmt::format("aircraft {} needs at least two waypoints", current_->id));
    }
    scenario_.aircraft.push_back(std::move(*current_));
    current_.reset();
  }

  std::string_view sourceName_;
  int lineNumber_ = 0;
  int aircraftLine_ = 0;
  double intervalSeconds_ = defaultReportIntervalSeconds;
  std::set<std::uint32_t> ids_;
  std::optional<ScenarioAircraft> current_;
  Scenario scenario_;
};

} // namespace

Scenario gf_parseScenario(std::string_view text, std::string_view sourceName) {
  ScenarioParser parser(sourceName);
  int lineNumber = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const auto end = std::min(text.find('\n', pos), text.size());
    parser.parseLine(text.substr(pos, end - pos), ++lineNumber);
    pos = end + 1;
  }
  return parser.finish();
}

Scenario gf_readScenarioFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ScenarioError(fmt::format("{}: cannot be read", file.string()));
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return gf_parseScenario(text, file.string());
}

void gf_mergeScenario(Scenario& into, Scenario&& more, std::string_view sourceName) {
  for (ScenarioAircraft& aircraft : more.aircraft) {
    for (const ScenarioAircraft& known : into.aircraft) {
      if (known.id == aircraft.id) {
        throw ScenarioError(fmt::format("{}: aircraft id {} is already used by another scenario", sourceName, aircraft.id));
      }
    }
    into.aircraft.push_back(std::move(aircraft));
  }
}

} // namespace gwr::feeder
