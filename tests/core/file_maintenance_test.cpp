// Tests of the file maintenance services: emptying and counting folders,
// and the airport codes of XML files.
#include "core/file_maintenance.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>

#include <gtest/gtest.h>

#include "support/encrypted_fixture.h"
#include "support/as_unprivileged.h"
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

// The backup copy replaces whatever stood at its name without writing through
// it or waiting on it; only a folder there keeps the copy from being made.
TEST_F(FileMaintenance, TheBackupCopyNeverWritesThroughWhatStandsAtItsName) {
  const fs::path file = log.folder() / "parameters.xml";
  const fs::path copy = log.folder() / "parameters0.xml";
  const fs::path victim = log.folder() / "victim.txt";
  const struct Row {
    const char* what;
    std::function<void()> plant;
    bool copied;
  } rows[] = {
      {"an older copy", [&] { std::ofstream(copy) << "older"; }, true},
      {"a link to another file", [&] { fs::create_symlink(victim, copy); }, true},
      {"a second name of another file", [&] { fs::create_hard_link(victim, copy); }, true},
      {"a named pipe", [&] { ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0); }, true},
      {"a folder", [&] { fs::create_directories(copy / "inside"); }, false},
  };
  std::ofstream(file) << "current";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(victim, std::ios::trunc) << "victim";
    fs::remove_all(copy);
    row.plant();
    log.mark();
    auto saved = std::async(std::launch::async, [&file] { return gf_save1GenerationOf(file); });
    if (saved.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the copy waited on the pipe";
      const int reader = ::open(copy.c_str(), O_RDONLY | O_NONBLOCK);
      saved.wait();
      if (reader >= 0) ::close(reader);
    }
    EXPECT_EQ(saved.get(), row.copied);
    EXPECT_EQ(testsupport::readBytes(victim), "victim");
    EXPECT_EQ(fs::is_regular_file(fs::symlink_status(copy)), row.copied);
    if (row.copied) {
      EXPECT_EQ(testsupport::readBytes(copy), "current");
    } else {
      EXPECT_EQ(log.lines().size(), 1U);
      EXPECT_NE(log.text().find(fmt::format("copy {} -> {} failed: ", file.string(), copy.string())), std::string::npos)
          << log.text();
    }
  }
}

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
  // On a run as root, another user's link at the folder, or on its way, to a
  // folder of root's empties nothing there, nor takes a backup copy's place.
  if (::geteuid() != 0) return;
  make("roots", {"passwd", "EGLL.xml", "parameters.xml", "parameters0.xml"});
  for (const char* link : {"new_version", "tblo"}) {
    fs::remove_all(link);
    fs::create_symlink(link == std::string("tblo") ? "roots" : ".", link);
    ASSERT_EQ(::lchown(link, testsupport::nobodyUserId, 0), 0);
  }
  gf_removeFilesFromDirectory("new_version/roots");
  gf_removeXMLFilesFromDirectory();
  gf_removeFilesFromDirectory("tblo");
  gf_save1GenerationOf("tblo/parameters.xml");
  EXPECT_EQ(names("roots"), (Names{"EGLL.xml", "parameters.xml", "parameters0.xml", "passwd"}));
  EXPECT_EQ(testsupport::readBytes("roots/parameters0.xml"), "parameters0.xml");
  EXPECT_EQ(log.lines(), (Names{"==> new_version/roots not emptied: its link leads to another user's file",
                                "==> tblo not emptied: its link leads to another user's file",
                                "==> tblo not emptied: its link leads to another user's file",
                                "==> copy tblo/parameters.xml -> tblo/parameters0.xml failed: its link leads to "
                                "another user's file"}));
}

// The save's temporary names have one exact shape; the saved name is what
// precedes it, and look-alikes of the user's own have none.
TEST_F(FileMaintenance, TheSavedNameOfATemporaryComesOnlyFromTheExactShape) {
  const struct {
    const char* name;
    const char* saved;
  } rows[] = {{"EHAM.xml.00007f3a2b1c4d00-0.tmp", "EHAM.xml"},
              {"a.b.ffffffffffffffff-4294967295.tmp", "a.b"},
              {"EDDF.xml.2024-05.tmp", ""},                     // a user's dated copy
              {"ideas.cafe-1.tmp", ""},                         // hex-looking words
              {"EHAM.xml.00007F3A2B1C4D00-1.tmp", ""},          // upper-case hex
              {"EHAM.xml.00007f3a2b1c4d0-1.tmp", ""},           // 15 digits
              {"EHAM.xml00007f3a2b1c4d00-1.tmp", ""},           // no dot before the hex
              {"EHAM.xml.00007f3a2b1c4d00-01.tmp", ""},         // leading zero
              {"EHAM.xml.00007f3a2b1c4d00-12345678901.tmp", ""},  // beyond an unsigned counter
              {"EHAM.xml.00007f3a2b1c4d00-.tmp", ""},
              {".00007f3a2b1c4d00-1.tmp", ""},                 // no saved name
              {"EHAM.xml.00007f3a2b1c4d00-1.TMP", ""}};
  for (const auto& row : rows) EXPECT_EQ(gf_savedNameOfTemporary(row.name), row.saved) << row.name;
  const std::string own = gf_temporaryPathFor("dir/LiveriesScanned.xml").filename().string();
  EXPECT_EQ(gf_savedNameOfTemporary(own), "LiveriesScanned.xml") << own;
}

// The walk takes the named depth, no more, and never follows a link.
TEST_F(FileMaintenance, StaleTemporariesGoOnlyBesideSavedNamesAndToTheGivenDepth) {
  const std::string tmp = ".00007f3a2b1c4d00-1.tmp";
  make("top/a/b", {"K.xml" + tmp});
  make("top/a", {"K.xml" + tmp, "L.xml" + tmp});
  make("top", {"K.xml" + tmp, "K.xml.2024-05.tmp"});
  make("elsewhere", {"K.xml" + tmp});
  fs::create_directory_symlink(fs::absolute("elsewhere"), "top/link");
  const SavedNameFilter onlyK = [](std::string_view name) { return name == "K.xml"; };
  EXPECT_EQ(gf_removeStaleTemporaries("top", onlyK), 1U);
  EXPECT_EQ(names("top/a").size(), 3U);
  EXPECT_EQ(gf_removeStaleTemporaries("top", onlyK, 1), 1U);
  EXPECT_EQ(names("top"), (Names{"K.xml.2024-05.tmp", "a", "link"}));
  EXPECT_EQ(names("top/a"), (Names{"L.xml" + tmp, "b"}));
  EXPECT_EQ(names("top/a/b").size(), 1U);
  EXPECT_EQ(names("elsewhere").size(), 1U);
  EXPECT_EQ(gf_removeStaleTemporaries("missing", onlyK, 3), 0U);
  EXPECT_EQ(log.lines().size(), 2U) << log.text();
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
  EXPECT_EQ(gf_listXmlFileCodes("scenery").size(), 3U);
  EXPECT_NE(log.text().find("EG-L.xml passed over: its name is no airport code"), std::string::npos) << log.text();
}

} // namespace
} // namespace gwr
