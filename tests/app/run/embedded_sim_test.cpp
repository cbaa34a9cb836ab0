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
#include <string>
#include <utility>
#include <vector>

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

// A traffic line of the recording at `metres` east and north of Innsbruck's point.
std::string recordedLine(double east, double north, double altitude) {
  const LatLon north0 = gf_destinationPoint(innsbruck, 0.0, north / 0.3048);
  const LatLon at = gf_destinationPoint(north0, 90.0 * radiansPerDegree, east / 0.3048);
  return fmt::format("X,4837645,{:.6f},{:.6f},{:.0f},0,,90,15,DLH1,A320,D-AIZZ,FRA,LHR,1718000000,,,adsb_icao,,,-1,,,"
                     "-1,,-1,,,A3\n", at.latitude, at.longitude, altitude);
}

// In a replay the generated row lies where the recording's traffic never
// moves near the ground: a runway through the usual place 150 m north of the
// point (and a taxiway beside it) moves it; an overflight does not count; with
// traffic everywhere the row stays north of the point, with a clear line.
TEST_F(EmbeddedSimulator, AReplaysGatesLieClearOfItsTrafficNearTheGround) {
  struct Case { const char* name; bool runway, overflight, everywhere; double northM; };
  const Case cases[] = {
      {"no traffic near the ground", false, true, false, 150.0},
      {"a runway through the usual place", true, false, false, -1.0},
      {"the same and an overflight", true, true, false, -1.0},
      {"traffic everywhere", false, false, true, 150.0},
  };
  for (const Case& c : cases) {
    std::string text = "not a traffic line\n" + recordedLine(0, 150, 0).substr(0, 20) + "\n";
    std::vector<std::pair<double, double>> ground;
    for (double m = -3000.0; m <= 3000.0; m += 20.0) {
      if (c.runway) ground.insert(ground.end(), {{m, 150.0}, {m, 250.0}});  // runway and parallel taxiway
      if (c.overflight) text += recordedLine(m, -m, 5000.0);
    }
    for (double e = -4000.0; c.everywhere && e <= 4000.0; e += 200.0)
      for (double n = -4000.0; n <= 4000.0; n += 200.0) ground.emplace_back(e, n);
    for (const auto& [e, n] : ground) text += recordedLine(e, n, 0.0);
    const fs::path feed = log.folder() / "recorded.txt";
    std::ofstream(feed) << text;
    setenv("GWR_AIRPORT", "lowi", 1);
    setenv("GWR_FEED", feed.c_str(), 1);
    writeScenarioWorld("at 900 quit\n");
    log.mark();
    const EmbeddedWorld embedded = gf_embeddedWorld(packages);
    unsetenv("GWR_FEED");
    const auto& parkings = embedded.world.airports.back().parkings;
    ASSERT_EQ(parkings.size(), 12u) << c.name;
    EXPECT_TRUE(c.northM < 0.0 || parkings.front().biasZM == c.northM) << c.name;
    EXPECT_EQ(c.everywhere, log.text().find("no place near LOWI is 300 m clear") != std::string::npos) << c.name;
    if (c.everywhere) continue;
    for (const auto& gate : parkings) {
      for (const auto& [e, n] : ground)
        ASSERT_GE(std::hypot(gate.biasXM - e, gate.biasZM - n), 300.0 - 1.0) << c.name << " " << e << " " << n;
      EXPECT_LE(std::hypot(gate.biasXM, gate.biasZM), 3000.0 + 400.0) << c.name;  // still at the airport
    }
  }
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
