// The emulated simulator of a run on a computer without the simulator: the
// world file, the installed titles, the user's airport and its stand file.
#include "app/run/embedded_sim.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <cstdio>
#include <sstream>
#include <memory>
#include <set>
#include <stdexcept>

#include <fmt/format.h>

#include "app/run/replay_gates.h"
#include "airports/apf_data.h"
#include "airports/apf_locations.h"
#include "airports/apf_writer.h"
#include "core/fixed_code.h"
#include "core/geo.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text_files.h"
#include "platform/sim/sim_emulator.h"
#include "platform/sys/folder_listing.h"
#include "platform/sys/native_path.h"
#include "refdata/airports_table.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr double feetPerMetre = 1.0 / 0.3048;
constexpr std::int32_t edition2020 = 1;  // the emulated simulator answers as MSFS 2020
constexpr std::string_view logPrefix = "Emulated simulator: ";

void lf_note(std::string_view text) { gf_log(fmt::format("{}{}", logPrefix, text)); }

std::string lf_environment(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  return value == nullptr ? std::string() : std::string(value);
}

bool lf_hasUserPosition(const simemu::World& world) {
  const simemu::UserAircraftStart none;
  return world.user.latitude != none.latitude || world.user.longitude != none.longitude;
}

bool lf_hasZulu(const simemu::World& world) {
  const simemu::UserAircraftStart none;
  return world.user.zuluYear != none.zuluYear || world.user.zuluDayOfYear != none.zuluDayOfYear ||
         world.user.zuluSeconds != none.zuluSeconds;
}

simemu::WorldAirport* lf_worldAirport(simemu::World& world, std::string_view icao) {
  const auto found = std::find_if(world.airports.begin(), world.airports.end(),
                                  [&](const simemu::WorldAirport& a) { return a.icao == icao; });
  return found == world.airports.end() ? nullptr : &*found;
}

// The table's airport, read on first use; null (with why) when it cannot be had.
const AirportRecord* lf_tableAirport(FixedCode<4> code, std::string& why) {
  try {
    gf_readAirports();
  } catch (const std::exception& e) {
    why = fmt::format("the airports table cannot be read ({})", e.what());
    return nullptr;
  }
  const AirportRecord* airport = gf_findAirport(code);
  if (airport == nullptr) why = fmt::format("{} is not an airport of the airports table", code.view());
  return airport;
}

std::optional<FixedCode<4>> lf_code(const std::string& text) {
  try {
    return FixedCode<4>(text);
  } catch (const std::invalid_argument&) {
    return std::nullopt;
  }
}

// The airport in the world, added from the airports table when the world
// lacks it; null (with why) when neither knows it.
simemu::WorldAirport* lf_userAirport(simemu::World& world, const std::string& text, std::string& why) {
  const auto code = lf_code(text);
  if (!code) {
    why = fmt::format("'{}' is not an airport code", text);
    return nullptr;
  }
  if (simemu::WorldAirport* known = lf_worldAirport(world, code->view())) return known;
  const AirportRecord* record = lf_tableAirport(*code, why);
  if (record == nullptr) return nullptr;
  simemu::WorldAirport airport;
  airport.icao = code->text();
  airport.name = code->text();
  airport.latitude = record->latitude;
  airport.longitude = record->longitude;
  airport.elevationFt = record->altitude;
  world.airports.push_back(std::move(airport));
  return &world.airports.back();
}

// A row of gates from west to east round `centre`, all facing south.
std::vector<simemu::WorldParking> lf_generatedParkings(MetresOffset centre) {
  std::vector<simemu::WorldParking> parkings;
  for (std::size_t i = 0; i < generatedStandCount; ++i) {
    const double east = gf_rowGateEastM(centre.eastM, generatedStandCount, generatedStandSpacingM, i);
    parkings.push_back({generatedStandType, static_cast<std::int32_t>(i + 1), 180.0F, generatedStandRadiusM,
                        static_cast<float>(east),
                        static_cast<float>(centre.northM)});
  }
  return parkings;
}

