// The livery scan over packages of today's fleets (the standing data's
// aircraft) with the shipped reference database.
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "liveries/livery_record.h"
#include "liveries/livery_scan.h"
#include "pkggen/package_tree.h"
#include "refdata/code_pools.h"
#include "refdata/reference_queries.h"
#include "refdata/registration_records.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

// Small enough for the sanitizer builds, large enough to meet some hundred fleets.
constexpr std::size_t currentCfgFiles = 120;
constexpr std::size_t currentLiveriesPerCfg = 10;
constexpr std::uint32_t currentSeed = 11;
constexpr std::string_view trapAirline = "Q9Q";  // the generator's deliberately unknown airline
constexpr std::string_view trapTitle = "TRAP ";  // titles of the generator's deliberately bad files

const fs::path realDbase = fs::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml";
const fs::path currentAircraft = fs::path(GWR_SOURCE_DIR) / "data/dbase/sources/standing-data/aircraft.csv";

using AirlineAndModel = std::pair<std::string, std::string>;

// Registration -> airline and type of today's fleets; a registration that two
// rows give differently is left out.
std::map<std::string, AirlineAndModel> currentRegistrations() {
  std::map<std::string, AirlineAndModel> out;
  std::map<std::string, int> seen;
  for (const pkggen::detail::Fleet& fleet : pkggen::detail::readCurrentFleets(currentAircraft))
    for (const std::string& registration : fleet.registrations) {
      out[registration] = {fleet.airline, fleet.model};
      ++seen[registration];
    }
  std::erase_if(out, [&](const auto& entry) { return seen[entry.first] > 1; });
  return out;
}

class CurrentFleetsScan : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    useRealDbase(realDbase);
    pkggen::gf_generatePackageTree({.packagesFolder = simFolder(),
                                    .dbaseXml = realDbase,
                                    .cfgFiles = currentCfgFiles,
                                    .liveriesPerCfg = currentLiveriesPerCfg,
                                    .seed = currentSeed,
                                    .currentFleetsCsv = currentAircraft});
    useSimFolder();
  }
};

TEST_F(CurrentFleetsScan, TodaysAirlinesAreKnownAndRegistrationsGiveTodaysType) {
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  // The report file holds the trap's airline and nothing else.
  std::istringstream invalidAirlines(testsupport::readBytes(invalidAirlineCodesFile));
  std::size_t invalidLines = 0;
  for (std::string line; std::getline(invalidAirlines, line);) {
    if (line.empty()) continue;
    EXPECT_TRUE(line.starts_with(trapAirline)) << line;
    ++invalidLines;
  }
  EXPECT_GT(invalidLines, 0u);

  const auto current = currentRegistrations();
  LiveryList scanned;
  gf_readLiveriesScanned(scanned);
  ASSERT_GT(scanned.size(), currentCfgFiles * currentLiveriesPerCfg / 2);
  std::size_t fromRegistration = 0;
  for (const LiveryData& livery : scanned) {
    if (livery.title.starts_with(trapTitle)) continue;
    EXPECT_NE(gf_airlineCode(livery.key.airline), privateAirlineCode) << livery.title;
    const auto expected = current.find(livery.registration);
    if (expected == current.end() || gf_findDbaseRecord(livery.registration) == nullptr) continue;
    EXPECT_EQ(gf_airlineCode(livery.key.airline), expected->second.first) << livery.title;
    EXPECT_EQ(gf_modelCode(livery.key.model), expected->second.second) << livery.title;
    ++fromRegistration;
  }
  // The IVAO liveries carry no registration; the others nearly all name one the database knows.
  EXPECT_GT(fromRegistration, scanned.size() / 2);
}

} // namespace
} // namespace gwr
