// The program's own file operations under a folder named with non-ASCII
// characters: text files, generations kept of a file, decryption.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/decrypt.h"
#include "core/file_maintenance.h"
#include "core/text_files.h"
#include "platform/sys/native_path.h"
#include "support/encrypted_fixture.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;

TEST(NativePaths, FileOperationsUnderANonAsciiFolder) {
  const fs::path base = fs::temp_directory_path() / ("gwr_native_paths_" + std::to_string(::getpid()));
  // "Jörg's Übersicht ✈"
  const std::string folderText = platform::pathToUtf8(base) + "/J\xC3\xB6rg's \xC3\x9C" "bersicht \xE2\x9C\x88";
  const fs::path folder = platform::pathFromUtf8(folderText);
  fs::create_directories(folder);

  const fs::path list = folder / platform::pathFromUtf8("Liste \xC3\xA9t\xC3\xA9.txt");
  const std::vector<std::string> lines{"D-ABCD", "\xC3\x84rger;G-ABCD"};
  ASSERT_TRUE(gf_writeTextLines(lines, list));
  TextFile text(list);
  const TextLinesResult read = text.readLines(lines.size());
  EXPECT_EQ(std::vector<std::string>(read.lines.begin(), read.lines.end()), lines);
  EXPECT_EQ(gf_pathToUtf8(list), folderText + "/Liste \xC3\xA9t\xC3\xA9.txt");

  // The generation's name is made from the text and must name the same folder.
  ASSERT_TRUE(gf_save1GenerationOf(list));
  EXPECT_EQ(testsupport::readBytes(folder / platform::pathFromUtf8("Liste \xC3\xA9t\xC3\xA9" "0.txt")),
            testsupport::readBytes(list));

  const fs::path encrypted = folder / platform::pathFromUtf8("d\xC3\xA4ta.enc");
  testsupport::writeEncrypted(encrypted, "<root/>");
  EXPECT_EQ(gf_streamDecrypt(encrypted, testsupport::testDataKey), std::optional<std::string>("<root/>"));
  fs::remove_all(base);
}

} // namespace
} // namespace gwr
