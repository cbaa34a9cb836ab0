// Tests of the file maintenance services: emptying and counting folders,
// and the airport codes of XML files.
#include "core/file_maintenance.h"

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>

#include "support/log_capture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Every test runs in its own working folder with the log open there.
class FileMaintenance : public ::testing::Test {
 protected:
  static void make(const fs::path& folder, const Names& files) {
    fs::create_directories(folder);
    for (const auto& name : files) std::ofstream(folder / name) << name;
  }
  static Names names(const fs::path& folder) {
    Names result;
    for (const auto& entry : fs::directory_iterator(folder)) result.push_back(entry.path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
  }
  testsupport::LogCapture log;
};

TEST_F(FileMaintenance, EmptyingFoldersLeavesSubFoldersAndOtherFiles) {
  make("new_version/sub", {"c.txt"});
  make("new_version", {"a.txt", "b.XML"});
  make("tblo", {"EGLL.xml", "KJFK.XML", "EDDF.Xml", "EGLL.txt", "xml", "EGLL.xml.bak"});
  fs::create_directory("tblo/LFPG.xml");
  for (const char* folder : {"new_version", "missing", "Log.txt"}) gf_removeFilesFromDirectory(folder);
  gf_removeXMLFilesFromDirectory();
  EXPECT_EQ(names("new_version"), Names{"sub"});
  EXPECT_EQ(names("new_version/sub"), Names{"c.txt"});
  EXPECT_EQ(names("tblo"), (Names{"EGLL.txt", "EGLL.xml.bak", "LFPG.xml", "xml"}));
  EXPECT_TRUE(log.lines().empty());
}

// Temporaries of an interrupted save go at start; files that merely look alike stay.
TEST_F(FileMaintenance, StaleTemporariesOfTheProgramsOwnPatternAreRemoved) {
  Names kept{".1f-2.tmp", "EHAM.xml", "EHAM.xml.1f-.tmp", "EHAM.xml.zz-1.tmp", "a.b.tmp"};
  make("airports", kept);
  kept.push_back("top");
  make("airports", {"EHAM.xml.7fa3c1-0.tmp", "my_park_airports.txt.A-12.tmp"});
  make("airports/top", {"parameters.xml.5-1.tmp"});
  make("airports/top/sub", {"x.xml.5-2.tmp"});
  gf_removeStaleTemporaries("airports/top", false);
  EXPECT_EQ(names("airports/top/sub"), Names{"x.xml.5-2.tmp"});  // not below when not recursive
  gf_removeStaleTemporaries("airports", true);
  EXPECT_EQ(names("airports"), kept);
  EXPECT_TRUE(names("airports/top/sub").empty());
  EXPECT_EQ(log.lines().size(), 4U);
}

TEST_F(FileMaintenance, CountFilesAndXmlCodesTakeRegularFilesOnly) {
  EXPECT_EQ(gf_countFiles("missing"), 0);
  EXPECT_THROW(gf_countFiles("Log.txt"), fs::filesystem_error);
  EXPECT_TRUE(gf_listXmlFileCodes("missing").empty());
  make("scenery/sub", {"b.txt"});
  make("scenery", {"egll.xml", "KJFK.XML", "EGLL_2.xml", "ABC.xml", "EDDF.txt", "LOWW1.xml", "0A12.xml"});
  fs::create_directory("scenery/LFPG.xml");
  EXPECT_EQ(gf_countFiles("scenery"), 7);

  auto codes = gf_listXmlFileCodes("scenery");
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<FixedCode<4>>{FixedCode<4>("0A12"), FixedCode<4>("EGLL"), FixedCode<4>("KJFK")}));
  make("scenery", {"EG-L.xml"});
  EXPECT_THROW(gf_listXmlFileCodes("scenery"), std::invalid_argument);
}

} // namespace
} // namespace gwr