// North of the airport's point; in a replay, where none of the recording's
// traffic moves near the ground (the point may lie on a runway).
MetresOffset lf_rowCentre(const simemu::WorldAirport& airport) {
  const MetresOffset north{0.0, generatedStandRowNorthM};
  const std::string feed = lf_environment(feedVariable);
  if (feed.empty()) return north;
  std::string cause;
  std::string bytes;
  const bool read = gf_readFileBytes(platform::pathFromUtf8(feed), bytes, cause);
  std::istringstream recording(bytes);
  if (!read) {
    gf_logError(fmt::format("{}{} {} cannot be read, the gates at {} lie north of its point", logPrefix, feedVariable,
                            feed, airport.icao));
    return north;
  }
  const auto traffic = gf_recordedNearGround(recording, {airport.latitude, airport.longitude}, airport.elevationFt);
  const auto centre = gf_clearRowCentre(traffic, north, generatedStandCount, generatedStandSpacingM);
  if (!centre) {
    gf_logError(fmt::format("{}no place near {} is {:.0f} m clear of the {} places of traffic in {}, the gates lie "
                            "north of its point", logPrefix, airport.icao, replayClearanceM, traffic.size(), feed));
    return north;
  }
  lf_note(fmt::format("the gates at {} lie {:.0f} m east and {:.0f} m north of its point, {:.0f} m clear of the {} "
                      "places of traffic near the ground in {}", airport.icao, centre->eastM, centre->northM,
                      replayClearanceM, traffic.size(), feed));
  return *centre;
}

// Where the simulator's facility data puts a parking: east by its x bias,
// then north by its z bias, both in metres.
LatLon lf_parkingPosition(const simemu::WorldAirport& airport, const simemu::WorldParking& parking) {
  LatLon position{airport.latitude, airport.longitude};
  if (parking.biasXM != 0.0F)
    position = gf_destinationPoint(position, (parking.biasXM > 0 ? 90.0 : 270.0) * radiansPerDegree,
                                   std::abs(parking.biasXM) * feetPerMetre);
  if (parking.biasZM != 0.0F)
    position = gf_destinationPoint(position, (parking.biasZM > 0 ? 0.0 : 180.0) * radiansPerDegree,
                                   std::abs(parking.biasZM) * feetPerMetre);
  return position;
}

void lf_parkUser(simemu::World& world, const simemu::WorldAirport& airport) {
  const simemu::WorldParking& stand = airport.parkings.front();
  const LatLon position = lf_parkingPosition(airport, stand);
  world.user.latitude = position.latitude;
  world.user.longitude = position.longitude;
  world.user.altitudeFt = airport.elevationFt;
  world.user.headingDeg = stand.headingDeg;
  world.user.onGround = true;
  lf_note(fmt::format("the user aircraft is parked at {} stand {}", airport.icao, stand.number));
}

void lf_addInstalledTitles(simemu::World& world, const fs::path& packages) {
  if (packages.empty()) {
    lf_note(fmt::format("{} is not set, no livery titles are installed", packagesVariable));
    return;
  }
  std::set<std::string> known(world.titles.begin(), world.titles.end());
  std::size_t added = 0;
  for (std::string& title : simemu::gf_installedTitles(packages)) {
    if (!known.insert(title).second) continue;
    world.titles.push_back(std::move(title));
    ++added;
  }
  lf_note(fmt::format("{} livery titles installed below {}", added, packages.string()));
}

simemu::World lf_readWorldFile(const fs::path& packages) {
  const fs::path file = packages / embeddedWorldFileName;
  std::error_code error;
  if (packages.empty() || !platform::isRegularFile(file, error)) {
    lf_note(fmt::format("no world file {}, the world is made here", file.string()));
    return {};
  }
  std::vector<std::string> problems;
  try {
    simemu::World world = simemu::gf_loadWorld(file, problems);
    for (const std::string& problem : problems) lf_note(fmt::format("{}: {}, skipped", file.string(), problem));
    lf_note(fmt::format("world read from {}", file.string()));
    return world;
  } catch (const std::exception& e) {
    lf_note(fmt::format("{}, the world is made here", e.what()));
    return {};
  }
}

