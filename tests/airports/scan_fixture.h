// Test helpers of the airport scan suites: a sandbox with known airports, the
// supported-code file, the emulated simulator's world and the packages root.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "airports/airport_scan_shell.h"
#include "airports/facility_reader.h"
#include "airports/scan_log.h"
#include "bglgen/bgl_package.h"
#include "core/run_state.h"
#include "liveries/livery_shell.h"
#include "platform/sim/sim_emulator.h"
#include "refdata/airport_services.h"
#include "refdata/dbase_tables.h"
#include "stand_fixture.h"

namespace gwr::testsupport {

// The packages folder is the test's own tree.
class TreeShell : public LiveryShell {
public:
  std::filesystem::path packages;
  void packagesSubPath(std::filesystem::path& out, const std::filesystem::path& sub) override {
    out = packages.empty() ? std::filesystem::path() : packages / sub;
  }
};

class ScanSandbox : public AirportsSandbox {
protected:
  void SetUp() override {
    AirportsSandbox::SetUp();
    gf_clearDbaseForTests();
    ScanLog.clear();
    rtAirportCodes.clear();
    SimEdition.store(true);
    simNumber.store(1);
    stopRequested.store(false);
    quitRequested.store(false);
    tbloFileCount.store(0);
    gf_setFacilityWaitForTests([] {}, quietPasses);
    simemu::Emulator::instance().reset({});
    shell.packages = std::filesystem::current_path() / "sim";
    gf_installLiveryShell(&shell);
  }
  void TearDown() override {
    gf_closeFacilityReader();
    gf_setFacilityWaitForTests(nullptr, 0);
    simemu::Emulator::instance().reset({});
    gf_installLiveryShell(nullptr);
    stopRequested.store(false);
    gf_clearDbaseForTests();
    ScanLog.clear();
    rtAirportCodes.clear();
    AirportsSandbox::TearDown();
  }

  // Listed in the airports table and in the supported-code file.
  static void knowAirports(const std::vector<std::string>& codes) {
    std::string file;
    for (const std::string& code : codes) {
      airportsTable.push_back({FixedCode<4>(code), unknownCode3, 0.0, 0.0, 0.0F, 0});
      airportCodeSet.insert(FixedCode<4>(code));
      rtAirportCodes.insert(FixedCode<4>(code));
      file += code + " ";
    }
    std::sort(airportsTable.begin(), airportsTable.end(),
              [](const AirportRecord& a, const AirportRecord& b) { return a.icao < b.icao; });
    standgen::writeText("input/ICAO_airports.txt", file + "\n");
  }

  // The emulated simulator knows the airports marked facilities.
  static void simulatorKnows(const std::vector<bglgen::PackageSpec>& packages) {
    std::istringstream text(bglgen::worldLines(packages));
    std::vector<std::string> problems;
    simemu::Emulator::instance().reset(simemu::gf_parseWorld(text, problems));
    EXPECT_TRUE(problems.empty());
  }

  static std::string reportText() { return readFile(airportsScanLogFile); }
  static bool reportHas(const std::string& part) { return reportText().find(part) != std::string::npos; }
  bool logHas(const std::string& part) { return log().text().find(part) != std::string::npos; }

  static constexpr int quietPasses = 50;
  TreeShell shell;
};

inline bglgen::StandSpec gate(std::uint32_t number, double lat, double lon, std::uint32_t type = 4) {
  bglgen::StandSpec s;
  s.nameCode = 12;  // "A"
  s.number = number;
  s.type = type;
  s.latitude = lat;
  s.longitude = lon;
  s.headingDeg = 90.0F;
  s.radiusM = 20.0F;
  return s;
}

inline bglgen::AirportSpec airportAt(const char* icao, double lat, double lon, bool facilities) {
  bglgen::AirportSpec a;
  a.icao = icao;
  a.latitude = lat;
  a.longitude = lon;
  a.altitudeFt = 100;
  a.name = icao;
  a.facilities = facilities;
  a.stands = {gate(1, lat + 0.001, lon), gate(2, lat + 0.001, lon + 0.001)};
  return a;
}

} // namespace gwr::testsupport
