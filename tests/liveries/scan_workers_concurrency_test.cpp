// The livery scan of a generated package tree with 1, 2 and 8 workers: the
// result and report files must not depend on the workers or the run.
#include <map>
#include <thread>
#include <vector>

#include "core/settings_catalogue.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/livery_scan.h"
#include "pkggen/package_tree.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;

// Small enough for the sanitizer builds; the benchmark scans the full size.
constexpr std::size_t generatedCfgFiles = 160;
constexpr std::size_t generatedLiveriesPerCfg = 12;

const fs::path realDbase = fs::path(GWR_SOURCE_DIR) / "data/dbase/dbase.xml";

class ScanWorkers : public testsupport::LiveryFixture {
 protected:
  void SetUp() override {
    LiveryFixture::SetUp();
    useRealDbase(realDbase);
    pkggen::gf_generatePackageTree({.packagesFolder = simFolder(), .dbaseXml = realDbase,
                                    .cfgFiles = generatedCfgFiles, .liveriesPerCfg = generatedLiveriesPerCfg, .seed = 7});
    useSimFolder();
    duplicateTitles();
  }

  // Titles shared by two neighbouring files of one package and by two
  // packages; the registration tells which file kept the title.
  void duplicateTitles() {
    const fs::path community = root() / "sim" / "Community";
    const fs::path sameFolder = community / "aig-aitraffic-oci-beta" / "SimObjects" / "Airplanes" / "AIG_dup";
    cfg(sameFolder / "one" / "aircraft.cfg", {{"DUP SAME", "DLH", "ZZ-ONE"}, {"DUP CROSS", "KLM", "ZZ-AIG"}});
    cfg(sameFolder / "two" / "aircraft.cfg", {{"DUP SAME", "BAW", "ZZ-TWO"}});
    cfg(community / "fsltl-traffic-base" / "SimObjects" / "Airplanes" / "FSLTL_dup" / "aircraft.cfg",
        {{"DUP CROSS", "AFR", "ZZ-FSLTL"}, {"DUP CROSS", "AFR", "ZZ-FSLTL2"}});
    fs::directory_iterator first(sameFolder);
    earlierSame = first->path().filename().string();
    laterSame = earlierSame == "one" ? "two" : "one";
    // The earlier file finishes last, so arrival order would show.
    gf_setSearchFileHookForTests([earlier = sameFolder / earlierSame](const fs::path& file) {
      if (file.parent_path() == earlier) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
  }

  static void cfg(const fs::path& file, const std::vector<testsupport::CfgLivery>& liveries) {
    testsupport::writeFile(file, testsupport::cfgText("B738", liveries));
  }

  // The result file without its date, and every report file.
  static std::string scanOutput() {
    std::string all = readBytes(liveriesScannedFile);
    const auto date = all.find("name=\"date\"");
    if (date != std::string::npos) all.erase(date, all.find("/>", date) - date);
    for (const fs::path& file : {invalidAirlineCodesFile, invalidAircraftCodesFile, fixesFile,
                                 invalidAircraftCfgFilesFile, incompleteFltsimSectionsFile, noFltsimSectionFile})
      all += "\n--- " + file.string() + "\n" + readBytes(file);
    return all;
  }

  std::string earlierSame;
  std::string laterSame;
};

TEST_F(ScanWorkers, SameResultWhateverTheWorkerCount) {
  std::map<int, std::string> outputs;
  for (int run = 0; run < 3; ++run) {
    for (int workers : {1, 2, 8}) {
      SCOPED_TRACE(fmt::format("run {}, {} workers", run, workers));
      searchWorkerLimit.store(workers);
      ASSERT_EQ(gf_scanLiveries(), ScanResult::Written);
      EXPECT_EQ(runningSearchWorkers.load(), 0);
      const std::string output = scanOutput();
      if (outputs.empty()) {
        EXPECT_GT(std::count(output.begin(), output.end(), '\n'), 1000);
        EXPECT_NE(output.find("Sépia"), std::string::npos);
        EXPECT_NE(output.find("Model fix: B38X"), std::string::npos);
        EXPECT_EQ(output.find("TRAP B738"), std::string::npos);
        // The file earlier in walk order keeps a shared title; the later one is reported.
        const std::string sameKept = fmt::format("t=\"DUP SAME\" r=\"ZZ-{}\"", gf_upperAscii(earlierSame));
        EXPECT_NE(output.find(sameKept), std::string::npos) << sameKept;
        EXPECT_EQ(output.find("r=\"ZZ-" + gf_upperAscii(laterSame) + "\""), std::string::npos);
        EXPECT_NE(output.find("/" + laterSame + " [fltsim.0] title 'DUP SAME' already exists"), std::string::npos);
        EXPECT_NE(output.find("t=\"DUP CROSS\" r=\"ZZ-AIG\""), std::string::npos);
        EXPECT_EQ(output.find("r=\"ZZ-FSLTL\""), std::string::npos);
        EXPECT_NE(output.find("/FSLTL_dup [fltsim.0] title 'DUP CROSS' already exists"), std::string::npos);
        EXPECT_NE(output.find("/FSLTL_dup [fltsim.1] title 'DUP CROSS' already exists"), std::string::npos);
      } else {
        EXPECT_EQ(output, outputs.begin()->second);
      }
      outputs[workers * 10 + run] = output;
    }
  }
}

} // namespace
} // namespace gwr
