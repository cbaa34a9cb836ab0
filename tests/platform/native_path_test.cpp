// Tests of paths made from UTF-8 texts: a folder and a file named with
// non-ASCII characters are created, written, listed and read back.
#include "platform/sys/native_path.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/sys/case_insensitive.h"

namespace gwr::platform {
namespace {

namespace fs = std::filesystem;

// "Flüge ✈ 日本" and "Ärger.DLH", spelled in bytes so that no source or
// compiler character set can change them.
constexpr const char* folderName = "Fl\xC3\xBC" "ge \xE2\x9C\x88 \xE6\x97\xA5\xE6\x9C\xAC";
constexpr const char* fileName = "\xC3\x84rger.DLH";

class NativePath : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(base); }
  void TearDown() override { fs::remove_all(base); }
  const fs::path base = fs::temp_directory_path() / ("gwr_native_path_" + std::to_string(::getpid()));
};

TEST_F(NativePath, Utf8TextsAndPathsRoundTrip) {
  const std::string texts[] = {folderName, fileName, std::string(folderName) + "/" + fileName, "", "plain.txt"};
  for (const std::string& text : texts) EXPECT_EQ(pathToUtf8(pathFromUtf8(text)), text);
  EXPECT_EQ(pathFromUtf8(std::string(folderName) + "/" + fileName).filename(), pathFromUtf8(fileName));
}

TEST_F(NativePath, FileUnderANonAsciiFolderIsCreatedWrittenListedAndRead) {
  const fs::path folder = pathFromUtf8(pathToUtf8(base) + "/" + folderName);
  ASSERT_TRUE(fs::create_directory(folder));
  const fs::path file = folder / pathFromUtf8(fileName);
  FileKind kind = FileKind::missing;
  std::FILE* out = openForWriting(file, kind);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::fputs(folderName, out), 1);
  EXPECT_EQ(std::fclose(out), 0);

  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), folderName);
  // The names the system lists are the UTF-8 texts they were made from.
  const fs::directory_entry listedFolder = *fs::directory_iterator(base);
  EXPECT_EQ(pathToUtf8(listedFolder.path().filename()), folderName);
  EXPECT_EQ(pathToUtf8(fs::directory_iterator(folder)->path().filename()), fileName);
  // ASCII letters fold, the others are compared as they are.
  EXPECT_EQ(findChildNoCase(folder, "\xC3\x84RGER.dlh"), file);
  EXPECT_FALSE(findChildNoCase(folder, "\xC3\xA4rger.DLH"));

  EXPECT_EQ(openForWriting(folder / "missing" / "x", kind), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

} // namespace
} // namespace gwr::platform
