// The whole airport scan over a generated package tree: facility data, BGL
// files, links of known publishers, a damaged file, a refused airport and a
// hand-made file, below a user's folder that must neither name nor hide a package.
#include "airports/airport_scan.h"

#include <gtest/gtest.h>

#include "airports/tblo_collection.h"
#include "core/file_maintenance.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/user_error.h"
#include "core/zip_archive.h"
#include "scan_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const std::string sim = "EDDM-aircraft-statics/sim";

bglgen::PackageSpec package(const std::string& folder, bglgen::AirportSpec airport,
                            std::optional<bglgen::ManifestSpec> manifest = std::nullopt) {
  bglgen::PackageSpec p;
  p.folder = folder;
  p.manifest = std::move(manifest);
  p.airports = {std::move(airport)};
  return p;
}

class AirportScanTest : public ScanSandbox {
protected:
  void SetUp() override {
    ScanSandbox::SetUp();
    shell.packages = fs::current_path() / sim;
    knowAirports({"LOWI", "LSZH", "EGLC", "EDDF", "EHAM", "LFPG", "LOWW", "LFSB", "EDDM"});
    publisherGroups = {{"Orbx"}, {"Aerosoft", "AS"}, {"Sample Publisher"}};
    thirdPartyAirports20 = {{"Orbx", {"EGLC"}}, {"Aerosoft", {"EDDF", "EDDF20"}}};
    simAddonAirports20 = {"EHAM"};

    bglgen::AirportSpec lowi = airportAt("LOWI", 47.26, 11.344, true);
    lowi.helipads = {{47.2612, 11.347, 20.0F, 2}};
    bglgen::AirportSpec lfpg = airportAt("LFPG", 49.0, 2.55, false);
    packages = {
        package("Community/pub-lowi-airport", lowi, bglgen::ManifestSpec{"Innsbruck", "1.0", "Sample Publisher", "Studio"}),
        package("Community/pub-zurich", airportAt("LSZH", 47.46, 8.55, false)),  // no code in the path
        package("Community/orbx-eglc-airport", airportAt("EGLC", 51.5, 0.05, true)),
        package("Community/sim-eddf", airportAt("EDDF", 50.03, 8.57, true),
                bglgen::ManifestSpec{"Frankfurt", "2.0", "Aerosoft", "Aerosoft"}),
        package("Official/asobo-airport-eham", airportAt("EHAM", 52.31, 4.76, true)),
        package("Community/pub-paris", lfpg),
        package("Community/pub-loww-airport", airportAt("LOWW", 48.11, 16.57, true)),
    };
    for (const auto& p : packages) {
      const bglgen::BglMap map = bglgen::writePackage(sim, p);
      if (p.airports[0].icao == "LFPG") {  // damaged: its airport record claims size 0
        std::string bytes = map.bytes;
        bglgen::detail::put32(bytes, map.airports[0] + 2, 0);
        bglgen::writeBytes(bglgen::bglPath(sim, p), bytes);
      }
    }
    simulatorKnows(packages);
    // Left by an earlier scan, and one made by hand.
    standgen::writeText("airports/my_thirdparty/EGKK.xml", "<root/>");
    standgen::writeText("airports/my_simaddon/KJFK.txt", "archive/simaddon/KJFK.xml\n");
    standgen::writeText("airports/my_thirdparty/notes.txt", "mine");
    handmade = standgen::apfXml({true, "12.5.5", 1, {{"icao", "LOWW"}, {"handmade", "true"}}, true,
                                 {{{{"id", "H1"}, {"latitude", "48.1"}, {"longitude", "16.5"}}, {}}}, {}});
    standgen::writeText("airports/my_thirdparty/LOWW.xml", handmade);
    SCAN_AIRPORTS.setCurrent(true);
  }

  std::vector<bglgen::PackageSpec> packages;
  std::string handmade;
};

