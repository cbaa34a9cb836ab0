// Parsing and filtering of one traffic line into a queued TrafficRecord:
// position, range, identity, type, heading, altitude, speeds and due tick.
#include "traffic/feed/traffic_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "core/geo.h"
#include "core/log.h"
#include "core/settings_catalogue.h"
#include "refdata/code_pools.h"
#include "traffic/feed/feed_constants.h"
#include "traffic/feed/feed_log.h"
#include "traffic/feed/leading_number.h"
#include "traffic/feed/park_airport_state.h"
#include "traffic/feed/tick_clock.h"
#include "traffic/feed/traffic_queue.h"

namespace gwr {
namespace {

constexpr std::string_view noneText = "null";
constexpr std::string_view adsbSource = "adsb_icao";
constexpr std::string_view rotorcraftEmitter = "A7";  // field 28: the ADS-B emitter category
constexpr double maxTrueHeadingDeg = 360.0;
constexpr double notReported = -1.0;  // TAS and roll
constexpr double earliestTimestampS = 631152000.0;   // 1990-01-01 00:00 UTC, seconds since 1970
constexpr double latestTimestampS = 4102444800.0;    // 2100-01-01 00:00 UTC

// Ground test bands: within this height of the field and at or below this
// ground speed the aircraft is on the ground.
struct GroundBand {
  double heightFt;
  double speedKt;
};
constexpr std::array<GroundBand, 3> groundBands{{{42.0, 120.0}, {84.0, 80.0}, {108.0, 43.0}}};

struct TasDefault {
  double upToFt;
  double knots;
};
constexpr std::array<TasDefault, 4> tasDefaults{{{2000.0, 180.0}, {5000.0, 220.0}, {10000.0, 250.0}, {20000.0, 350.0}}};
constexpr double tasAboveDefaultsKt = 430.0;

[[noreturn]] void fail(std::string text) { throw std::runtime_error(std::move(text)); }

double numberOrFail(std::string_view field, std::string_view key) {
  const auto value = gf_leadingNumber(field);
  if (!value) fail(fmt::format("{}:{}", key, field));
  return *value;
}

std::string_view fieldOrNone(std::string_view field) { return field == noneText ? std::string_view{} : field; }

FixedCode<3> airportCode(std::string_view field) {
  return field == noneText ? FixedCode<3>{} : FixedCode<3>(field);
}

std::uint32_t readHexid(std::string_view field) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (error != std::errc{}) fail(fmt::format("hexid incorrect{}", field));
  return value;
}

bool nearParkAirport(const TrafficRecord& record) {
  const auto park = gf_parkAirport();
  if (!park) return false;
  const LatLon parkPosition{park->latitude, park->longitude};
  return gf_greatCircleDistanceNm(parkPosition, {record.latitude, record.longitude}) <= groundTrafficRadiusNm;
}

// The wider bands trust that a slow aircraft cannot fly low; a rotorcraft
// can (it hovers), so only the first, the altitude's own noise, holds for it.
bool onGroundByHeight(double altitude, double groundSpeed, double fieldElevation, bool rotorcraft) {
  const double h = altitude - fieldElevation;
  if (h <= 0.0) return true;
  const std::size_t bands = rotorcraft ? 1 : groundBands.size();
  for (std::size_t i = 0; i < bands; ++i) {
    if (std::abs(h) <= groundBands[i].heightFt && groundSpeed <= groundBands[i].speedKt) return true;
  }
  return false;
}

// The steps after the identity: heading, id, speeds, altitude, callsign,
// ground rule, track, route, roll and TAS. False drops the line.
bool parseMotion(TrafficReader& reader, const std::vector<std::string_view>& f, TrafficRecord& record) {
  // Feeds leave the heading empty now and then: that report has no heading,
  // it is not malformed, and dropping it would cost the aircraft a position.
  if (f[fSource] == adsbSource && !f[fTrueHeading].empty()) {
    const double trueHeading = numberOrFail(f[fTrueHeading], "trueheading");
    if (trueHeading > maxTrueHeadingDeg) fail(fmt::format("trueheading: {:.2f}", trueHeading));
    if (trueHeading == 0.0) {
      record.heading = twoPi;
    } else if (trueHeading > 0.0) {
      record.heading = trueHeading * radiansPerDegree;
    }
    record.trueHeadingGiven = record.heading ? 1 : 0;
  }
  record.hexid = readHexid(f[fHexid]);
  if (record.hexid <= highestStaticHexid) return false;
  record.groundSpeed = numberOrFail(f[fGroundSpeed], "gs");
  if (!lf_correctAltitude(reader, record)) return false;
  record.airborne = record.altitude > 0.0 ? 1 : 0;
  if (!lf_filterCallsign(reader, record)) return false;
  if (record.identity.callsign.empty() && record.identity.registration.empty()) return false;
  if (record.airborne == 0 && !nearParkAirport(record)) return false;

  if (!f[fTrack].empty()) {
    const auto track = gf_leadingNumber(f[fTrack]);
    if (!track) fail(fmt::format("track incorrect {}", f[fTrack]));
    record.track = *track;
  }
  if (record.track == 0.0 && record.heading) record.track = *record.heading * degreesPerRadian;
  record.verticalSpeed = numberOrFail(f[fVerticalSpeed], "vs");
  record.identity.origin = airportCode(f[fOrigin]);
  record.identity.destination = airportCode(f[fDestination]);
  if (record.airborne != 0) {
    const double roll = numberOrFail(f[fRoll], "roll");
    if (roll != notReported && roll != 0.0) record.roll = -roll * radiansPerDegree;
  }
  const auto tas = gf_leadingNumber(f[fTrueAirspeed]);
  if (!tas) fail(fmt::format("TAS incorrect{}", f[fTrueAirspeed]));
  record.trueAirspeed = *tas == notReported ? gf_defaultTrueAirspeed(record.altitude) : *tas;
  return true;
}

// Every step of the line; false drops it silently, a throw is a malformed line.
bool parseLine(TrafficReader& reader, TrafficRecord& record) {
  const auto& f = reader.fields;
  if (f.size() < trafficLineMinFields) fail(fmt::format("too few fields: {}", f.size()));

  record.timestamp = numberOrFail(f[fTimestamp], "timestamp");
  // RealTraffic also plays back history, so past years are fine; a time out
  // of any plausible range would move the program clock with it.
  if (!(record.timestamp >= earliestTimestampS && record.timestamp <= latestTimestampS))
    fail(fmt::format("timestamp out of range: {}", f[fTimestamp]));
  // Every line with a time moves the clock, also one dropped below: the
  // start-up waits for traffic by this clock, and most lines RealTraffic sends
  // are of aircraft the program does not fly (out of range, on the ground elsewhere).
  reader.setTimestamp(record.timestamp);
  record.latitude = numberOrFail(f[fLatitude], "lat");
  record.longitude = numberOrFail(f[fLongitude], "lon");
  const bool outside = std::abs(record.latitude) > largestLatitude || std::abs(record.longitude) > largestLongitude;
  const bool nullIsland =
      std::abs(record.latitude) <= minPositionDegrees && std::abs(record.longitude) <= minPositionDegrees;
  if (outside || nullIsland) fail(fmt::format("invalid lalo: {:.6f},{:.6f}", record.latitude, record.longitude));
  if (gf_greatCircleDistanceNm(reader.referencePosition(), {record.latitude, record.longitude}) > rangeNm.load()) {
    return false;
  }

  const std::string_view registration = f[fRegistration];
  if (registration.size() > maxRegistrationChars) return false;
  record.identity.registration = fieldOrNone(registration);

  const std::string_view callsign = f[fCallsign];
  if (reader.collectingCallsigns() && !callsign.empty() && callsign != noneText &&
      callsign.find('@') == std::string_view::npos) {
    reader.insertSeenCallsign(callsign);
  }
  if (!gf_isAircraft(f[fType], f[fCategory])) return false;
  record.identity.key.model = gf_modelIndex(std::string(f[fType]));
  return parseMotion(reader, f, record);
}

} // namespace

