// The livery scan of a generated package tree with 1, 2 and 8 workers: the
// result and report files must not depend on the workers or the run.
#include <map>

#include "core/settings_catalogue.h"
#include "liveries/livery_scan.h"
#include "pkggen/package_tree.h"
#include "scan_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;

// Small enough for the sanitizer builds; the benchmark scans the full size.
constexpr std::size_t generatedCfgFiles = 160;
constexpr std::size_t generatedLiveriesPerCfg = 12;

const fs::path realDbase = fs::path(__FILE__).parent_path().parent_path().parent_path() / "data/dbase/dbase.xml";

class ScanWorkers : public testsupport::ScanFixture {
 protected:
  void SetUp() override {
    ScanFixture::SetUp();
    gf_clearDbaseForTests();
    ASSERT_TRUE(gf_readDbaseXml(realDbase));
    searchWaits = SearchWaits{};
    pkggen::gf_generatePackageTree({root() / "sim", realDbase, generatedCfgFiles, generatedLiveriesPerCfg, 7});
    MSFS_INSTALL_PATH.setCurrent((root() / "sim").string());
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
};

TEST_F(ScanWorkers, SameResultWhateverTheWorkerCount) {
  std::map<int, std::string> outputs;
  for (int run = 0; run < 2; ++run) {
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
      } else {
        EXPECT_EQ(output, outputs.begin()->second);
      }
      outputs[workers * 10 + run] = output;
    }
  }
}

} // namespace
} // namespace gwr