TEST_F(AirportScanTest, EachAirportGetsItsFileOrLink) {
  gf_scanAirports();

  // Facility data, with the simulator's numbers as ids; the BGL file, when the
  // path gives no code. The readers' details are their own suites'.
  const StandTable lowi = readStandsOf(readFile("airports/my_thirdparty/LOWI.xml"));
  ASSERT_EQ(lowi.size(), 3U);
  EXPECT_EQ(lowi[0].id + lowi[2].id, "1helipad1");
  EXPECT_NE(readFile("airports/my_thirdparty/LOWI.xml").find(R"(name="Facilities" value="true")"), std::string::npos);
  const StandTable lszh = readStandsOf(readFile("airports/my_thirdparty/LSZH.xml"));
  ASSERT_EQ(lszh.size(), 2U);
  EXPECT_EQ(lszh[0].id, "A1");
  EXPECT_NE(readFile("airports/my_thirdparty/LSZH.xml").find(R"(name="Facilities" value="false")"), std::string::npos);
  EXPECT_FALSE(reportHas("'EDDM'"));
  // Links of known publishers, the versioned one first, and of the maker's airport.
  EXPECT_EQ(readFile("airports/my_thirdparty/EGLC.txt"), "archive/thirdparty/Orbx/EGLC.xml\n");
  EXPECT_EQ(readFile("airports/my_thirdparty/EDDF.txt"), "archive/thirdparty/Aerosoft/EDDF20.xml\n");
  EXPECT_EQ(readFile("airports/my_simaddon/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
  // The damaged file is named, nothing is made of it, and the walk went on.
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/LFPG.xml"));
  EXPECT_TRUE(logHas("Damaged BGL file '" + fs::absolute(sim + "/Community/pub-paris/scenery/airport.bgl").string()));
  // The hand-made file and the user's other file stay; what the last scan made goes.
  EXPECT_EQ(readFile("airports/my_thirdparty/LOWW.xml"), handmade);
  EXPECT_TRUE(fs::exists("airports/my_thirdparty/notes.txt"));
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/EGKK.xml"));
  EXPECT_FALSE(fs::exists("airports/my_simaddon/KJFK.txt"));
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/LOWW.txt"));

  EXPECT_TRUE(reportHas("Generated LOWI: 3 positions of which 1 helipad"));
  EXPECT_TRUE(reportHas("Generated LSZH: 2 positions"));
  EXPECT_TRUE(reportHas("thirdparty airport EGLC linked to archive/thirdparty/Orbx/EGLC.xml"));
  EXPECT_TRUE(reportHas("LOWW kept: hand-made file"));
  EXPECT_TRUE(reportHas("Airpoprts scan finished!"));
  EXPECT_FALSE(logHas("Warning: Scan has not found any add-on airports"));

  // The generated and hand-made files of supported airports are collected, then
  // packed (the archive's bytes are the collection suite's).
  EXPECT_EQ(tbloFileCount.load(), 3U);
  EXPECT_FALSE(fs::exists("tblo/LOWI.xml"));
  std::vector<std::string> names;
  for (const auto& entry : ZipArchive::openForReading(tbloArchive).entries()) names.push_back(entry.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"LOWI.xml", "LOWW.xml", "LSZH.xml"}));
  EXPECT_TRUE(logHas("Please mail "));

  EXPECT_EQ(thirdpartyAirportCount.load(), 6);  // LOWI, LSZH, EGLC, EDDF, LOWW, notes.txt
  EXPECT_EQ(simaddonAirportCount.load(), 1);
  EXPECT_FALSE(SCAN_AIRPORTS.current());
  EXPECT_FALSE(gf_isFacilityReaderOpen());
  EXPECT_TRUE(rtAirportCodes.empty());
}

// Every scan switches itself off and saves that, also a stopped one.
TEST_F(AirportScanTest, AStoppedScanIsSwitchedOffToo) {
  SCAN_AIRPORTS.save();
  stopRequested.store(true);
  gf_scanAirports();
  EXPECT_FALSE(SCAN_AIRPORTS.current());
  EXPECT_EQ(sandbox.storedValue(SCAN_AIRPORTS.key), "false");
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/LOWI.xml"));
  EXPECT_TRUE(logHas("The airports scan did not run to its end"));
  EXPECT_EQ(readFile("airports/my_thirdparty/LOWW.xml"), handmade);
}

