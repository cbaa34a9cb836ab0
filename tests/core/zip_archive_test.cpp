// The zip wrapper against archives made at test time: listing, extraction,
// damaged, empty and missing archives, and the entry-name rule.
#include "core/zip_archive.h"

#include <gtest/gtest.h>

#include "support/encrypted_fixture.h"
#include "support/log_capture.h"
#include "support/zip_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

TEST(ZipArchive, ListsEntriesInOrderAndExtractsThemWhole) {
  const TempFolder folder;
  const std::string big(3 * zipReadChunkBytes + 17, 'z');  // several read chunks
  writeZip(folder.path() / "a.zip", {{"first.bin", big}, {"docs/", ""}, {"docs/second.txt", "hello"}});
  const ZipArchive archive = ZipArchive::openForReading(folder.path() / "a.zip");
  const auto entries = archive.entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "first.bin");
  EXPECT_EQ(entries[0].size, big.size());
  EXPECT_EQ(std::tuple(entries[1].name, entries[1].directory, entries[2].directory), std::tuple("docs/", true, false));
  std::string error;
  int code = 0;
  ASSERT_TRUE(archive.extract(entries[0], folder.path() / "one", error, code)) << error;
  EXPECT_EQ(readBytes(folder.path() / "one"), big);
  EXPECT_FALSE(fs::exists(folder.path() / "one.part"));
}

TEST(ZipArchive, DamagedDataFailsAndLeavesTheOldFile) {
  const TempFolder folder;
  writeCorruptZip(folder.path() / "a.zip", "setup.exe");
  writeBytes(folder.path() / "setup.exe", "old");
  const ZipArchive archive = ZipArchive::openForReading(folder.path() / "a.zip");
  std::string error;
  int code = 0;
  EXPECT_FALSE(archive.extract(archive.entries().at(0), folder.path() / "setup.exe", error, code));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(readBytes(folder.path() / "setup.exe"), "old");
  EXPECT_FALSE(fs::exists(folder.path() / "setup.exe.part"));
}

TEST(ZipArchive, EmptyArchiveHasNoEntriesAndOtherFilesDoNotOpen) {
  const TempFolder folder;
  writeEmptyZip(folder.path() / "empty.zip");
  EXPECT_TRUE(ZipArchive::openForReading(folder.path() / "empty.zip").entries().empty());
  writeBytes(folder.path() / "text.zip", "this is no archive");
  for (const char* name : {"missing.zip", "text.zip", ""})
    EXPECT_THROW(ZipArchive::openForReading(folder.path() / name), std::runtime_error) << name;
}

TEST(ZipArchive, OnlyNamesThatStayInsideTheTargetFolderAreSafe) {
  for (const char* safe : {"install_new_version.exe", "docs/readme.txt", "a/b/c/", "..x/y.."})
    EXPECT_TRUE(ZipArchive::isSafeEntryName(safe)) << safe;
  for (const char* unsafe : {"", "/etc/passwd", "\\windows\\x", "../x", "a/../../x", "a\\..\\x", "..", "a/..", "C:/x",
                             "c:x"})
    EXPECT_FALSE(ZipArchive::isSafeEntryName(unsafe)) << unsafe;
}

} // namespace
} // namespace gwr
