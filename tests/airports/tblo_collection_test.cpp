// Collecting generated stand files into "tblo" and packing "tblo.zip": which
// files go, which stay, and the archive read back before anything is removed.
#include "airports/tblo_collection.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/zip_archive.h"
#include "scan_fixture.h"

namespace gwr {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class TbloCollectionTest : public ScanSandbox {
protected:
  static std::string generatedFile(const char* code, const char* publisher) {
    return standgen::apfXml({true, "12.5.5", 1, {{"icao", code}, {"publisher", publisher}}, true, {}, {}});
  }
  static std::vector<std::string> tbloNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(tbloFolder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(TbloCollectionTest, GeneratedFilesOfKnownAirportsAreCollected) {
  knowAirports({"EHAM", "EGLL", "KMCI", "LOWI"});
  fs::create_directories(tbloFolder);
  standgen::writeText("airports/my_simaddon/EHAM.xml", generatedFile("EHAM", "simaddon"));
  standgen::writeText("airports/my_simaddon/EHAM.txt", "archive/simaddon/EHAM.xml\n");  // the link wins
  standgen::writeText("airports/my_simaddon/ZZZZ.xml", generatedFile("ZZZZ", "simaddon"));  // not an airport
  standgen::writeText("airports/my_thirdparty/EGLL.xml", generatedFile("EGLL", "Pub"));
  standgen::writeText("airports/my_thirdparty/KMCI.xml", generatedFile("KMCI", "TropicalSim"));
  // Hand-made: collected too, and kept even with a link beside it.
  standgen::writeText("airports/my_thirdparty/LOWI.xml",
                      standgen::apfXml({true, "12.5.5", 1, {{"icao", "LOWI"}, {"handmade", "true"}}, true, {}, {}}));
  standgen::writeText("airports/my_thirdparty/LOWI.txt", "archive/thirdparty/Pub/LOWI.xml\n");
  gf_collectSimaddonFiles();
  gf_collectThirdPartyFiles();
  EXPECT_EQ(tbloNames(), (std::vector<std::string>{"EGLL.xml", "EHAM.xml", "LOWI.xml"}));
  EXPECT_FALSE(fs::exists("airports/my_simaddon/EHAM.xml"));
  EXPECT_TRUE(fs::exists("airports/my_simaddon/EHAM.txt"));
  EXPECT_TRUE(fs::exists("airports/my_simaddon/ZZZZ.xml"));
  EXPECT_TRUE(fs::exists("airports/my_thirdparty/EGLL.xml"));
  EXPECT_FALSE(fs::exists("airports/my_thirdparty/KMCI.xml"));
  EXPECT_TRUE(fs::exists("airports/my_thirdparty/LOWI.xml"));
  EXPECT_TRUE(logHas("1 simaddon file copied to tblo folder"));

  // A KMCI file of another publisher is collected like any other.
  standgen::writeText("airports/my_thirdparty/KMCI.xml", generatedFile("KMCI", "Other"));
  gf_collectThirdPartyFiles();
  EXPECT_TRUE(fs::exists("tblo/KMCI.xml"));
}

TEST_F(TbloCollectionTest, TheArchiveHoldsEveryFileUnchangedAndReplacesAnOldOne) {
  fs::create_directories(tbloFolder);
  standgen::writeText("tblo/EHAM.xml", "<root>eham</root>");
  standgen::writeText("tblo/EGLL.xml", std::string(100000, 'x'));
  standgen::writeText(tbloArchive, "an old archive, not a zip");
  ASSERT_TRUE(gf_zipTblo(tbloArchive));
  const ZipArchive zip = ZipArchive::openForReading(tbloArchive);
  const auto entries = zip.entries();
  ASSERT_EQ(entries.size(), 2U);
  for (const auto& entry : entries) {
    std::string bytes, error;
    ASSERT_TRUE(zip.read(entry, bytes, error)) << error;
    EXPECT_EQ(bytes, readFile(tbloFolder / entry.name)) << entry.name;
  }
  EXPECT_TRUE(logHas("[zip] Removing old zip tblo/tblo.zip"));
  EXPECT_TRUE(logHas("[zip] Added 2 files, ok_close=true, exists=true"));
  EXPECT_TRUE(logHas("[zip] Verified 2 entries"));

  // A file that cannot be read is left out; the others still make the archive.
  // A write-only kernel file cannot be opened for reading, not even by root.
  const fs::path writeOnly = "/sys/bus/pci/rescan";
  if (!fs::is_regular_file(writeOnly) || std::ifstream(writeOnly).is_open()) GTEST_SKIP() << "no write-only file";
  fs::create_symlink(writeOnly, tbloFolder / "LOWI.xml");
  ASSERT_TRUE(gf_zipTblo(tbloArchive));
  EXPECT_TRUE(logHas("[zip] READ FAIL: tblo/LOWI.xml"));
  EXPECT_EQ(ZipArchive::openForReading(tbloArchive).entries().size(), 2U);
}

TEST_F(TbloCollectionTest, AnArchiveThatCannotBeWrittenIsRemovedAndReported) {
  EXPECT_FALSE(gf_zipTblo(tbloArchive));
  EXPECT_TRUE(logHas("[zip] Not a directory: tblo"));
  fs::create_directories(tbloFolder);
  standgen::writeText("tblo/EHAM.xml", "<root/>");
  EXPECT_FALSE(gf_zipTblo(tbloFolder / "missing-folder" / "x" / "tblo.zip/"));
  EXPECT_TRUE(fs::exists("tblo/EHAM.xml"));
}

TEST(ZipArchiveWriteTest, NamesAndBytesComeBackAndAnUnclosedArchiveLeavesNothing) {
  TempFolder folder;
  const fs::path file = folder.path() / "a.zip";
  {
    ZipArchive zip = ZipArchive::createNew(file);
    std::string error;
    ASSERT_TRUE(zip.addData("empty.xml", "", error)) << error;
    ASSERT_TRUE(zip.addData("binary.bin", std::string("\0\xff\x01", 3), error)) << error;
  }  // never closed: discarded
  EXPECT_FALSE(fs::exists(file));
  ZipArchive zip = ZipArchive::createNew(file);
  std::string error;
  std::string bytes = "kept only by the archive";
  ASSERT_TRUE(zip.addData("EHAM.xml", bytes, error));
  bytes.assign("changed after adding");
  ASSERT_TRUE(zip.close(error)) << error;
  EXPECT_FALSE(zip.close(error));
  const ZipArchive read = ZipArchive::openForReading(file);
  const auto entries = read.entries();
  ASSERT_EQ(entries.size(), 1U);
  std::string content;
  ASSERT_TRUE(read.read(entries[0], content, error));
  EXPECT_EQ(content, "kept only by the archive");
}

} // namespace
} // namespace gwr
