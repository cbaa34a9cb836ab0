// The emulated simulator's world of a run without the simulator: the world
// file, the installed titles, GWR_AIRPORT with its stand file, the fall-backs.
#include "app/run/embedded_sim.h"

#include "airports/apf_generation.h"
#include "airports/apf_locations.h"
#include "airports/apf_reader.h"
#include "core/decrypt.h"
#include "core/geo.h"
#include "core/paths.h"
#include "pkggen/package_tree.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/airports_table.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace gwr {
namespace {

namespace fs = std::filesystem;

// From the Frankfurt scenario files and the airports table.
constexpr LatLon arrivalStand{50.045153, 8.554446}, departureStand{50.047537, 8.564608}, gate7{50.046345, 8.559527};
constexpr LatLon innsbruck{47.260201, 11.344};
constexpr double sameSpotNm = 1.0 / metresPerNm;

double nmTo(LatLon a, double latitude, double longitude) { return gf_greatCircleDistanceNm(a, {latitude, longitude}); }

class EmbeddedSimulator : public testing::Test {
protected:
  void SetUp() override {
    unsetenv("GWR_AIRPORT");
    gf_clearAirportsForTests();
    gf_readAirportsFrom(fs::path(GWR_PROGRAM_INPUT_DIR) / "airports.enc", gf_programDataKey());
    pkggen::gf_generatePackageTree(
        {.packagesFolder = packages, .dbaseXml = GWR_SOURCE_DIR "/data/dbase/dbase.xml", .cfgFiles = 2, .liveriesPerCfg = 2});
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
  bool logged(const std::string& line) const {
    const auto lines = log.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testsupport::LogCapture log;
  fs::path packages = log.folder() / "sim";
};

TEST_F(EmbeddedSimulator, TheScenarioWorldParksTheUserAtGate7WithAStandFileOfItsGates) {
  writeScenarioWorld();
  const EmbeddedWorld embedded = gf_embeddedWorld(packages);
  const simemu::World& world = embedded.world;
  EXPECT_EQ(embedded.userAirport, "EDDF");
  EXPECT_LT(nmTo(gate7, world.user.latitude, world.user.longitude), sameSpotNm);
  EXPECT_EQ(world.titles, simemu::gf_installedTitles(packages));
  EXPECT_GE(world.user.zuluYear, 2025);  // now, not the world format's default day
  ASSERT_EQ(world.script.size(), 1u);
  EXPECT_EQ(world.script.front().frame, 900u * 30u);  // its own quit, once the departure has climbed out

  ASSERT_TRUE(gf_writeEmbeddedStandFile(world, "EDDF"));
  pugi::xml_document file;
  ASSERT_TRUE(file.load_file((mySimaddonFolder / "EDDF.xml").c_str()));
  StandTable stands;
  gf_readParkPositions(file, stands);
  ASSERT_EQ(stands.size(), 13u);
  EXPECT_LT(nmTo(arrivalStand, stands.front().latitude, stands.front().longitude), sameSpotNm);
  EXPECT_LT(nmTo(departureStand, stands.back().latitude, stands.back().longitude), sameSpotNm);
  EXPECT_TRUE(gf_isHandmadeApf(mySimaddonFolder / "EDDF.xml"));  // the airport scan keeps it
  EXPECT_FALSE(gf_writeEmbeddedStandFile(world, "EDDF"));        // found from now on
}

TEST_F(EmbeddedSimulator, GwrAirportParksTheUserAtTheFirstOfAGeneratedRowOfGates) {
  setenv("GWR_AIRPORT", "lowi", 1);
  writeScenarioWorld("at 900 quit\n");
  const EmbeddedWorld embedded = gf_embeddedWorld(packages);
  const simemu::World& world = embedded.world;
  EXPECT_EQ(embedded.userAirport, "LOWI");
  EXPECT_EQ(world.airports.back().parkings.size(), 12u);
  // Twelve gates 60 m apart, 150 m north of the point, facing south: the first is 330 m west.
  EXPECT_NEAR(nmTo(innsbruck, world.user.latitude, world.user.longitude), std::hypot(330.0, 150.0) / metresPerNm,
              sameSpotNm);
  EXPECT_LT(world.user.longitude, innsbruck.longitude);
  EXPECT_EQ(world.user.headingDeg, 180.0);
  ASSERT_EQ(world.script.size(), 2u);  // the file's own ends and no other, the earliest first
  EXPECT_EQ(world.script.front().frame, 900u);
}

// A code the airports table does not know and a text that is no code: a clear
// line, then the user where the world file puts it, else at a generated gate
// in Frankfurt.
TEST_F(EmbeddedSimulator, ABadGwrAirportFallsBack) {
  setenv("GWR_AIRPORT", "QQQQ", 1);
  writeScenarioWorld();
  EmbeddedWorld embedded = gf_embeddedWorld(packages);
  EXPECT_TRUE(logged("==> GWR_AIRPORT QQQQ: QQQQ is not an airport of the airports table, the user aircraft is "
                     "parked where the world file puts it"));
  EXPECT_EQ(embedded.userAirport, "EDDF");
  EXPECT_LT(nmTo(gate7, embedded.world.user.latitude, embedded.world.user.longitude), sameSpotNm);

  setenv("GWR_AIRPORT", "FRANKFURT", 1);
  fs::remove(packages / "world.txt");
  log.mark();
  embedded = gf_embeddedWorld(packages);
  EXPECT_TRUE(logged(fmt::format("Emulated simulator: no world file {}, the world is made here",
                                 (packages / "world.txt").string())));
  EXPECT_TRUE(logged("==> GWR_AIRPORT FRANKFURT: 'FRANKFURT' is not an airport code, the user aircraft is parked at EDDF"));
  EXPECT_EQ(embedded.userAirport, "EDDF");
  EXPECT_EQ(embedded.world.airports.front().parkings.size(), 12u);
}

TEST_F(EmbeddedSimulator, TheSetUpPutsTheWorldIntoTheRunningEmulator) {
  fs::create_directories(docsFolder);
  writeScenarioWorld();
  gf_setUpEmbeddedSimulator(packages);
  auto& emulator = simemu::Emulator::instance();
  EXPECT_TRUE(fs::exists(mySimaddonFolder / "EDDF.xml"));
  EXPECT_LT(nmTo(gate7, emulator.user().pose.latitude, emulator.user().pose.longitude), sameSpotNm);
  EXPECT_TRUE(emulator.options().flightRunning);
  EXPECT_TRUE(emulator.waitForFrame(emulator.frameCount() + 2));  // frames in real time
}

} // namespace
} // namespace gwr
