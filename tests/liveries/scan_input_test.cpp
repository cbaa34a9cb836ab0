// Tests of the livery scan against what real machines feed it: looping links,
// huge, unreadable and Windows-1252 files, over-long texture names, a damaged
// or misplaced scan result file.

#include <chrono>
#include <fstream>

#include "core/status_line.h"
#include "core/text_files.h"
#include "core/user_error.h"
#include "liveries/aircraft_cfg_sections.h"
#include "liveries/livery_scan.h"
#include "support/as_unprivileged.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::cfgText;
using testsupport::readBytes;
using testsupport::writeFile;

constexpr std::size_t hugeCfgBytes = 50 * 1024 * 1024;
// Longer than any file name the file system takes.
constexpr std::size_t overLongTextureBytes = 300;

class ScanInput : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    useSimFolder();
  }
  fs::path aigPlanes() { return community() / "aig-aitraffic-oci" / "SimObjects" / "Airplanes"; }

  static void writeBlankLines(const fs::path& file, std::string_view head, std::size_t bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << head << std::string(bytes - head.size(), '\n');
  }

  static bool holds(const fs::path& file, const std::string& text) {
    return readBytes(file).find(text) != std::string::npos;
  }
};

TEST_F(ScanInput, HostileTreeCompletesWithLinesNamingEachProblem) {
  writeFile(aigPlanes() / "AIG_A320" / "aircraft.cfg", cfgText("A320", {{"AIG A320 DLH", "DLH"}}));
  const fs::path huge = aigPlanes() / "AIG_HUGE" / "aircraft.cfg";
  writeBlankLines(huge, cfgText("A320", {{"HUGE A320", "DLH"}}), hugeCfgBytes);
  // A package folder that is a link to itself.
  const fs::path loop = community() / "fsltl-traffic-base";
  fs::create_directory_symlink(loop.filename(), loop);
  const fs::path ivao = community() / "IVAO_MTL" / "SimObjects" / "Airplanes" / "IVAO_B738";
  fs::create_directories(ivao / "texture.x");
  writeFile(ivao / "aircraft.cfg", "[fltsim.0]\ntitle = B738 KLM long\ntexture = " +
                                       std::string(overLongTextureBytes, 't') +
                                       "\n[fltsim.1]\ntitle = B738 DLH short\ntexture = x\n");

  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(holds(liveriesScannedFile, "AIG A320 DLH"));
  EXPECT_TRUE(holds(liveriesScannedFile, "B738 DLH short"));
  EXPECT_FALSE(holds(liveriesScannedFile, "HUGE A320"));
  EXPECT_TRUE(holds(invalidAircraftCfgFilesFile,
                    fmt::format("{} has {} bytes, more than the 4 MB an aircraft.cfg may have, not searched",
                                huge.string(), hugeCfgBytes)));
  EXPECT_TRUE(holds(incompleteFltsimSectionsFile,
                    ivao.string() + " [fltsim.0] has a texture name of 300 bytes, longer than the file system allows"));
  EXPECT_NE(logText().find(loop.string() + " cannot be read (Too many levels of symbolic links), skipped!"),
            std::string::npos);
}

TEST_F(ScanInput, SizeLimitIsInclusiveAndBlankLinesCostNoMemory) {
  const fs::path atLimit = root() / "at" / "aircraft.cfg";
  const std::string head = cfgText("A320", {{"AT LIMIT", "DLH"}});
  writeBlankLines(atLimit, head, maxCfgFileBytes);
  std::vector<std::string> lines;
  ASSERT_TRUE(gf_readCfgFileLines(atLimit, lines));
  EXPECT_EQ(lines.size(), 7U);
  // A line costs a string object: millions of empty ones must not each have one.
  EXPECT_LT(lines.capacity() * sizeof(std::string), maxCfgFileBytes / 100);

  const fs::path over = root() / "over" / "aircraft.cfg";
  writeBlankLines(over, head, maxCfgFileBytes + 1);
  EXPECT_FALSE(gf_readCfgFileLines(over, lines));
  EXPECT_EQ(report(ScanReport::InvalidCfgLines).size(), 1U);
}

TEST_F(ScanInput, SectionsHoldNoMoreRoomThanTheirLines) {
  std::vector<std::string> lines;
  for (int n = 0; n < 20000; ++n) lines.push_back(fmt::format("[fltsim.{}]", n % 100));
  lines.push_back("title = last");
  const FltSimSections cut = gf_cutFltSimSections(std::move(lines), false);
  ASSERT_EQ(cut.sections.size(), 20000U);
  std::size_t room = 0;
  for (const CfgSection& section : cut.sections) room += section.capacity();
  EXPECT_LE(room, 20002U);
  EXPECT_EQ(cut.sections.back(), (CfgSection{"[fltsim.99]", "title = last"}));
}

