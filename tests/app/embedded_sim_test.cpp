// The emulated simulator's world of a run without the simulator: the world
// file, the installed titles, the airport GWR_AIRPORT names with its stand
// file, and the fall-backs on a missing file or a bad airport.
#include "app/embedded_sim.h"

#include "airports/apf_generation.h"
#include "airports/apf_locations.h"
#include "airports/apf_reader.h"
#include "core/decrypt.h"
#include "core/geo.h"
#include "core/paths.h"
#include "pkggen/package_tree.h"
#include "platform/sim/sim_api.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/airports_table.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace gwr {
namespace {

namespace fs = std::filesystem;

// Positions from the Frankfurt scenario files: the arrival's stand and the
// departure's stand, where the world file puts its first and last gates.
constexpr LatLon arrivalStand{50.045153, 8.554446};
constexpr LatLon departureStand{50.047537, 8.564608};
constexpr LatLon gate7{50.046345, 8.559527};
constexpr LatLon innsbruck{47.260201, 11.344};  // the airports table's LOWI
constexpr double sameSpotNm = 0.5 / metresPerNm;  // half a metre

double nmBetween(LatLon a, double latitude, double longitude) {
  return gf_greatCircleDistanceNm(a, {latitude, longitude});
}

class EmbeddedSimulator : public testing::Test {
protected:
  void SetUp() override {
    unsetenv("GWR_AIRPORT");
    gf_clearAirportsForTests();
    gf_readAirportsFrom(fs::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc", gf_programDataKey());
    pkggen::gf_generatePackageTree({.packagesFolder = packages,
                                    .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml",
                                    .cfgFiles = 2,
                                    .liveriesPerCfg = 2});
    installed = simemu::gf_installedTitles(packages);
  }
  void TearDown() override {
    unsetenv("GWR_AIRPORT");
    simemu::Emulator::instance().reset({});
    gf_clearAirportsForTests();
  }
  void writeScenarioWorld(const std::string& extra = {}) {
    std::ifstream in(GWR_SOURCE_DIR "/tools/feeder/scenarios/eddf_world.txt");
    std::ofstream(packages / "world.txt") << in.rdbuf() << extra;
  }
  bool logged(const std::string& part) const {
    const auto lines = log.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }

  testsupport::LogCapture log;
  fs::path packages = log.folder() / "sim";
  std::vector<std::string> installed;
};

TEST_F(EmbeddedSimulator, TheScenarioWorldParksTheUserAtGate7WithTheInstalledTitles) {
  writeScenarioWorld();
  const EmbeddedWorld embedded = gf_embeddedWorld(packages);
  const simemu::World& world = embedded.world;
  EXPECT_EQ(embedded.userAirport, "EDDF");
  EXPECT_LT(nmBetween(gate7, world.user.latitude, world.user.longitude), sameSpotNm);
  EXPECT_TRUE(world.user.onGround);
  ASSERT_FALSE(installed.empty());
  EXPECT_EQ(world.titles, installed);
  // The world's first and last gates are the scenarios' stands.
  ASSERT_EQ(world.airports.size(), 1u);
  const auto& eddf = world.airports.front();
  ASSERT_EQ(eddf.parkings.size(), 13u);
  ASSERT_TRUE(gf_writeEmbeddedStandFile(world, "EDDF"));
  pugi::xml_document file;
  ASSERT_TRUE(file.load_file((mySimaddonFolder / "EDDF.xml").c_str()));
  StandTable stands;
  gf_readParkPositions(file, stands);
  ASSERT_EQ(stands.size(), 13u);
  EXPECT_LT(nmBetween(arrivalStand, stands.front().latitude, stands.front().longitude), 2 * sameSpotNm);
  EXPECT_LT(nmBetween(departureStand, stands.back().latitude, stands.back().longitude), 2 * sameSpotNm);
  EXPECT_NEAR(stands.front().heading, 339.6 * radiansPerDegree, 1e-6);
  // Hand-made, so that the airport scan keeps it; found from now on.
  EXPECT_TRUE(gf_isHandmadeApf(mySimaddonFolder / "EDDF.xml"));
  EXPECT_TRUE(gf_hasLocalApf(FixedCode<4>("EDDF")));
  EXPECT_FALSE(gf_writeEmbeddedStandFile(world, "EDDF"));
  // Now, not the file format's default day, and an end of its own.
  EXPECT_GE(world.user.zuluYear, 2025);
  ASSERT_EQ(world.script.size(), 1u);
  EXPECT_EQ(world.script.front().command, "quit");
  EXPECT_EQ(world.script.front().frame, 600u * 30u);
}

TEST_F(EmbeddedSimulator, GwrAirportParksTheUserAtAGeneratedGateOfThatAirport) {
  setenv("GWR_AIRPORT", "lowi", 1);
  writeScenarioWorld("at 900 quit\n");  // the file's own end stays the only one
  const EmbeddedWorld embedded = gf_embeddedWorld(packages);
  const simemu::World& world = embedded.world;
  EXPECT_EQ(embedded.userAirport, "LOWI");
  ASSERT_EQ(world.airports.size(), 2u);
  const auto& lowi = world.airports.back();
  EXPECT_EQ(lowi.icao, "LOWI");
  EXPECT_NEAR(lowi.latitude, innsbruck.latitude, 1e-9);
  EXPECT_NEAR(lowi.elevationFt, 1907.0, 1e-9);
  ASSERT_EQ(lowi.parkings.size(), 12u);
  // The first gate of a row of twelve, 60 m apart and 150 m north of the point.
  const double gateNm = std::hypot(5.5 * 60.0, 150.0) / metresPerNm;
  EXPECT_NEAR(nmBetween(innsbruck, world.user.latitude, world.user.longitude), gateNm, sameSpotNm);
  EXPECT_GT(world.user.latitude, innsbruck.latitude);
  EXPECT_LT(world.user.longitude, innsbruck.longitude);
  EXPECT_EQ(world.user.headingDeg, 180.0);
  EXPECT_EQ(world.user.altitudeFt, 1907.0);
  ASSERT_EQ(world.script.size(), 1u);
  EXPECT_EQ(world.script.front().frame, 900u);
  EXPECT_TRUE(logged("12 stands generated at LOWI"));
}

// A code that is no code, and one the airports table does not know: a clear
// line, then the user where the world file puts it, else at Frankfurt.
TEST_F(EmbeddedSimulator, ABadGwrAirportFallsBack) {
  struct Case {
    const char* airport;
    bool worldFile;
    const char* line;
    LatLon user;
  };
  const Case cases[] = {
      {"QQQQ", true, "==> GWR_AIRPORT QQQQ: QQQQ is not an airport of the airports table, the user aircraft is "
                     "parked where the world file puts it", gate7},
      {"FRANKFURT", false, "==> GWR_AIRPORT FRANKFURT: 'FRANKFURT' is not an airport code, the user aircraft is "
                           "parked at EDDF", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.airport);
    setenv("GWR_AIRPORT", c.airport, 1);
    fs::remove(packages / "world.txt");
    if (c.worldFile) writeScenarioWorld();
    log.mark();
    const EmbeddedWorld embedded = gf_embeddedWorld(packages);
    EXPECT_TRUE(logged(c.line));
    EXPECT_EQ(embedded.userAirport, "EDDF");
    if (c.worldFile) {
      EXPECT_LT(nmBetween(c.user, embedded.world.user.latitude, embedded.world.user.longitude), sameSpotNm);
    } else {
      // Frankfurt from the airports table, with a generated row of gates.
      ASSERT_EQ(embedded.world.airports.size(), 1u);
      EXPECT_EQ(embedded.world.airports.front().parkings.size(), 12u);
      EXPECT_TRUE(logged("no world file"));
    }
  }
}

TEST_F(EmbeddedSimulator, BadWorldLinesAreSkippedWithTheirLineAndTheRestIsRead) {
  writeScenarioWorld("parking 5 14 nowhere\n");
  const EmbeddedWorld embedded = gf_embeddedWorld(packages);
  EXPECT_TRUE(logged("world line 23: parking needs type, number, heading, radius, bias x, bias z, skipped"));
  EXPECT_EQ(embedded.world.airports.front().parkings.size(), 13u);
  EXPECT_EQ(embedded.userAirport, "EDDF");
}

// The set-up runs the flight at once: a client hears that it runs, finds the
// user at the gate and sees frames come in real time.
TEST_F(EmbeddedSimulator, TheSetUpStartsAFlightWithTheUserAtTheGate) {
  using namespace simconnect;
  fs::create_directories(docsFolder);
  writeScenarioWorld();
  gf_setUpEmbeddedSimulator(packages);
  auto& emulator = simemu::Emulator::instance();
  EXPECT_TRUE(fs::exists(mySimaddonFolder / "EDDF.xml"));
  EXPECT_LT(nmBetween(gate7, emulator.user().pose.latitude, emulator.user().pose.longitude), sameSpotNm);
  EXPECT_EQ(emulator.user().title, embeddedUserTitle);
  EXPECT_TRUE(emulator.waitForFrame(emulator.frameCount() + 2));
  Handle handle = nullptr;
  ASSERT_EQ(Open(handle, "Test", 0), resultOk);
  ASSERT_EQ(SubscribeToSystemEvent(handle, 201, "Sim"), resultOk);
  std::vector<std::uint32_t> simStates;
  const auto take = [](const RecvHeader* m, std::uint32_t, void* context) {
    if (m->id == static_cast<std::uint32_t>(RecvId::Event))
      static_cast<std::vector<std::uint32_t>*>(context)->push_back(static_cast<const RecvEvent*>(m)->data);
  };
  ASSERT_EQ(CallDispatch(handle, take, &simStates), resultOk);
  EXPECT_EQ(simStates, std::vector<std::uint32_t>{1});
  Close(handle);
}

} // namespace
} // namespace gwr
