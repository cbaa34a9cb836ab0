// The emulated simulator's world: ground elevation, airports with their
// parkings and helipads, installed titles and the user aircraft's script.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace gwr::simemu {

struct WorldParking {
  std::int32_t type = 0;
  std::int32_t number = 0;
  float headingDeg = 0.0f;
  float radiusM = 0.0f;
  float biasXM = 0.0f;
  float biasZM = 0.0f;
};

struct WorldHelipad {
  double latitude = 0.0;
  double longitude = 0.0;
  double altitudeM = 0.0;
  float headingDeg = 0.0f;
  float lengthM = 0.0f;
  float widthM = 0.0f;
  std::int32_t type = 0;
};

struct WorldAirport {
  std::string icao;
  std::string name;
  double latitude = 0.0;
  double longitude = 0.0;
  double elevationFt = 0.0;
  std::vector<WorldParking> parkings;
  std::vector<WorldHelipad> helipads;
};

// One step of the user aircraft's script, due at a frame number.
struct ScriptStep {
  std::uint64_t frame = 0;
  std::string command;  // position, onground, pause, flightloaded, newfile, quit, sim, disconnect
  std::vector<double> values;
};

struct UserAircraftStart {
  double latitude = 0.0;
  double longitude = 0.0;
  double altitudeFt = 0.0;
  double headingDeg = 0.0;
  bool onGround = true;
  std::string title;
  std::string model;
  std::int64_t zuluYear = 2024;
  std::int64_t zuluDayOfYear = 1;
  double zuluSeconds = 0.0;  // of the day
};

struct World {
  double groundElevationFt = 0.0;  // away from every airport
  std::vector<WorldAirport> airports;
  std::vector<std::string> titles;  // installed livery titles
  UserAircraftStart user;
  std::vector<ScriptStep> script;
};

// The world text, one keyword a line ('#' starts a comment):
//   ground <ft>                       ground elevation away from airports
//   airport <icao> <lat> <lon> <elevation ft> <name...>
//   parking <type> <number> <heading deg> <radius m> <bias x m> <bias z m>   (of the last airport)
//   helipad <lat> <lon> <alt m> <heading deg> <length m> <width m> <type>    (of the last airport)
//   title <installed livery title...>  |  packages <folder with aircraft.cfg files>
//   user <lat> <lon> <alt ft> <heading deg> <on ground 0/1>;  usertitle <text>;  usermodel <text>
//   zulu <year> <day of year> <seconds of day>
//   at <frame> <position lat lon alt | onground v | groundspeed kt | pause v | sim v |
//               flightloaded | newfile | quit | disconnect>
// Reads the world text; bad lines are skipped and described in `problems`.
// A "packages <folder>" line adds the titles of every aircraft.cfg below it.
World gf_parseWorld(std::istream& in, std::vector<std::string>& problems);
// Throws std::runtime_error when the file cannot be opened.
World gf_loadWorld(const std::filesystem::path& file, std::vector<std::string>& problems);
// The world as text that gf_parseWorld reads back (titles listed one by one).
std::string gf_worldText(const World& world);

// Every "title=" value of the aircraft.cfg files (any case) below root.
std::vector<std::string> gf_installedTitles(const std::filesystem::path& root);

} // namespace gwr::simemu
