// Test helpers for the livery code: a small reference database, aircraft.cfg
// texts, livery tables built from hand-made liveries, and the scan fixture.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_record.h"
#include "liveries/livery_search.h"
#include "liveries/livery_tables.h"
#include "liveries/refused_liveries.h"
#include "liveries/regcode_lists.h"
#include "liveries/scan_reports.h"
#include "refdata/aircraft_description.h"
#include "refdata/code_pools.h"
#include "refdata/dbase_reader.h"
#include "refdata/dbase_tables.h"
#include "support/encrypted_fixture.h"
#include "support/log_capture.h"
#include "support/settings_sandbox.h"

namespace gwr::testsupport {

// Registrations: D-AIPX (DLH A320), G-ABC (BAW B772 cargo), N123 and D-ENOA
// (no airline), D-ANOM (no model).
inline constexpr const char* fixtureDbaseXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <aircrafts><aircraft types="A320,A319,A20N,B738,B772,B748,C172,C152,C25C,EC35,F16"/></aircrafts>
  <cargo_types><cargo_type types="B748"/></cargo_types><heavy><hvy types="B772,B748"/></heavy>
  <large><lar types="A320,A319,A20N,B738"/></large><buzjet><bzj types="C25C"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance><rotorcraft><rot types="EC35"/></rotorcraft>
  <ICAO_airlines><ICAO codes="DLH,BAW,KLM,AFR,ZZZ,klm"/></ICAO_airlines>
  <cargo_operators><ICAO codes="FDX"/></cargo_operators><fixes><fx wro="B38" cor="B738"/></fixes>
  <simaddons20><simaddon20 arpts="EDDF"/></simaddons20><simaddons24><simaddon24 arpts="EDDF"/></simaddons24>
  <dbase><d r="D-AIPX" a="DLH" m="A320"/><d r="G-ABC" a="BAW" m="B772" c="true"/><d r="N123" m="C172"/>
    <d r="D-ANOM" a="DLH"/><d r="D-ENOA" m="C172"/></dbase>
</root>
)";

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  writeBytes(path, bytes);
}

struct CfgLivery { std::string title, airline, registration = {}; };

// An aircraft.cfg of one model with one [fltsim.N] section per livery.
inline std::string cfgText(const std::string& model, const std::vector<CfgLivery>& liveries) {
  std::string text = "[VERSION]\nmajor=1\n[GENERAL]\nicao_type_designator = \"" + model + "\"\n";
  for (std::size_t n = 0; n < liveries.size(); ++n) {
    text += fmt::format("[fltsim.{}]\ntitle = \"{}\"\nicao_airline = \"{}\"\n", n, liveries[n].title,
                        liveries[n].airline);
    if (!liveries[n].registration.empty()) text += "atc_id = \"" + liveries[n].registration + "\"\n";
  }
  return text;
}

// "airline model cargo fromDbase|title|registration", or "" for no usable record.
inline std::string describe(const LiveryData& r) {
  if (gf_lacksAirlineOrModel(r)) return "";
  return fmt::format("{} {} {} {}|{}|{}", gf_airlineCode(r.key.airline), gf_modelCode(r.key.model), r.key.cargo,
                     r.key.fromDbase, r.title, r.registration);
}

// One installed livery as a test writes it down: codes as text, title, registration.
struct InstalledLivery { std::string airline, airlineOperator, model; bool cargo = false; std::string title, registration; };

inline LiveryData toLiveryData(const InstalledLivery& installed, std::uint16_t folderRank = 0) {
  return LiveryData{installed.title, installed.registration,
                    LivKey{gf_airlineIndex(installed.airline), gf_airlineIndex(installed.airlineOperator),
                           gf_modelIndex(installed.model), static_cast<std::uint8_t>(installed.cargo), 0},
                    folderRank};
}

inline AcDescription aircraftOf(const std::string& airline, const std::string& op, const std::string& model,
                                bool cargo = false, const std::string& registration = "") {
  AcIdentity identity;
  identity.key = LivKey{gf_airlineIndex(airline), gf_airlineIndex(op), gf_modelIndex(model),
                        static_cast<std::uint8_t>(cargo), 0};
  identity.callsign = "TST123";
  identity.registration = registration;
  return AcDescription(identity);
}

// Model sections are comma lists; similar and prefix groups are XML bodies.
struct WorldDbase {
  std::string models, heavy, large, buzjet, highPerf, rotorcraft, airlines, similarGroups, prefixGroups;
};

