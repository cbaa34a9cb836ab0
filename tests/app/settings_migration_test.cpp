// The settings' update step over stored program versions and damaged settings
// files: what is removed, what is recorded, and that no user setting is lost.
#include "app/settings_migration.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

// The user's own choices, none of them a default.
const std::string userEntries = R"(<parameter name="BLOCK_CALLSIGN" value="BAW123"/>)"
                                R"(<parameter name="MSFS_INSTALL_PATH" value="/sim/packages"/>)"
                                R"(<parameter name="SCAN_LIVERIES" value="false"/>)"
                                R"(<parameter name="SCAN_AIRPORTS" value="false"/>)"
                                R"(<parameter name="AIRP_RANGE" value="30"/>)";

const fs::path encryptedFiles[] = {"input/airports.enc", "input/AIG-regcodes.enc", "input/dbase.enc"};
const fs::path decryptedFiles[] = {"input/airports.xml", "input/AIG-regcodes.xml", "input/dbase.xml"};
const fs::path leftInstaller = fs::path("new_version") / "install_new_version.exe";

class SettingsMigration : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories("input");
    fs::create_directories("new_version");
    for (const auto& file : encryptedFiles) SettingsSandbox::writeText(file, "enc");
    for (const auto& file : decryptedFiles) SettingsSandbox::writeText(file, "xml");
    SettingsSandbox::writeText(leftInstaller, "installer");
  }
  void writeSettings(const std::optional<std::string>& programVersion) {
    std::string entries = userEntries;
    if (programVersion) entries += R"(<parameter name="PROGRAM_VERSION" value=")" + *programVersion + R"("/>)";
    sandbox.writeFile("<root><parameters>" + entries + "</parameters></root>");
  }
  void expectUserSettingsKept() {
    EXPECT_EQ(sandbox.storedValue("BLOCK_CALLSIGN"), "BAW123");
    EXPECT_EQ(sandbox.storedValue("MSFS_INSTALL_PATH"), "/sim/packages");
    EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "false");
    EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "false");
    EXPECT_EQ(sandbox.storedValue("AIRP_RANGE"), "30");
    EXPECT_EQ(BLOCK_CALLSIGN.current(), "BAW123");
    EXPECT_FALSE(SCAN_LIVERIES.current());
  }
  static bool allExist(const fs::path (&files)[3]) {
    return std::all_of(std::begin(files), std::end(files), [](const fs::path& f) { return fs::exists(f); });
  }
  static bool noneExist(const fs::path (&files)[3]) {
    return std::none_of(std::begin(files), std::end(files), [](const fs::path& f) { return fs::exists(f); });
  }
  bool loggedPart(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }

  SettingsSandbox sandbox;
};

TEST_F(SettingsMigration, StoredVersionMatrix) {
  struct Case {
    std::optional<std::string> stored;  // none: no PROGRAM_VERSION entry
    const char* updateLine;             // expected "This is a version update ..." or error part, "" for none
    bool decryptedRemoved;
    bool encryptedRemoved;
    bool newVersionRemoved;
  };
  const Case cases[] = {
      {std::nullopt, "", false, false, false},
      {"", "", false, false, false},
      {"11.9.9", "This is a version update from 11.9.9 -> 12.5.5", true, true, true},
      {"12.4.0", "This is a version update from 12.4.0 -> 12.5.5", true, false, true},
      {"12.5.5", "", true, false, false},
      {"12.6.0", "", true, false, false},
      {"twelve", "PROGRAM_VERSION \"twelve\" is not readable: taken as older than 12.5.5", true, false, true},
      {"12.5", "PROGRAM_VERSION \"12.5\" is not readable: taken as older than 12.5.5", true, false, true},
      {"99999999999.0.0", "PROGRAM_VERSION \"99999999999.0.0\" is not readable", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.value_or("<no entry>"));
    SetUp();
    resetSettingsToDefaults();
    writeSettings(c.stored);
    sandbox.log().mark();
    lf_migrateParameters();
    EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
    EXPECT_EQ(PROGRAM_VERSION.current(), "12.5.5");
    expectUserSettingsKept();
    if (*c.updateLine != '\0') {
      EXPECT_TRUE(loggedPart(c.updateLine));
    } else {
      EXPECT_FALSE(loggedPart("This is a version update"));
      EXPECT_FALSE(loggedPart("is not readable"));
    }
    EXPECT_EQ(noneExist(decryptedFiles), c.decryptedRemoved);
    EXPECT_EQ(allExist(decryptedFiles), !c.decryptedRemoved);
    EXPECT_EQ(noneExist(encryptedFiles), c.encryptedRemoved);
    EXPECT_EQ(allExist(encryptedFiles), !c.encryptedRemoved);
    EXPECT_EQ(fs::exists("new_version"), !c.newVersionRemoved);
    EXPECT_FALSE(fs::exists(sandbox.file().parent_path() / "parameters0.xml"));
  }
}

TEST_F(SettingsMigration, RunningTwiceChangesNothingMore) {
  writeSettings("12.4.0");
  lf_migrateParameters();
  const std::string first = sandbox.fileText();
  fs::create_directories("new_version");
  for (const auto& file : decryptedFiles) SettingsSandbox::writeText(file, "xml");
  lf_migrateParameters();
  EXPECT_EQ(sandbox.fileText(), first);
  EXPECT_TRUE(fs::exists("new_version")) << "the update was recorded the first time";
  EXPECT_TRUE(noneExist(decryptedFiles));
}

TEST_F(SettingsMigration, MissingFileGetsDefaultsWithBothScansOn) {
  lf_migrateParameters();
  EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
  EXPECT_TRUE(SCAN_LIVERIES.current());
  EXPECT_TRUE(SCAN_AIRPORTS.current());
  EXPECT_TRUE(allExist(encryptedFiles));
  EXPECT_TRUE(fs::exists(leftInstaller));
}

TEST_F(SettingsMigration, DamagedFileIsKeptAsGenerationZeroBeforeDefaults) {
  const std::string damaged = "<root><parameters>" + userEntries + "<parameter name=";
  sandbox.writeFile(damaged);
  lf_migrateParameters();
  EXPECT_EQ(SettingsSandbox::readWhole(sandbox.file().parent_path() / "parameters0.xml"), damaged);
  EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
}

TEST_F(SettingsMigration, FileWithoutRootKeepsEverySettingAndGetsItsRoot) {
  sandbox.writeFile("<parameters>" + userEntries + R"(<parameter name="PROGRAM_VERSION" value="12.4.0"/>)" +
                    "</parameters>");
  lf_migrateParameters();
  expectUserSettingsKept();
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
  EXPECT_TRUE(loggedPart("This is a version update from 12.4.0 -> 12.5.5"));
  EXPECT_FALSE(fs::exists("new_version"));
}

TEST_F(SettingsMigration, UnreadableFileIsNeverWrittenOver) {
  fs::remove(sandbox.file());
  fs::create_directories(sandbox.file());  // there, but no file to read
  lf_migrateParameters();
  EXPECT_TRUE(fs::is_directory(sandbox.file()));
  EXPECT_TRUE(allExist(encryptedFiles));
  EXPECT_TRUE(fs::exists(leftInstaller));
}

} // namespace
} // namespace gwr