// The airport the user aircraft is parked at: GWR_AIRPORT, else none when the
// world file places the user, else the scenarios' airport.
std::string lf_chosenAirport(const simemu::World& world) {
  std::string requested = lf_environment(airportVariable);
  if (!requested.empty()) return requested;
  return lf_hasUserPosition(world) ? std::string() : std::string(defaultEmbeddedAirport);
}

// The world's airport within reach of the user's position, if any.
std::string lf_airportAtUser(const simemu::World& world) {
  const LatLon user{world.user.latitude, world.user.longitude};
  std::string closest;
  double closestNm = atAirportRadiusNm;
  for (const simemu::WorldAirport& airport : world.airports) {
    const double nm = gf_greatCircleDistanceNm(user, {airport.latitude, airport.longitude});
    if (nm <= closestNm) {
      closestNm = nm;
      closest = airport.icao;
    }
  }
  return closest;
}

void lf_placeUser(EmbeddedWorld& out) {
  simemu::World& world = out.world;
  std::string wanted = lf_chosenAirport(world);
  if (wanted.empty()) {
    out.userAirport = lf_airportAtUser(world);
    return;
  }
  std::string why;
  simemu::WorldAirport* airport = lf_userAirport(world, wanted, why);
  if (airport == nullptr && wanted != defaultEmbeddedAirport) {
    const bool fromFile = lf_hasUserPosition(world);
    gf_logError(fmt::format("{} {}: {}, the user aircraft is parked {}", airportVariable, wanted, why,
                            fromFile ? "where the world file puts it" : fmt::format("at {}", defaultEmbeddedAirport)));
    if (fromFile) {
      out.userAirport = lf_airportAtUser(world);
      return;
    }
    wanted = std::string(defaultEmbeddedAirport);
    airport = lf_userAirport(world, wanted, why);
  }
  if (airport == nullptr) {
    gf_logError(fmt::format("{}{}, the user aircraft has no airport", logPrefix, why));
    return;
  }
  if (airport->parkings.empty()) {
    airport->parkings = lf_generatedParkings(lf_rowCentre(*airport));
    lf_note(fmt::format("{} stands generated at {}", airport->parkings.size(), airport->icao));
  }
  lf_parkUser(world, *airport);
  out.userAirport = airport->icao;
}

simemu::UserAircraftStart lf_utcNow(simemu::UserAircraftStart user) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  user.zuluYear = utc.tm_year + 1900;
  user.zuluDayOfYear = utc.tm_yday + 1;
  user.zuluSeconds = utc.tm_hour * 3600.0 + utc.tm_min * 60.0 + utc.tm_sec;
  return user;
}

void lf_scheduleQuit(simemu::World& world, std::uint64_t framesPerSecond) {
  const bool quits = std::any_of(world.script.begin(), world.script.end(),
                                 [](const simemu::ScriptStep& step) { return step.command == "quit"; });
  if (quits) return;
  const auto frame = static_cast<std::uint64_t>(embeddedRunSeconds * static_cast<double>(framesPerSecond));
  world.script.push_back({frame, "quit", {}});
  std::stable_sort(world.script.begin(), world.script.end(),
                   [](const simemu::ScriptStep& a, const simemu::ScriptStep& b) { return a.frame < b.frame; });
  lf_note(fmt::format("the simulator quits after {:.0f} s", embeddedRunSeconds));
}

} // namespace

fs::path gf_embeddedPackagesFolder() { return fs::path(lf_environment(packagesVariable)); }

EmbeddedWorld gf_embeddedWorld(const fs::path& packages) {
  EmbeddedWorld out;
  out.world = lf_readWorldFile(packages);
  lf_addInstalledTitles(out.world, packages);
  lf_placeUser(out);
  simemu::UserAircraftStart& user = out.world.user;
  if (!lf_hasZulu(out.world)) user = lf_utcNow(user);
  if (user.title.empty()) user.title = embeddedUserTitle;
  if (user.model.empty()) user.model = embeddedUserModel;
  lf_scheduleQuit(out.world, simemu::Options{}.framesPerSecond);
  return out;
}

