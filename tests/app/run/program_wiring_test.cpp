// The program's own wiring, as the process installs it before its first run:
// every hook the traffic side offers to the layers above is set by it, not
// only by the tests that install their own.
#include "app/run/entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "airports/airport_scan_shell.h"
#include "airports/park_airport_shell.h"
#include "airports/park_stand_table.h"
#include "core/main_window_state.h"
#include "core/paths.h"
#include "refdata/airports_table.h"
#include "standgen/stand_files.h"
#include "support/settings_sandbox.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "core/status_line.h"
#include "liveries/livery_shell.h"
#include "refdata/airport_services.h"
#include "traffic/engine/engine_hooks.h"
#include "traffic/engine/live_intake.h"
#include "traffic/engine/traffic_engine.h"
#include "traffic/feed/reader_threads.h"
#include "traffic/feed/traffic_reader.h"
#include "traffic/movement/ground_movement.h"
#include "traffic/simclient/ai_control.h"
#include "traffic/parking/park_airport_driver.h"
#include "traffic/parking/park_airports.h"
#include "traffic/simclient/sim_client_hooks.h"
#include "traffic/simclient/user_aircraft.h"

namespace gwr {
namespace {

struct Hook {
  const char* name;
  bool set;
};

// Nothing a test installed earlier may count: the wiring starts from none.
void lf_uninstallTrafficHooks() {
  gf_installTrafficEngineHooks({});
  gf_installSimClientHooks({});
  gf_installBirthStandChoice(nullptr);
  gf_installArrivalStandChoice(nullptr);
  gf_installStandEventHook(nullptr);
  gf_installLiveRemovalHook(nullptr);
  gf_installParkAirportShell(nullptr);
  gf_installAirportScanShell(nullptr);
  gf_installLiveryShell(nullptr);
}

// The window bands that repaint() invalidates.
std::vector<platform::Rect> lf_repaintsOf(void (*repaint)()) {
  std::vector<platform::Rect> repaints;
  gf_installWindowInvalidator([&repaints](const platform::Rect& band) { repaints.push_back(band); });
  repaint();
  gf_installWindowInvalidator({});
  return repaints;
}

void lf_uninstallProgramParts() {
  lf_uninstallTrafficHooks();
  gf_installStatusLine(nullptr);
  gf_installClosestStandReader(nullptr);
}

TEST(ProgramWiring, EveryHookOfTheTrafficSideIsInstalledBeforeTheRun) {
  lf_uninstallTrafficHooks();
  // Without the window's shells the airports' headless ones answer.
  const ParkAirportShell* headlessPark = &gf_parkAirportShell();
  const AirportScanShell* headlessScan = &gf_airportScanShell();
  gf_installProgramParts();
  // The headless livery shell has no window to repaint.
  const bool liveryShell = !lf_repaintsOf(&gf_repaintStatusPanel).empty();

  const TrafficEngineHooks& e = gf_trafficEngineHooks();
  const Hook engine[] = {
      {"parkAirportDriver", e.parkAirportDriver != nullptr},
      {"staticTwinCheck", e.staticTwinCheck != nullptr},
      {"placeStaticAircraft", e.placeStaticAircraft != nullptr},
      {"standWork", e.standWork != nullptr},
      {"everySecondDisplay", e.everySecondDisplay != nullptr},
      {"pausedDisplay", e.pausedDisplay != nullptr},
      {"reservedStandCheck", e.reservedStandCheck != nullptr},
      {"every5Seconds", e.every5Seconds != nullptr},
      {"autoRange", e.autoRange != nullptr},
      {"everyMinute", e.everyMinute != nullptr},
      {"liveOverStatic", e.liveOverStatic != nullptr},
      {"staticNavLights", e.staticNavLights != nullptr},
      {"staticFeedback", e.staticFeedback != nullptr},
      {"staticActivation", e.staticActivation != nullptr},
      {"removeAllStatic", e.removeAllStatic != nullptr},
      {"staticUpdate", e.staticUpdate != nullptr},
      {"parkControls", e.parkControls != nullptr},
      {"liveParksOnStand", e.liveParksOnStand != nullptr},
      {"staticUnderUser", e.staticUnderUser != nullptr},
      {"standUseBeforeNewKey", e.standUseBeforeNewKey != nullptr},
  };
  // A hook added to the engine without a row here fails the size check.
  static_assert(sizeof(TrafficEngineHooks) == sizeof(engine) / sizeof(Hook) * sizeof(void (*)()));

  const SimClientHooks c = gf_simClientHooks();
  const Hook simClient[] = {
      {"handleSimDisconnect", c.handleSimDisconnect != nullptr},
      {"standAtPosition", c.standAtPosition != nullptr},
      {"reserveUserStand", c.reserveUserStand != nullptr},
  };
  static_assert(sizeof(SimClientHooks) == sizeof(simClient) / sizeof(Hook) * sizeof(void (*)()));

  const Hook parking[] = {
      {"birthStandChoice", gf_birthStandChoice() != nullptr},
      {"arrivalStandChoice", gf_arrivalStandChoice() != nullptr},
      {"standEventHook", gf_standEventHook() != nullptr},
      {"liveRemovalHook", gf_liveRemovalHook() != nullptr},
      {"parkAirportShell", &gf_parkAirportShell() != headlessPark},
      {"airportScanShell", &gf_airportScanShell() != headlessScan},
      {"liveryShell", liveryShell},
  };

  for (const auto& table : {std::span<const Hook>(engine), std::span<const Hook>(simClient),
                            std::span<const Hook>(parking)})
    for (const Hook& hook : table) EXPECT_TRUE(hook.set) << hook.name << " is not installed by the program";
  // The tests after this one start from no wiring, as before it.
  lf_uninstallProgramParts();
}

// The livery scan's shell as the program installs it: the livery count is
// drawn in the status band, and the scan looks below the install path of the
// edition in use.
TEST(ProgramWiring, TheLiveryScanLooksBelowTheEditionsInstallPathAndRepaintsTheStatusBand) {
  lf_uninstallTrafficHooks();
  gf_installProgramParts();
  EXPECT_EQ(lf_repaintsOf(&gf_repaintStatusPanel), (std::vector<platform::Rect>{{0, 28, 880, 112}}));

  struct Edition {
    bool msfs2020;
    std::string path2020, path2024;
    std::filesystem::path community;
  };
  const Edition editions[] = {{true, "/sim20", "/sim24", "/sim20/Community"},
                              {false, "/sim20", "/sim24", "/sim24/Community"},
                              {false, "/sim20", "", ""}};
  const bool edition = SimEdition.load();
  const std::string kept2020 = MSFS_INSTALL_PATH.current();
  const std::string kept2024 = MSFS_2024_INSTALL_PATH.current();
  for (const Edition& e : editions) {
    SimEdition.store(e.msfs2020);
    MSFS_INSTALL_PATH.setCurrent(e.path2020);
    MSFS_2024_INSTALL_PATH.setCurrent(e.path2024);
    std::filesystem::path community = "stale";
    gf_packagesSubPath(community, "Community");
    EXPECT_EQ(community, e.community) << (e.msfs2020 ? "MSFS 2020" : "MSFS 2024");
  }
  SimEdition.store(edition);
  MSFS_INSTALL_PATH.setCurrent(kept2020);
  MSFS_2024_INSTALL_PATH.setCurrent(kept2024);
  lf_uninstallProgramParts();
}

// The park airport's field reaches the traffic reader's height bands through
// the driver the program installs: its stand file read, the airport left.
TEST(ProgramWiring, TheInstalledParkAirportDriverGivesTheTrafficReaderTheFieldAndTakesItBack) {
  constexpr LatLon frankfurt{50.0333, 8.5706};
  constexpr int fieldFt = 364;
  testsupport::SettingsSandbox sandbox;
  lf_uninstallTrafficHooks();
  gf_installProgramParts();
  AirportRecord eddf;
  eddf.icao = FixedCode<4>("EDDF");
  eddf.latitude = frankfurt.latitude;
  eddf.longitude = frankfurt.longitude;
  airportsTable.push_back(eddf);
  standgen::FileSpec spec;
  spec.stands = {standgen::stand("A1", frankfurt.latitude + 0.01, frankfurt.longitude, 0.0, 30.0, 0)};
  spec.parameters = standgen::generatedParameters("EDDF", "Frankfurt Main", "Gen", fieldFt, 1);
  standgen::writeApf(myThirdpartyFolder / "EDDF.xml", spec);
  trafficEngine.user.latitude = frankfurt.latitude;
  trafficEngine.user.longitude = frankfurt.longitude;
  userOnGround = true;

  const auto driver = gf_trafficEngineHooks().parkAirportDriver;
  ASSERT_NE(driver, nullptr);
  driver(true);   // chosen: the user stands there
  driver(false);  // its file read
  EXPECT_EQ(trafficReader.fieldElevation(), std::optional<double>(fieldFt));
  gf_leaveParkAirport();
  EXPECT_EQ(trafficReader.fieldElevation(), std::nullopt);

  userOnGround = false;
  trafficEngine.user = {};
  parkAirports.clear();
  gf_clearAirportsForTests();
  lf_uninstallProgramParts();
}

// What the test harnesses write into the program, and whether the program
// writes it too: found in the source text, so a harness's new setter is
// checked without a row added here.
namespace harness_writes {

namespace fs = std::filesystem;

// A file's lines without their // comments.
std::vector<std::string> lf_fileLines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (const auto comment = line.find("//"); comment != std::string::npos) line.erase(comment);
    lines.push_back(line);
  }
  return lines;
}

// The lines of every header and source below folder.
std::vector<std::string> lf_treeLines(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> lines;
  for (const fs::path& file : files)
    for (std::string& line : lf_fileLines(file)) lines.push_back(std::move(line));
  return lines;
}

bool lf_isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// Where name stands in line as a whole word, from `from` on.
std::optional<std::size_t> lf_wordAt(const std::string& line, const std::string& name, std::size_t from = 0) {
  for (std::size_t at = line.find(name, from); at != std::string::npos; at = line.find(name, at + 1)) {
    const bool before = at > 0 && lf_isWordChar(line[at - 1]);
    const bool after = at + name.size() < line.size() && lf_isWordChar(line[at + name.size()]);
    if (!before && !after) return at;
  }
  return std::nullopt;
}

// Globals the program shares: every `extern` of its code.
std::set<std::string> lf_sharedGlobals(const std::vector<std::string>& headerLines) {
  static const std::regex externLine(R"(^\s*extern\s[^;(]*\b(\w+)\s*;)");
  std::set<std::string> names;
  std::smatch m;
  for (const std::string& line : headerLines)
    if (std::regex_search(line, m, externLine)) names.insert(m[1]);
  return names;
}

// What a line writes: "name(" for a setter or installer called, "global" or
// "global.member" for an assignment or an atomic's store, "global[]" for an
// entry assigned.
std::vector<std::string> lf_writesOf(const std::string& line, const std::set<std::string>& globals) {
  static const std::regex setter(R"((?:^|[^\w])((?:gf_|lf_)?(?:set|install)[A-Z]\w*)\s*\()");
  static const std::regex assignment(R"(^((?:\.\w+)?)\s*(\[[^\]]*\])?\s*(?:=[^=]|\.store\s*\())");
  std::vector<std::string> writes;
  for (auto it = std::sregex_iterator(line.begin(), line.end(), setter); it != std::sregex_iterator(); ++it)
    writes.push_back((*it)[1].str() + "(");
  for (const std::string& global : globals) {
    for (auto at = lf_wordAt(line, global); at; at = lf_wordAt(line, global, *at + 1)) {
      if (*at > 0 && (line[*at - 1] == '.' || line[*at - 1] == '>')) continue;  // a member of something else
      std::smatch m;
      const std::string rest = line.substr(*at + global.size());
      if (std::regex_search(rest, m, assignment)) writes.push_back(global + m[1].str() + (m[2].matched ? "[]" : ""));
    }
  }
  return writes;
}

// A declaration or definition of name (not a call) in a line.
std::regex lf_declarationOf(const std::string& name) {
  return std::regex(R"(^\s*(?!return\b|else\b|throw\b|co_return\b)[\w:<>,*&\s]*[\w>*&]\s+[*&]?(?:\w+::)*)" + name +
                    R"(\s*\()");
}

// Whether the program declares name: one of its own functions.
bool lf_programDeclares(const std::vector<std::string>& programLines, const std::string& name) {
  const std::regex declaration = lf_declarationOf(name);
  return std::any_of(programLines.begin(), programLines.end(), [&](const std::string& line) {
    return lf_wordAt(line, name) && std::regex_search(line, declaration);
  });
}

// Whether the program's own lines write it as a harness does.
bool lf_programWrites(const std::vector<std::string>& programLines, const std::string& write) {
  if (write.back() == '(') {
    const std::string name = write.substr(0, write.size() - 1);
    const std::regex declaration = lf_declarationOf(name);
    return std::any_of(programLines.begin(), programLines.end(), [&](const std::string& line) {
      const auto at = lf_wordAt(line, name);
      if (!at) return false;
      const std::size_t next = line.find_first_not_of(" \t", *at + name.size());
      return next != std::string::npos && line[next] == '(' && !std::regex_search(line, declaration);
    });
  }
  const bool entry = write.ends_with("[]");
  const std::string target = entry ? write.substr(0, write.size() - 2) : write;
  const std::string global = target.substr(0, target.find('.'));
  const std::set<std::string> one{global};
  return std::any_of(programLines.begin(), programLines.end(), [&](const std::string& line) {
    // Inside a function only: a global's own definition starts its line.
    if (line.empty() || (line[0] != ' ' && line[0] != '\t')) return false;
    for (const std::string& w : lf_writesOf(line, one))
      if (w == write || (!entry && w == target)) return true;
    if (!entry) return false;
    static const std::regex filling(R"(^\.(?:try_emplace|emplace|insert|insert_or_assign)\s*\()");
    const auto at = lf_wordAt(line, global);
    return at && std::regex_search(line.substr(*at + global.size()), filling);
  });
}

} // namespace harness_writes

