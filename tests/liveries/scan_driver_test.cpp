// Tests of the livery scan driver: the user errors, the result that only a
// completed scan replaces and the manual folders with priority.
#include <algorithm>
#include <functional>
#include <future>
#include <stdexcept>

#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "core/user_error.h"
#include "liveries/livery_scan.h"
#include "liveries/scan_report_files.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::cfgText;
using testsupport::readBytes;
using testsupport::writeFile;

class ScanDriver : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    useSimFolder();
  }

  // An AIG package with two files, a model fix and an invalid airline.
  void aigPackage() {
    const fs::path planes = community() / "aig-aitraffic-oci-beta" / "SimObjects" / "Airplanes";
    writeFile(planes / "AIG_A320" / "aircraft.cfg", cfgText("A320", {{"AIG A320 DLH", "DLH"}, {"AIG A320 BAW", "BAW"}}));
    writeFile(planes / "AIG_B38" / "aircraft.cfg", cfgText("B38", {{"AIG B738 KLM", "KLM"}, {"AIG B738 bad", "Q9Q"}}));
  }

  // The code and message of the user error the scan throws, or 0.
  static std::pair<int, std::string> scanError() {
    try {
      gf_scanLiveries();
    } catch (const UserErrorException& error) {
      return {std::stoi(error.what()), error.what()};
    }
    return {0, ""};
  }
};

TEST_F(ScanDriver, UserErrorsLeaveScanOn) {
  using Arrange = std::function<void(const fs::path& root, const fs::path& community)>;
  const struct { bool automatic; Arrange arrange; int code; const char* message; } cases[] = {
      {true, [](const fs::path&, const fs::path&) {}, 43, "Automatic scan has not found any AI packages"},
      {true, [](const fs::path&, const fs::path& c) { fs::create_directories(c / "fsltl-traffic-base" / "SimObjects"); },
       143, "Automatic scan has not found any liveries"},
      {false, [](const fs::path&, const fs::path&) {}, 48,
       "48: Exit Gatewright first!   Then set one or more lfolder parameters"},
      {false, [](const fs::path& root, const fs::path&) { lfolders[0].setCurrent(root.string()); }, 53,
       "53: no liveries found"},
      // Checked before the walk: an empty lfolder between set ones is skipped.
      {false,
       [](const fs::path& root, const fs::path& community) {
         lfolders[0].setCurrent(community.string());
         lfolders[3].setCurrent((root / "gone").string());
       },
       243, "243: the path pointed to by parameter 'lfolder3' does not exist, see Log.txt!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    for (StringParameter& folder : lfolders) folder.setCurrent("");
    LIG_AUTOMATIC.setCurrent(c.automatic);
    SCAN_LIVERIES.setCurrent(true);
    c.arrange(root(), community());
    const auto [code, message] = scanError();
    EXPECT_EQ(code, c.code);
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    EXPECT_TRUE(SCAN_LIVERIES.current());
    EXPECT_FALSE(fs::exists(liveriesScannedFile));
  }
}

TEST_F(ScanDriver, StoppedOrHungScanKeepsThePreviousResult) {
  aigPackage();
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  const std::string previous = readBytes(liveriesScannedFile);
  ASSERT_TRUE(fs::exists(fixesFile));
  ASSERT_TRUE(fs::exists(invalidAirlineCodesFile));
  writeFile(community() / "user-aitraffic" / "x" / "aircraft.cfg", cfgText("A320", {{"USER A320", "AFR"}}));

  // A stop request while the files are searched.
  SCAN_LIVERIES.setCurrent(true);
  gf_setSearchFileHookForTests([](const fs::path&) { stopRequested.store(true); });
  EXPECT_EQ(gf_scanLiveries(), ScanResult::Stopped);
  EXPECT_TRUE(SCAN_LIVERIES.current());
  EXPECT_EQ(readBytes(liveriesScannedFile), previous);
  // The reports describe the scan that made them: they went when this one began.
  EXPECT_FALSE(fs::exists(fixesFile));
  EXPECT_FALSE(fs::exists(invalidAirlineCodesFile));
  stopRequested.store(false);

  // A file that never finishes reading is left out, named, and the scan completes.
  const fs::path hung = community() / "user-aitraffic" / "x" / "aircraft.cfg";
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  gf_setSearchFileHookForTests([&](const fs::path& file) {
    if (file == hung) released.wait();
  });
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  EXPECT_FALSE(SCAN_LIVERIES.current());
  const std::string result = readBytes(liveriesScannedFile);
  EXPECT_NE(result.find("AIG B738 KLM"), std::string::npos);
  EXPECT_EQ(result.find("USER A320"), std::string::npos);
  EXPECT_NE(readBytes(invalidAircraftCfgFilesFile)
                .find(hung.string() + " took longer than 0.5 seconds to search, its liveries are left out"),
            std::string::npos);
  EXPECT_NE(logText().find("Future wait timed out after 0.5 seconds for " + hung.string()), std::string::npos);
  // What the given-up worker finds when it ends goes nowhere.
  release.set_value();
  searchWaits.drain = std::chrono::seconds(10);
  EXPECT_TRUE(gf_awaitSearchWorkers());
  EXPECT_EQ(reportLineCount(), 0U);
  gf_setSearchFileHookForTests({});
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  EXPECT_NE(readBytes(liveriesScannedFile).find("USER A320"), std::string::npos);
}

// Fixes stay in the order they were recorded (the walk order of their files);
// the other error lists are sorted.
TEST_F(ScanDriver, FixesKeepTheirRecordedOrder) {
  for (const char* line : {"Model fix: X2", "Model fix: A1", "Model fix: M3"}) gf_addFixLine(line);
  gf_writeReportSummary();
  EXPECT_EQ(readBytes(fixesFile), "Model fix: X2\nModel fix: A1\nModel fix: M3\n");
  EXPECT_NE(logText().find("    3 fixes, see " + fixesFile.string()), std::string::npos);
}

TEST_F(ScanDriver, SavesScanOffAfterSuccessAndLogsTheTotal) {
  aigPackage();
  SCAN_LIVERIES.setCurrent(true);
  gf_saveParameters(false);
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  const auto entries = sandbox.storedEntries();
  const auto scan = std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.first == "SCAN_LIVERIES"; });
  ASSERT_NE(scan, entries.end());
  EXPECT_EQ(scan->second, "false");
  // One folder: no total line.
  EXPECT_EQ(logText().find("in total"), std::string::npos);

  // Two folders, one of them skipped: the total of the other.
  const fs::path first = root() / "first";
  writeFile(first / "a" / "aircraft.cfg", cfgText("A320", {{"One A320", "DLH"}, {"Two A320", "AFR"}}));
  writeFile(first / "b" / "aircraft.cfg", cfgText("A320", {{"Three A320", "KLM"}}));
  writeFile(root() / "not-a-folder", "x");
  LIG_AUTOMATIC.setCurrent(false);
  lfolders[0].setCurrent(first.string());
  lfolders[1].setCurrent((root() / "not-a-folder").string());
  log().mark();
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  const std::vector<std::string> lines = log().lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "3 liveries found in " + first.string()), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "3 in total"), lines.end()) << logText();
}