bool gf_writeEmbeddedStandFile(const simemu::World& world, const std::string& icao) {
  const FixedCode<4> code(icao);
  if (const std::string found = gf_locateApf(code); !found.empty()) {
    lf_note(fmt::format("{} has its stand file {}", icao, found));
    return false;
  }
  const auto airport = std::find_if(world.airports.begin(), world.airports.end(),
                                    [&](const simemu::WorldAirport& a) { return a.icao == icao; });
  if (airport == world.airports.end() || airport->parkings.empty()) return false;
  ApfData apf;
  apf.icao = code;
  apf.airport_name = airport->name;
  apf.publisher = simaddonPublisher;
  apf.Facilities = true;
  apf.altitude = static_cast<std::int32_t>(airport->elevationFt);
  apf.handmade = true;  // not the scan's: the scan must keep it
  for (const simemu::WorldParking& parking : airport->parkings) {
    const LatLon position = lf_parkingPosition(*airport, parking);
    apf.stands.emplace_back(fmt::format("{}", parking.number), std::vector<StandOption>{}, position.latitude,
                            position.longitude, parking.headingDeg * radiansPerDegree, parking.radiusM,
                            static_cast<std::int16_t>(parking.type), false, false, false);
  }
  const fs::path file = mySimaddonFolder / gf_apfFileName(code);
  if (!gf_writeApf(apf, file, ApfMode::Generated, edition2020)) {
    gf_logError(fmt::format("{}writing {} failed", logPrefix, file.string()));
    return false;
  }
  lf_note(fmt::format("stand file {} written with {} stands", file.string(), apf.stands.size()));
  return true;
}

namespace {

// GWR_POSE_TRACE=FILE: the emulator writes its objects' poses there, on the computer's clock.
void lf_tracePoses(simemu::Options& options) {
  const std::string path = lf_environment("GWR_POSE_TRACE");
  if (path.empty()) return;
  std::string cause;
  std::FILE* opened = gf_openForWriting(platform::pathFromUtf8(path), cause);
  if (opened == nullptr) {
    gf_logError(fmt::format("{}the pose trace {} cannot be written", logPrefix, path));
    return;
  }
  const std::shared_ptr<std::FILE> file(opened, std::fclose);
  const auto write = [file](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::fflush(file.get());
  };
  write(std::string(simemu::poseTraceColumns) + '\n');
  options.poseTrace = [write](const std::string& lines) { write(lines); };
  options.clockStartSeconds =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  lf_note(fmt::format("poses traced to {}", path));
}

} // namespace

void gf_setUpEmbeddedSimulator(const fs::path& packages) {
  EmbeddedWorld embedded = gf_embeddedWorld(packages);
  if (!embedded.userAirport.empty()) {
    try {
      // Stand files belong in the program folder only.
      if (platform::lookAt(docsFolder).isFolder()) gf_writeEmbeddedStandFile(embedded.world, embedded.userAirport);
    } catch (const std::exception& e) {
      gf_logError(fmt::format("{}no stand file for {}: {}", logPrefix, embedded.userAirport, e.what()));
    }
  }
  simemu::Options options;
  options.flightRunning = true;
  options.userObjectId = embeddedUserObjectId;
  options.keepHistory = false;  // a run of many minutes
  options.account = [](const std::string& line) { lf_note(line); };
  lf_tracePoses(options);
  const std::size_t titles = embedded.world.titles.size();
  simemu::Emulator& emulator = simemu::Emulator::instance();
  emulator.reset(std::move(embedded.world), options);
  emulator.startFrames(static_cast<double>(options.framesPerSecond));
  lf_note(fmt::format("{} titles, a flight running, {} frames a second", titles, options.framesPerSecond));
}

} // namespace gwr