inline std::string worldDbaseXml(const WorldDbase& d) {
  auto section = [](const std::string& name, const std::string& element, const char* attribute,
                    const std::string& list) {
    return "<" + name + "><" + element + " " + attribute + "=\"" + list + "\"/></" + name + ">\n";
  };
  return "<?xml version=\"1.0\"?>\n<root>\n" + section("aircrafts", "aircraft", "types", d.models) +
         section("cargo_types", "cargo_type", "types", "B77F") + section("heavy", "hvy", "types", d.heavy) +
         section("large", "lar", "types", d.large) + section("buzjet", "bzj", "types", d.buzjet) +
         section("high_performance", "hpf", "types", d.highPerf) +
         section("rotorcraft", "rot", "types", d.rotorcraft) + section("ICAO_airlines", "ICAO", "codes", d.airlines) +
         section("cargo_operators", "ICAO", "codes", "BOX") + section("simaddons20", "simaddon20", "arpts", "EHAM") +
         section("simaddons24", "simaddon24", "arpts", "EHAM") + "<similar_types>" + d.similarGroups +
         "</similar_types>\n<prefixes>" + d.prefixGroups + "</prefixes>\n</root>\n";
}

// The database written into the folder and read, and every livery table built
// from the liveries; the liveries as scanned.
inline LiveryList buildWorldTables(const std::filesystem::path& folder, const WorldDbase& dbase,
                                   const std::vector<InstalledLivery>& installedLiveries) {
  const auto file = folder / "dbase.xml";
  writeBytes(file, worldDbaseXml(dbase));
  EXPECT_TRUE(gf_readDbaseXml(file));
  LiveryList scanned;
  for (const InstalledLivery& installed : installedLiveries) scanned.push_back(toLiveryData(installed));
  gf_sortUniqueLiveries(scanned);
  gf_buildAllLiveryTables(scanned, nullptr);
  return scanned;
}

// Reads the database, builds every table from the liveries and files each
// livery's registration as the registration-code lists would.
class LiveryWorld {
 public:
  LiveryWorld() { reset(); }
  ~LiveryWorld() { reset(); }
  LiveryWorld(const LiveryWorld&) = delete;
  LiveryWorld& operator=(const LiveryWorld&) = delete;

  void load(const WorldDbase& dbase, const std::vector<InstalledLivery>& installedLiveries) {
    for (const LiveryData& livery : buildWorldTables(log_.folder(), dbase, installedLiveries))
      if (!livery.registration.empty()) TitleRegcodeMap[gf_findLiveryTitle(livery.title)] = livery.registration;
    log_.mark();
  }

  LogCapture& log() { return log_; }

 private:
  static void reset() {
    gf_clearLiveryTables();
    gf_clearMatchBookkeepingForTests();
    gf_clearDbaseForTests();
    RANDOM.setCurrent(RANDOM.defaultValue());
    MATCHING_DEPTH.setCurrent(MATCHING_DEPTH.defaultValue());
  }

  LogCapture log_;
};

// A program folder in a temporary working folder with settings of its own, the
// fixture database read, empty scan reports and tables, and quick waits.
class LiveryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_clearDbaseForTests();
    writeFile(root() / "dbase.xml", fixtureDbaseXml);
    ASSERT_TRUE(gf_readDbaseXml(root() / "dbase.xml"));
    for (const std::filesystem::path& folder : createdFolders) std::filesystem::create_directories(folder);
    gf_setRegcodesKeyForTests(&testDataKey);
    gf_clearScanReports();
    gf_clearLiveryTables();
    liveriesProcessed.store(false);
    searchWaits = SearchWaits{quick, quick, quick * 3};
    searchWorkerLimit.store(2);
    stopRequested.store(false);
    quitRequested.store(false);
    log().mark();
  }
  void TearDown() override {
    gf_setSearchFileHookForTests({});
    searchWaits.drain = std::chrono::seconds(10);
    gf_awaitSearchWorkers();
    searchWaits = SearchWaits{};
    stopRequested.store(false);
    quitRequested.store(false);
    gf_setRegcodesKeyForTests(nullptr);
    gf_clearScanReports();
    gf_clearLiveryTables();
    ScannedLiveries.clear();
    gf_clearDbaseForTests();
  }

  LogCapture& log() { return sandbox.log(); }
  std::filesystem::path root() { return log().folder(); }
  // The simulator's packages folder of the scan tests, named in the settings.
  std::filesystem::path simFolder() { return root() / "sim"; }
  std::filesystem::path community() { return simFolder() / "Community"; }
  void useSimFolder() {
    MSFS_INSTALL_PATH.setCurrent(simFolder().string());
    std::filesystem::create_directories(community());
  }
  // The project's real reference data in place of the small fixture, with the
  // scan's ordinary waits, for generated package trees.
  void useRealDbase(const std::filesystem::path& dbaseXml) {
    gf_clearDbaseForTests();
    ASSERT_TRUE(gf_readDbaseXml(dbaseXml));
    searchWaits = SearchWaits{};
  }
  std::string logText() { return log().text(); }
  static std::vector<std::string> report(ScanReport which) { return gf_scanReportLines(which); }
  // Every line of every report list, for "nothing was reported".
  static std::size_t reportLineCount() {
    std::size_t count = 0;
    for (std::size_t i = 0; i < scanReportCount; ++i) count += gf_scanReportSize(static_cast<ScanReport>(i));
    return count;
  }

  static constexpr std::chrono::milliseconds quick{500};
  SettingsSandbox sandbox;
};

} // namespace gwr::testsupport