TEST_F(ScanDriver, ManualFoldersRankUpToTheTenthWithPriority) {
  // Only the ninth and the tenth folder share an airline and model: priority
  // keeps the ninth's livery alone when each folder has a rank of its own.
  LIG_AUTOMATIC.setCurrent(false);
  for (std::size_t i = 0; i < lfolders.size(); ++i) {
    const fs::path folder = root() / fmt::format("folder{}", i);
    fs::create_directories(folder);
    lfolders[i].setCurrent(folder.string());
  }
  writeFile(root() / "folder8" / "a" / "aircraft.cfg", cfgText("A320", {{"Ninth A320", "KLM"}}));
  writeFile(root() / "folder9" / "a" / "aircraft.cfg", cfgText("A320", {{"Tenth A320", "KLM"}, {"Tenth DLH", "DLH"}}));
  for (const bool prioritize : {true, false}) {
    LIG_PRIORITIZE.setCurrent(prioritize);
    ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
    const std::string result = readBytes(liveriesScannedFile);
    EXPECT_NE(result.find("Ninth A320"), std::string::npos);
    EXPECT_NE(result.find("Tenth DLH"), std::string::npos);
    EXPECT_EQ(result.find("Tenth A320") != std::string::npos, !prioritize);
  }
}

TEST_F(ScanDriver, PackagesAreDetectedInAnyLetterCase) {
  for (const char* name : {"Ivao_Mtl", "AIG-AITraffic-OCI", "aig-aitraffic-oci_CVT_", "User-AITraffic"})
    fs::create_directories(community() / name);
  AI_PACKAGE_SELECTOR.setCurrent("AIG, MTL");
  FolderList folders;
  gf_findAiPackages(community(), folders);
  AI_PACKAGE_SELECTOR.setCurrent(AI_PACKAGE_SELECTOR.defaultValue());
  EXPECT_EQ(folders, (FolderList{community() / "AIG-AITraffic-OCI", community() / "Ivao_Mtl",
                                 community() / "User-AITraffic"}));
}

} // namespace
} // namespace gwr
