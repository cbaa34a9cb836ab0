// Tests of the livery folder walk and its workers: which files are searched,
// walk order, worker limit, given-up workers and unreadable folders.

#include <algorithm>
#include <atomic>
#include <future>
#include <set>
#include <stdexcept>
#include <thread>

#include "support/as_unprivileged.h"
#include "support/livery_world.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::cfgText;
using testsupport::writeFile;

class ScanSearch : public testsupport::LiveryFixture {
 protected:
  // One B738 livery of DLH per file, titled after the file's folder.
  static void cfg(const fs::path& file) {
    writeFile(file, cfgText("B738", {{file.parent_path().filename().string(), "DLH"}}));
  }

  std::set<std::string> searchTitles(const fs::path& folder) {
    ScannedLiveries.clear();
    EXPECT_EQ(gf_searchLiveriesInFolder(1, folder), SearchOutcome::Completed);
    EXPECT_TRUE(gf_awaitSearchWorkers());
    std::set<std::string> titles;
    for (const LiveryData& livery : ScannedLiveries) titles.insert(livery.title);
    return titles;
  }
};

TEST_F(ScanSearch, SearchesOnlyAircraftCfgOutsideExcludedFolders) {
  // Words in the folders above the package must not matter.
  const fs::path package = root() / "airport-sceneries" / "package";
  cfg(package / "SimObjects" / "plain" / "aircraft.cfg");
  cfg(package / "SimObjects" / "Airport-capital" / "Aircraft.CFG");
  cfg(package / "SimObjects" / "airport-vehicles" / "aircraft.cfg");
  cfg(package / "SimObjects" / "B738_CVT_" / "aircraft.cfg");
  cfg(package / "SimObjects" / "inibuilds-x" / "aircraft.cfg");
  cfg(package / "SimObjects" / "backup" / "aircraft.cfg.bak");
  EXPECT_EQ(searchTitles(package), (std::set<std::string>{"plain", "Airport-capital"}));
}

TEST_F(ScanSearch, IvaoPackageInAnyLetterCaseIsReadAsIvao) {
  // The airline stands in the title only: an ordinary file would give nothing.
  for (const char* package : {"ivao_mtl", "IVAO_X-CSL"}) {
    const fs::path model = root() / package / "SimObjects" / "Airplanes" / "IVAO_B738";
    fs::create_directories(model / "texture.x");
    writeFile(model / "aircraft.cfg", fmt::format("[fltsim.0]\ntitle = B738 DLH {}\ntexture = x\n", package));
  }
  EXPECT_EQ(searchTitles(root()), (std::set<std::string>{"B738 DLH ivao_mtl", "B738 DLH IVAO_X-CSL"}));
}

TEST_F(ScanSearch, KeepsWalkOrderAndWorkerLimit) {
  const fs::path package = root() / "pkg";
  for (int i = 0; i < 5; ++i) cfg(package / fmt::format("f{}", i) / "aircraft.cfg");
  std::vector<std::string> walkOrder;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(package))
    if (entry.is_regular_file()) walkOrder.push_back(entry.path().parent_path().filename().string());

  // Early files finish last, so any order of arrival would show.
  std::atomic<int> mostRunning{0};
  gf_setSearchFileHookForTests([&](const fs::path& file) {
    int seen = mostRunning.load();
    while (seen < runningSearchWorkers.load() && !mostRunning.compare_exchange_weak(seen, runningSearchWorkers.load())) {
    }
    const auto position = std::find(walkOrder.begin(), walkOrder.end(), file.parent_path().filename().string());
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * (walkOrder.end() - position)));
  });
  ScannedLiveries.clear();
  ASSERT_EQ(gf_searchLiveriesInFolder(1, package), SearchOutcome::Completed);
  ASSERT_TRUE(gf_awaitSearchWorkers());
  std::vector<std::string> found;
  for (const LiveryData& livery : ScannedLiveries) found.push_back(livery.title);
  EXPECT_EQ(found, walkOrder);
  EXPECT_LE(mostRunning.load(), 2);
  EXPECT_EQ(runningSearchWorkers.load(), 0);
}

TEST_F(ScanSearch, GivesUpSlowAndFailingWorkersAndGoesOn) {
  const fs::path package = root() / "pkg";
  for (const char* name : {"good", "slow", "failing"}) cfg(package / name / "aircraft.cfg");
  // Held back until released: a file that never finishes reading.
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  gf_setSearchFileHookForTests([&](const fs::path& file) {
    const std::string name = file.parent_path().filename().string();
    if (name == "failing") throw std::runtime_error("cannot read this one");
    if (name == "slow") released.wait();
  });
  ScannedLiveries.clear();
  ASSERT_EQ(gf_searchLiveriesInFolder(1, package), SearchOutcome::Completed);
  ASSERT_EQ(ScannedLiveries.size(), 1U);
  EXPECT_EQ(ScannedLiveries.front().title, "good");
  const std::string log = logText();
  EXPECT_NE(log.find("Future wait timed out after 0.5 seconds"), std::string::npos) << log;
  EXPECT_NE(log.find("cannot read this one"), std::string::npos) << log;
  // The given-up worker still runs: the scan may not take its result yet.
  EXPECT_FALSE(gf_awaitSearchWorkers());
  release.set_value();
  searchWaits.drain = std::chrono::seconds(10);
  EXPECT_TRUE(gf_awaitSearchWorkers());
  EXPECT_EQ(runningSearchWorkers.load(), 0);
}

// Root reads every folder, so the walk runs in a child process as nobody.
TEST_F(ScanSearch, UnreadableSubfolderSkipsOnlyThatFolder) {
  const fs::path package = root() / "pkg";
  for (const char* name : {"a", "b", "c"}) cfg(package / name / "aircraft.cfg");
  fs::permissions(package / "b", fs::perms::none);
  fs::permissions(root(), fs::perms::all);
  const int outcome = testsupport::runAsUnprivileged([&] {
    searchWorkerLimit.store(1);
    ScannedLiveries.clear();
    const bool walked = gf_searchLiveriesInFolder(1, package) == SearchOutcome::Completed && gf_awaitSearchWorkers();
    std::set<std::string> titles;
    for (const LiveryData& livery : ScannedLiveries) titles.insert(livery.title);
    return walked && titles == std::set<std::string>{"a", "c"};
  });
  fs::permissions(package / "b", fs::perms::owner_all);
  EXPECT_EQ(outcome, 0);
  EXPECT_NE(logText().find("liveries search skips folder"), std::string::npos);
}

} // namespace
} // namespace gwr
