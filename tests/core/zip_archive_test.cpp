// The zip wrapper against archives made at test time: listing, extraction,
// refused names, empty, damaged and missing archives.
#include "core/zip_archive.h"

#include <gtest/gtest.h>

#include "support/log_capture.h"
#include "support/zip_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

class ZipArchiveTest : public ::testing::Test {
protected:
  TempFolder folder;
  const fs::path zipFile = folder.path() / "a.zip";
};

TEST_F(ZipArchiveTest, ListsEntriesInArchiveOrderAndExtractsEachToItsFile) {
  const std::string big(3 * zipReadChunkBytes + 17, 'z');  // several read chunks
  writeZip(zipFile, {{"first.bin", big}, {"docs/", ""}, {"docs/second.txt", "hello"}});
  const ZipArchive archive = ZipArchive::openForReading(zipFile);
  const auto entries = archive.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "first.bin");
  EXPECT_EQ(entries[0].size, big.size());
  EXPECT_FALSE(entries[0].directory);
  EXPECT_EQ(entries[1].name, "docs/");
  EXPECT_TRUE(entries[1].directory);
  EXPECT_EQ(entries[2].name, "docs/second.txt");

  std::string error;
  ASSERT_TRUE(archive.extract(entries[0], folder.path() / "one", error)) << error;
  ASSERT_TRUE(archive.extract(entries[2], folder.path() / "two", error)) << error;
  EXPECT_EQ(readWholeFile(folder.path() / "one"), big);
  EXPECT_EQ(readWholeFile(folder.path() / "two"), "hello");
  EXPECT_FALSE(fs::exists(folder.path() / "one.part"));
}

TEST_F(ZipArchiveTest, DamagedDataFailsAndLeavesTheOldFileAndNoPartialOne) {
  writeCorruptZip(zipFile, "setup.exe");
  const fs::path destination = folder.path() / "setup.exe";
  std::ofstream(destination) << "old";
  const ZipArchive archive = ZipArchive::openForReading(zipFile);
  const auto entries = archive.entries();
  ASSERT_EQ(entries.size(), 1u);
  std::string error;
  EXPECT_FALSE(archive.extract(entries[0], destination, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(readWholeFile(destination), "old");
  EXPECT_FALSE(fs::exists(folder.path() / "setup.exe.part"));
}

TEST_F(ZipArchiveTest, EmptyArchiveHasNoEntries) {
  writeEmptyZip(zipFile);
  EXPECT_TRUE(ZipArchive::openForReading(zipFile).entries().empty());
}

TEST_F(ZipArchiveTest, MissingOrNonZipFilesCannotBeOpened) {
  EXPECT_THROW(ZipArchive::openForReading(zipFile), std::runtime_error);
  std::ofstream(zipFile) << "this is no archive";
  EXPECT_THROW(ZipArchive::openForReading(zipFile), std::runtime_error);
  fs::create_directory(folder.path() / "folder.zip");
  EXPECT_THROW(ZipArchive::openForReading(folder.path() / "folder.zip"), std::runtime_error);
}

TEST(ZipEntryNames, OnlyNamesThatStayInsideTheTargetFolderAreSafe) {
  struct Case {
    const char* name;
    bool safe;
  };
  const Case cases[] = {
      {"install_new_version.exe", true}, {"docs/readme.txt", true}, {"a/b/c/", true}, {"..x/y..", true},
      {"", false}, {"/etc/passwd", false}, {"\\windows\\x", false}, {"../x", false}, {"a/../../x", false},
      {"a\\..\\x", false}, {"..", false}, {"C:/x", false}, {"c:x", false}, {"a/..", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ZipArchive::isSafeEntryName(c.name), c.safe) << c.name;
}

} // namespace
} // namespace gwr