double gf_defaultTrueAirspeed(double altitudeFt) {
  for (const auto& row : tasDefaults) {
    if (altitudeFt <= row.upToFt) return row.knots;
  }
  return tasAboveDefaultsKt;
}

bool gf_isNonAircraftType(std::string_view type) {
  static constexpr std::array<std::string_view, 10> nonAircraft{"BALL", "EMER", "GLID", "GRND", "GND",
                                                                "PARA", "SERV", "SHIP", "VENT", "TWR"};
  if (type.size() > 4) return true;
  return std::find(nonAircraft.begin(), nonAircraft.end(), type) != nonAircraft.end();
}

bool gf_isAircraft(std::string_view type, std::string_view category) {
  static constexpr std::array<std::string_view, 5> nonAircraftCategories{"B1", "B2", "B4", "C1", "C2"};
  if (type.empty() || type == noneText) return false;
  if (std::find(nonAircraftCategories.begin(), nonAircraftCategories.end(), category) !=
      nonAircraftCategories.end()) {
    return false;
  }
  return !gf_isNonAircraftType(type);
}

bool lf_correctAltitude(TrafficReader& reader, TrafficRecord& record) {
  const std::string_view field = reader.fields[fAltitude];
  const auto parsed = gf_leadingNumber(field);
  if (!parsed) fail(fmt::format("altitude {} incorrect, from: {}", field, reader.datagram()));
  double altitude = *parsed;
  if (altitude <= 0.0) {
    altitude = 0.0;
  } else {
    const bool rotorcraft = reader.fields[fCategory] == rotorcraftEmitter;
    altitude = std::max(0.0, (reader.qnh.load() - standardQnhHpa) * feetPerHectopascal + altitude);
    if (altitude > 0.0 && altitude < groundTestCeilingFt) {
      const double field = reader.fieldElevation().value_or(unknownFieldElevationFt);
      if (onGroundByHeight(altitude, record.groundSpeed, field, rotorcraft)) altitude = 0.0;
    }
    // Slow means on the ground at any height, but not for a rotorcraft: it climbs away slowly.
    if (record.groundSpeed <= slowOnGroundKt && altitude > 0.0 && !rotorcraft) altitude = 0.0;
  }
  record.altitude = altitude;
  if (!AIRBORNE_ONLY.current()) return true;
  return altitude - gf_parkElevationFt().value_or(0.0) > airborneOnlyMarginFt;
}

bool lf_filterCallsign(TrafficReader& reader, TrafficRecord& record) {
  static constexpr std::array<std::string_view, 6> rejected{"ERARMTR0", "ERARMTR1", "AIRPORT1",
                                                            "00000000", "TR852",    "TEST"};
  const std::string_view callsign = fieldOrNone(reader.fields[fCallsign]);
  if (callsign.find('@') != std::string_view::npos) {
    record.identity.callsign.clear();
    return true;
  }
  if (std::find(rejected.begin(), rejected.end(), callsign) != rejected.end()) return false;
  record.identity.callsign = callsign;
  return true;
}

void processLineSub(TrafficReader& reader) {
  try {
    TrafficRecord record;
    if (!parseLine(reader, record)) return;
    record.onGround = 0;
    record.dueTick = tickCount.load() + dueDelayTicks;
    gf_queueTrafficRecord(std::move(record));
  } catch (const std::exception& e) {
    reader.malformedCount.fetch_add(1);
    gf_logFeed(FeedLogKind::trafficLine, fmt::format("exception in processLineSub: {}", e.what()));
  }
}

} // namespace gwr