TEST_F(ScanInput, UnreadableFilesAreReportedWithTheirCause) {
  // A folder named like the file, searched directly.
  const fs::path folder = root() / "pkg" / "aircraft.cfg";
  fs::create_directories(folder);
  EXPECT_TRUE(gf_searchLiveriesInFile(1, folder).empty());
  EXPECT_EQ(report(ScanReport::InvalidCfgLines),
            (std::vector<std::string>{folder.string() + " cannot be read: Is a directory"}));

  // Root reads every file, so the file is read in a child process as nobody.
  const fs::path locked = root() / "locked" / "aircraft.cfg";
  writeFile(locked, cfgText("A320", {{"LOCKED", "DLH"}}));
  fs::permissions(locked, fs::perms::none);
  fs::permissions(root(), fs::perms::all);
  EXPECT_EQ(testsupport::runAsUnprivileged([&] {
              gf_clearScanReports();
              const bool empty = gf_searchLiveriesInFile(1, locked).empty();
              const auto lines = gf_scanReportLines(ScanReport::InvalidCfgLines);
              return empty && lines.size() == 1 && lines[0] == locked.string() + " cannot be read: Permission denied";
            }),
            0);
  EXPECT_NE(logText().find("! Cannot read " + locked.string() + ": Permission denied"), std::string::npos);
  EXPECT_EQ(logText().find("No text encoding detected"), std::string::npos);
}

TEST_F(ScanInput, WindowsTextFarIntoTheFileIsStoredAsUtf8) {
  // The first byte that is not ASCII comes after 5000 bytes of comments; the
  // folder name is not UTF-8 either and shows in a report line.
  const fs::path folder = aigPlanes() / "AIG_A320_Caf\xE9";
  const std::string padding = "; " + std::string(5000, '-') + "\n";
  writeFile(folder / "aircraft.cfg", padding + cfgText("A320", {{"Caf\xE9 A320", "DLH"}, {"Bad A320", "Q9Q"}}));
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  EXPECT_TRUE(holds(liveriesScannedFile, "t=\"Caf\xC3\xA9 A320\""));
  EXPECT_TRUE(holds(invalidAirlineCodesFile, "AIG_A320_Caf\xEF\xBF\xBD"));
  for (const fs::path& file : {liveriesScannedFile, invalidAirlineCodesFile})
    EXPECT_TRUE(gf_isValidUtf8(readBytes(file))) << file;
}

TEST_F(ScanInput, DamagedResultIsSetAsideAndScannedAgain) {
  writeFile(aigPlanes() / "AIG_A320" / "aircraft.cfg", cfgText("A320", {{"AIG A320 DLH", "DLH"}}));
  ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
  const std::string good = readBytes(liveriesScannedFile);
  const fs::path aside = liveriesScannedFile.string() + ".damaged";
  const struct { const char* name; std::string bytes; } cases[] = {
      {"empty", ""},
      {"cut off", good.substr(0, good.size() / 2)},
      {"not XML", "\x01\x02 binary"},
      {"no liveries", "<?xml version=\"1.0\"?><root><liveries/></root>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(liveriesScannedFile, c.bytes);
    SCAN_LIVERIES.setCurrent(false);
    liveriesProcessed.store(false);
    gf_clearLiveryTables();
    log().mark();
    ASSERT_NO_THROW(gf_processScannedLiveries());
    EXPECT_EQ(liveryCount.load(), 1U);
    EXPECT_TRUE(holds(liveriesScannedFile, "AIG A320 DLH"));
    EXPECT_EQ(readBytes(aside), c.bytes);
    EXPECT_NE(logText().find("The liveries scan result is damaged"), std::string::npos) << logText();
  }
}

TEST_F(ScanInput, FolderWhereTheResultBelongsGivesAClearError) {
  fs::create_directories(liveriesScannedFile);
  writeFile(aigPlanes() / "AIG_A320" / "aircraft.cfg", cfgText("A320", {{"AIG A320 DLH", "DLH"}}));
  const std::string expected = "54: " + liveriesScannedFile.string() +
                               " is a folder, where the liveries scan result file belongs: remove or rename it";
  for (const auto& step : {gf_processScannedLiveries, +[] { gf_scanLiveries(); }}) {
    try {
      step();
      ADD_FAILURE() << "no error";
    } catch (const UserErrorException& error) {
      EXPECT_EQ(error.what(), expected);
    }
  }
  EXPECT_TRUE(fs::is_directory(liveriesScannedFile));
}

} // namespace
} // namespace gwr