// The count stays and the button opens the folder; the files themselves stay
// there, as there is no archive to send.
TEST_F(AirportScanTest, AFailedArchiveKeepsTheCountTheButtonAndTheCollectedFiles) {
  struct ButtonShell : AirportScanShell {
    int enabled = 0;
    void enableTbloButton(bool on) override { enabled += on ? 1 : 0; }
  } window;
  gf_installAirportScanShell(&window);
  fs::create_directories("tblo/tblo.zip/inside");  // the archive cannot be written there
  standgen::writeText("tblo/tblo.zip/inside/x", "x");
  gf_scanAirports();
  gf_installAirportScanShell(nullptr);
  EXPECT_TRUE(fs::exists("tblo/LOWI.xml"));
  EXPECT_TRUE(fs::exists("tblo/LSZH.xml"));
  EXPECT_EQ(tbloFileCount.load(), 3U);
  EXPECT_EQ(window.enabled, 1);
  EXPECT_TRUE(logHas("==> Zippen TBLO folder failed"));
  EXPECT_TRUE(logHas("Please mail the 3 airport files in "));
  EXPECT_FALSE(SCAN_AIRPORTS.current());
}

// A connection that cannot be opened, a refused request or the simulator's
// exception costs only that airport its facility data: its BGL file is read
// instead, the scan ends whole and is off for the next start.
TEST_F(AirportScanTest, AFailedFacilityReadCostsOnlyThatAirportItsFacilityData) {
  const struct {
    void (*provoke)(std::vector<bglgen::PackageSpec> known);
    const char* logged;
    const char* reported;
  } rows[] = {
      {[](auto) { simemu::Emulator::instance().failNextOpens(1); },
       "==> SimConnect_Open (PARKING_DATA_RDR) FAILED hr=0x", "Reading Facilites data for LOWI via SimConnect failed"},
      {[](auto) { simemu::Emulator::instance().failNextCalls("RequestFacilityData"); },
       "==> RequestFacilityData failed for LOWI", "Reading Facilites data for LOWI via SimConnect failed"},
      {[](auto known) {  // the simulator does not know LOWI: it answers every request with an exception
         std::erase_if(known, [](const auto& p) { return p.airports[0].icao == "LOWI"; });
         simulatorKnows(known);
       },
       "==> SimConnect EXCEPTION id=",
       "===> Facility data for LOWI ended by the simulator: SimConnect EXCEPTION id="},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.logged);
    SCAN_AIRPORTS.setCurrent(true);
    SCAN_AIRPORTS.save();
    simulatorKnows(packages);
    row.provoke(packages);  // LOWI is the only airport read through facility data
    gf_scanAirports();
    EXPECT_TRUE(logHas(row.logged));
    EXPECT_TRUE(reportHas(row.reported));
    EXPECT_TRUE(reportHas("Reading Facilites data for LOWI via SimConnect failed, is MSFS connected?"));
    EXPECT_TRUE(reportHas("Facilities reader did not succeed, trying the BGL file reader ..."));
    const std::string lowi = readFile("airports/my_thirdparty/LOWI.xml");
    EXPECT_NE(lowi.find(R"(name="Facilities" value="false")"), std::string::npos);
    EXPECT_EQ(readStandsOf(lowi).size(), 3U);
    EXPECT_EQ(readStandsOf(readFile("airports/my_thirdparty/LSZH.xml")).size(), 2U);
    EXPECT_TRUE(reportHas("Airpoprts scan finished!"));
    EXPECT_FALSE(SCAN_AIRPORTS.current());
    EXPECT_EQ(sandbox.storedValue(SCAN_AIRPORTS.key), "false");
    EXPECT_FALSE(gf_isFacilityReaderOpen());
  }
}

// A missing code file stops the scan before it begins and leaves it on; an
// error once the airport folders were emptied leaves it off, with the
// facility reader closed, as it would end the same way at every start.
TEST_F(AirportScanTest, AnErrorEndsTheScanOffOnceItHasBegun) {
  const struct {
    void (*provoke)();
    const char* error;
    bool staysOn;
  } rows[] = {
      {[] { fs::remove("input/ICAO_airports.txt"); }, "522: File 'input/ICAO_airports.txt' is missing?", true},
      {[] {  // the folder cannot be counted at the end
         fs::remove_all("airports/my_simaddon");
         standgen::writeText("airports/my_simaddon", "x");
       },
       "airports/my_simaddon", false},
  };
  const std::string codes = readFile("input/ICAO_airports.txt");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.error);
    standgen::writeText("input/ICAO_airports.txt", codes);
    SCAN_AIRPORTS.setCurrent(true);
    SCAN_AIRPORTS.save();
    row.provoke();
    try {
      gf_scanAirports();
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos) << e.what();
    }
    EXPECT_EQ(SCAN_AIRPORTS.current(), row.staysOn);
    EXPECT_EQ(sandbox.storedValue(SCAN_AIRPORTS.key), row.staysOn ? "true" : "false");
    EXPECT_FALSE(gf_isFacilityReaderOpen());
    EXPECT_TRUE(rtAirportCodes.empty());
  }
}

