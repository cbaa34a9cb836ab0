// Writes and rewrites RealTraffic traffic lines and pressure datagrams, and
// reads the fields of a recorded line by index.
#include "feeder/traffic_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include <fmt/format.h>

#include "feeder/feeder_constants.h"

namespace gwr::feeder {

namespace {

constexpr std::string_view none = "null";
constexpr std::string_view sourceWithHeading = "adsb_icao";  // makes the reader take field 25
constexpr std::string_view notReported = "-1";               // TAS, roll and heading fields
constexpr std::string_view groundAltitude = "0";
constexpr int positionDecimals = 6;   // degrees: about 0.1 m
constexpr int directionDecimals = 1;  // track and heading, degrees
constexpr int timestampDecimals = 2;  // seconds, as timestampsPerSecond

std::string_view lf_orNull(const std::string& text) { return text.empty() ? none : std::string_view(text); }

// Fixed decimals without a "-0".
std::string lf_fixed(double value, int decimals) {
  std::string text = fmt::format("{:.{}f}", value, decimals);
  if (text.starts_with('-') && text.find_first_not_of("0.", 1) == std::string::npos) text.erase(0, 1);
  return text;
}

std::optional<double> lf_finite(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

} // namespace

double gf_sentTimestamp(double epochSeconds) {
  return std::round(epochSeconds * timestampsPerSecond) / timestampsPerSecond;
}

std::string gf_formatTrafficLine(const ScenarioAircraft& aircraft, const AircraftState& state, double epochSeconds) {
  std::array<std::string, trafficLineFieldCount> fields;
  fields[0].assign(1, 'X');
  fields[1] = fmt::format("{}", aircraft.id);
  fields[2] = lf_fixed(state.position.latitude, positionDecimals);
  fields[3] = lf_fixed(state.position.longitude, positionDecimals);
  fields[4] = state.onGround ? std::string(groundAltitude) : lf_fixed(state.altitudeFeet, 0);
  fields[5] = lf_fixed(state.verticalSpeedFpm, 0);
  if (state.trackDegrees) fields[7] = lf_fixed(*state.trackDegrees, directionDecimals);
  fields[8] = lf_fixed(state.groundSpeedKnots, 0);
  fields[9] = lf_orNull(aircraft.callsign);
  fields[10] = lf_orNull(aircraft.type);
  fields[11] = lf_orNull(aircraft.registration);
  fields[12] = lf_orNull(aircraft.origin);
  fields[13] = lf_orNull(aircraft.destination);
  fields[timestampField] = lf_fixed(gf_sentTimestamp(epochSeconds), timestampDecimals);
  fields[17] = sourceWithHeading;
  fields[20] = notReported;
  fields[23] = notReported;
  fields[25] = state.trueHeadingDegrees ? lf_fixed(*state.trueHeadingDegrees, directionDecimals) : std::string(notReported);
  fields[28] = aircraft.category;
  return fmt::format("{}", fmt::join(fields, ","));
}

std::optional<std::string> gf_formatPressureDatagram(std::string_view value) {
  if (!lf_finite(value)) return std::nullopt;
  return fmt::format("{{\"QNH\":{}}}", value);
}

std::optional<std::string_view> gf_lineField(std::string_view line, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const auto comma = line.find(',', start);
    if (comma == std::string_view::npos) return std::nullopt;
    start = comma + 1;
  }
  const auto end = std::min(line.find(',', start), line.size());
  return line.substr(start, end - start);
}

std::optional<double> gf_lineTimestamp(std::string_view line) {
  const auto field = gf_lineField(line, timestampField);
  return field ? lf_finite(*field) : std::nullopt;
}

std::string gf_withTimestamp(std::string_view line, double epochSeconds) {
  const std::string_view field = gf_lineField(line, timestampField).value();
  const auto offset = static_cast<std::size_t>(field.data() - line.data());
  return fmt::format("{}{}{}", line.substr(0, offset), lf_fixed(gf_sentTimestamp(epochSeconds), timestampDecimals), line.substr(offset + field.size()));
}

} // namespace gwr::feeder
