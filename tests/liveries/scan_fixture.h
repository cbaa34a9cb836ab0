// Test fixture for the livery scan: a program folder in a temporary working
// folder with settings of its own, a small reference database and quick waits.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "aircraft_cfg_fixture.h"
#include "core/paths.h"
#include "core/run_state.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_search.h"
#include "liveries/livery_tables.h"
#include "liveries/regcode_lists.h"
#include "liveries/scan_reports.h"
#include "refdata/code_pools.h"
#include "support/encrypted_fixture.h"
#include "support/settings_sandbox.h"

namespace gwr::testsupport {

// An aircraft.cfg of one model with one section per (title, airline).
inline std::string cfgText(const std::string& model, const std::vector<std::pair<std::string, std::string>>& liveries) {
  std::string text = "[VERSION]\nmajor=1\n[GENERAL]\nicao_type_designator = \"" + model + "\"\n";
  for (std::size_t n = 0; n < liveries.size(); ++n) {
    text += "[fltsim." + std::to_string(n) + "]\ntitle = \"" + liveries[n].first + "\"\nicao_airline = \"" +
            liveries[n].second + "\"\n";
  }
  return text;
}

class ScanFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    gf_clearDbaseForTests();
    writeFile(sandbox.log().folder() / "dbase.xml", fixtureDbaseXml);
    ASSERT_TRUE(gf_readDbaseXml(sandbox.log().folder() / "dbase.xml"));
    for (const std::filesystem::path& folder : createdFolders) std::filesystem::create_directories(folder);
    gf_setRegcodesKeyForTests(&testDataKey);
    gf_clearScanReports();
    gf_clearLiveryTables();
    liveriesProcessed.store(false);
    searchWaits = SearchWaits{quick, quick, quick * 3};
    searchWorkerLimit.store(2);
    stopRequested.store(false);
    quitRequested.store(false);
    sandbox.log().mark();
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

  std::filesystem::path root() { return sandbox.log().folder(); }
  std::string logText() { return sandbox.log().text(); }

  static constexpr std::chrono::milliseconds quick{500};
  SettingsSandbox sandbox;
};

} // namespace gwr::testsupport