TEST_F(AirportScanTest, NothingCollectedLeavesNoTbloFolder) {
  for (const char* package : {"pub-lowi-airport", "pub-zurich", "pub-loww-airport"})
    fs::remove_all(sim + "/Community/" + package);
  fs::remove("airports/my_thirdparty/LOWW.xml");
  gf_scanAirports();
  EXPECT_FALSE(fs::exists("tblo"));
  EXPECT_TRUE(logHas("All your simaddon and third party airports are recognised"));
}

// Only a four-character code of the airports table is supported; three
// characters never are, and only the table's miss is reported.
TEST_F(AirportScanTest, SupportedAirportCodes) {
  const struct {
    const char* code;
    const char* answer;
    bool supported;
    int reason;
  } rows[] = {{"lowi", "LOWI", true, 0}, {"kjfk", "KJFK", false, 3}, {"inn", "INN", false, 2},
              {"LOWIX", "LOWIX", false, 2}, {"lo", "lo", false, 2}};
  for (const auto& row : rows) {
    const RtAirportAnswer answer = gf_isRtAirport(row.code);
    EXPECT_EQ(answer.code, row.answer);
    EXPECT_EQ(answer.supported, row.supported) << row.code;
    EXPECT_EQ(answer.reason, row.reason) << row.code;
  }
  EXPECT_EQ(ScanLog, std::vector<std::string>{"KJFK is not an airport supported by RealTraffic"});
}

TEST(AirportScanPathsTest, ExcludedPackagePaths) {
  const std::pair<std::string, bool> rows[] = {
      {"Community/pub-lowi-airport/scenery", false},
      {"Official/OneStore/fs-base-genericairports/scenery", true},
      {"Community/FSLTL-traffic-base", true},
      {"Community/My-Aircraft-Pack", true},
      {"Community/" + std::string(240, 'x'), true},
      {"Community/" + std::string(230, 'x'), false},
  };
  for (const auto& [path, excluded] : rows) EXPECT_EQ(gf_isExcludedPackagePath(path), excluded) << path;
}

} // namespace
} // namespace gwr

