// Tests of the livery processing at start-up: tables built once per process,
// the count shown, and a new build after the shell emptied the tables.
#include "core/user_error.h"
#include "scan_fixture.h"

namespace gwr {
namespace {

using testsupport::writeEncrypted;

class ProcessingStartup : public testsupport::ScanFixture {};

TEST_F(ProcessingStartup, BuildsOncePerProcessUntilTablesAreCleared) {
  LiveryList stored;
  for (const char* title : {"DLH one", "DLH two", "BAW one"}) {
    const char* airline = title[0] == 'D' ? "DLH" : "BAW";
    stored.push_back(LiveryData{title, title[4] == 't' ? "D-AIPX" : "", LivKey{gf_airlineIndex(airline), 0,
                                gf_modelIndex("A320"), 0, 0}, 0});
  }
  gf_writeLiveriesScanned(stored);
  writeEncrypted(regcodesEncFile, R"(<root><meta><info name="copyright" value="c"/><info name="sim" value="1"/>)"
                                  R"(</meta><aig><l t="BAW one" r="G-EUUA"/></aig></root>)");
  for (int startUp = 0; startUp < 2; ++startUp) {
    gf_processScannedLiveries();
    EXPECT_EQ(liveryCount.load(), 3U);
    EXPECT_TRUE(liveriesProcessed.load());
    EXPECT_TRUE(ScannedLiveries.empty());
    EXPECT_EQ(RegcodeTitleMap.size(), 2U);
    EXPECT_EQ(AirlineLiveryTable.size(), 2U);
  }
  EXPECT_NE(logText().find("Processing scanned liveries skipped; already done in previous start-up"),
            std::string::npos);
  EXPECT_NE(logText().find("    2 registration codes"), std::string::npos);

  gf_clearLiveryTables();
  liveriesProcessed.store(false);
  sandbox.log().mark();
  gf_processScannedLiveries();
  EXPECT_EQ(liveryCount.load(), 3U);
  EXPECT_EQ(RegcodeTitleMap.size(), 2U);
  EXPECT_NE(logText().find("    2 airlines, 1 pax aircraft models and 0 cargo aircraft models"), std::string::npos);
}

TEST_F(ProcessingStartup, MissingResultIsAUserErrorAndNothingIsMarkedBuilt) {
  try {
    gf_processScannedLiveries();
    FAIL() << "no exception";
  } catch (const UserErrorException& error) {
    EXPECT_EQ(std::string(error.what()).substr(0, 3), "51:");
  }
  EXPECT_FALSE(liveriesProcessed.load());
}

} // namespace
} // namespace gwr