// What a harness may write although the program never does, and why.
struct Allowed {
  const char* write;
  const char* why;
};
constexpr Allowed harnessOnlyWrites[] = {
    {"setKnownFolderRootForTests(", "the known folders' root: the platform's stand-in for the user's folders"},
    {"setElevatedForTests(", "the rights the process runs with: the platform's stand-in"},
    {"setShellHooksForTests(", "the shell that opens folders and installers: the platform's stand-in"},
    {"gf_setDownloadFolderUrl(", "the maker's server: a loopback server stands in for it"},
    {"gf_setDownloadTimeouts(", "the server's patience, shortened so a stalled loopback answer costs no time"},
    {"gf_setRegcodesKeyForTests(", "the key of the fixtures the tests encrypt with their own key"},
    {"gf_setSearchFileHookForTests(", "the scan's per-file probe, only taken out again"},
    {"searchWaits", "the livery scan's waits, shortened for the fixtures' small trees"},
    {"tickCount", "back to the process's first pass, as at start"},
    {"setSimRunning(", "the emulated simulator's flight: the simulator's side, not the program's"},
};

TEST(ProgramWiring, EveryWriteOfTheTestHarnessesIntoTheProgramIsOneTheProgramMakesToo) {
  using namespace harness_writes;
  const fs::path source = GWR_SOURCE_DIR;
  const std::vector<std::string> program = lf_treeLines(source / "src");
  const std::set<std::string> globals = lf_sharedGlobals(program);

  std::map<std::string, std::string> writes;  // write -> the harness file
  for (const auto& entry : fs::directory_iterator(source / "tests" / "support")) {
    if (entry.path().extension() != ".h") continue;
    for (const std::string& line : lf_fileLines(entry.path()))
      for (const std::string& write : lf_writesOf(line, globals)) {
        // Only the program's own setters, not the harness's helpers.
        if (write.back() == '(' && !lf_programDeclares(program, write.substr(0, write.size() - 1))) continue;
        writes.emplace(write, entry.path().filename().string());
      }
  }
  ASSERT_TRUE(writes.contains("gf_installSimClientHooks(")) << "the harnesses' writes were not found";
  for (const auto& found : writes) {
    const std::string& write = found.first;
    const bool allowed = std::any_of(std::begin(harnessOnlyWrites), std::end(harnessOnlyWrites),
                                     [&](const Allowed& a) {
                                       return write == a.write || write.starts_with(std::string(a.write) + ".");
                                     });
    if (allowed) continue;
    EXPECT_TRUE(lf_programWrites(program, write)) << write << " of " << found.second << " is never made by the program";
  }
  // An allowance no harness needs any more goes.
  for (const Allowed& a : harnessOnlyWrites)
    EXPECT_TRUE(writes.contains(a.write)) << a.write << " is no longer written by a harness";
}

} // namespace
} // namespace gwr