namespace gwr {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class StreamedScanTest : public ScanSandbox {};

TEST_F(StreamedScanTest, TheNewEditionScansStreamedPackagesByFolderName) {
  SimEdition.store(false);
  simNumber.store(2);
  knowAirports({"EHAM", "EDDK", "EGLL", "KJFK"});
  publisherGroups = {{"Orbx"}};
  thirdPartyAirports24 = {{"Orbx", {"EGLL"}}};
  simAddonAirports24 = {"EHAM"};
  shell.packages = fs::current_path() / "KJFK-scenery-x";  // the user's folder names no package
  for (const char* folder : {"microsoft-airport-eham", "microsoft-eddk-cologne", "orbx-airport-egll",
                             "asobo-aircraft-kjfk-livery", "pub-nothing-here"})
    fs::create_directories(fs::path("KJFK-scenery-x/StreamedPackages") / folder);
  standgen::writeText("KJFK-scenery-x/StreamedPackages/not-a-folder-kjfk", "x");
  simulatorKnows({{"x", "a.bgl", std::nullopt, {airportAt("EDDK", 50.87, 7.14, true)}}});
  gf_scanAirports();

  EXPECT_EQ(readFile("airports/my_simaddon/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
  EXPECT_EQ(readFile("airports/my_thirdparty/EGLL.txt"), "archive/thirdparty/Orbx/EGLL.xml\n");
  // The maker's airport without an archived file: facility data, collected for the maker.
  EXPECT_EQ(readStandsOf(readFile("airports/my_simaddon/EDDK.xml")).size(), 2U);
  EXPECT_TRUE(logHas("1 simaddon file copied to tblo folder"));
  EXPECT_EQ(tbloFileCount.load(), 1U);
  EXPECT_FALSE(fs::exists("airports/my_simaddon/KJFK.xml"));
  EXPECT_TRUE(reportHas("airport has 'EHAM' in directory path"));
  EXPECT_TRUE(reportHas("publisher 'Orbx' found"));
  EXPECT_FALSE(reportHas("asobo-aircraft") || reportHas("'KJFK'"));
  EXPECT_EQ(simaddonAirportCount.load(), 2);
  EXPECT_FALSE(SCAN_AIRPORTS.current());
}

// The streamed walk shows the maker's airports on the "# simaddon" counter
// every tenth airport and the file count at its end, not after each airport.
TEST_F(StreamedScanTest, TheSimaddonCounterCountsTheMakersAirportsInTens) {
  struct CounterShell : AirportScanShell {
    std::vector<std::int64_t> shown;  // each new value the repaints showed
    void repaintStatus() override {
      if (shown.empty() || shown.back() != simaddonAirportCount.load()) shown.push_back(simaddonAirportCount.load());
    }
  } window;
  const struct {
    int airports;
    std::vector<std::int64_t> shown;
  } rows[] = {{9, {0, 9}}, {10, {0, 10}}, {21, {0, 10, 20, 21}}};
  SimEdition.store(false);
  simNumber.store(2);
  std::vector<std::string> codes;
  for (char second = 'A'; second <= 'Z'; ++second) codes.push_back(std::string("EA") + second + "A");
  knowAirports(codes);
  simAddonAirports24 = {codes.begin(), codes.end()};  // every one links to its archived file
  gf_installAirportScanShell(&window);
  struct Uninstall {
    ~Uninstall() { gf_installAirportScanShell(nullptr); }
  } uninstall;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.airports);
    fs::remove_all("sim/StreamedPackages");
    for (int i = 0; i < row.airports; ++i)
      fs::create_directories(fs::path("sim/StreamedPackages") / ("microsoft-airport-" + codes[i]));
    window.shown.clear();
    gf_scanAirports();
    EXPECT_EQ(window.shown, row.shown);
    EXPECT_EQ(gf_countFiles(mySimaddonFolder), row.airports);
  }
  // The maker's airports alone are no add-on airports.
  EXPECT_TRUE(logHas("Warning: Scan has not found any add-on airports"));
}

// In the streamed scan a failed facility read, the simulator's exception
// too, leaves that airport without a file and the scan goes on to its end.
TEST_F(StreamedScanTest, AFailedReadSkipsOnlyThatAirport) {
  const struct {
    void (*provoke)();
    bool simulatorKnowsEddk;
    const char* logged;
  } rows[] = {
      {[] { simemu::Emulator::instance().failNextOpens(1); }, true, "==> SimConnect_Open (PARKING_DATA_RDR) FAILED"},
      {[] { simemu::Emulator::instance().failNextCalls("RequestFacilityData"); }, true,
       "==> RequestFacilityData failed for EDDK"},
      {[] {}, false, "==> SimConnect EXCEPTION id="},
  };
  SimEdition.store(false);
  simNumber.store(2);
  knowAirports({"EHAM", "EDDK"});
  simAddonAirports24 = {"EHAM"};
  for (const char* folder : {"microsoft-airport-eham", "microsoft-eddk-cologne"})
    fs::create_directories(fs::path("sim/StreamedPackages") / folder);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.logged);
    simulatorKnows({{"x", "a.bgl", std::nullopt, {airportAt(row.simulatorKnowsEddk ? "EDDK" : "LFSB", 50.87, 7.14, true)}}});
    SCAN_AIRPORTS.setCurrent(true);
    row.provoke();
    gf_scanAirports();
    EXPECT_TRUE(logHas(row.logged));
    EXPECT_FALSE(fs::exists("airports/my_simaddon/EDDK.xml"));
    EXPECT_FALSE(SCAN_AIRPORTS.current());
    EXPECT_TRUE(reportHas("Reading Facilites data for EDDK via SimConnect failed, is MSFS connected?"));
    EXPECT_TRUE(reportHas("Airpoprts scan finished!"));
    EXPECT_EQ(readFile("airports/my_simaddon/EHAM.txt"), "archive/simaddon/EHAM.xml\n");
  }
}

} // namespace
} // namespace gwr
