// The settings' update step over stored program versions and over missing,
// damaged, root-less and unreadable settings files: no user setting is lost.
#include "app/update/settings_migration.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

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
                                R"(<parameter name="AIRP_RANGE" value="30"/>)";
const char* const encrypted[] = {"input/airports.enc", "input/AIG-regcodes.enc", "input/dbase.enc"};
const char* const decrypted[] = {"input/airports.xml", "input/AIG-regcodes.xml", "input/dbase.xml"};

class SettingsMigration : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories("input");
    fs::create_directories("new_version");
    for (const char* file : encrypted) SettingsSandbox::writeText(file, "enc");
    for (const char* file : decrypted) SettingsSandbox::writeText(file, "xml");
    SettingsSandbox::writeText("new_version/install_new_version.exe", "installer");
  }
  static bool present(const char* const (&files)[3]) {
    const bool first = fs::exists(files[0]);
    EXPECT_TRUE(std::all_of(files, files + 3, [&](const char* f) { return fs::exists(f) == first; }));
    return first;
  }
  void expectUserSettingsKept() {
    for (const auto& [key, value] : {std::pair{"BLOCK_CALLSIGN", "BAW123"}, {"MSFS_INSTALL_PATH", "/sim/packages"},
                                     {"SCAN_LIVERIES", "false"}, {"AIRP_RANGE", "30"}})
      EXPECT_EQ(sandbox.storedValue(key), value);
    EXPECT_FALSE(SCAN_LIVERIES.current());
  }
  bool logged(const std::string& part) { return sandbox.log().text().find(part) != std::string::npos; }

  SettingsSandbox sandbox;
};

TEST_F(SettingsMigration, StoredVersionMatrix) {
  struct Case {
    std::optional<std::string> stored;  // none: no PROGRAM_VERSION entry
    const char* line;                   // the update line, "" for none
    bool decryptedRemoved, encryptedRemoved, newVersionRemoved;
  };
  const Case cases[] = {
      {std::nullopt, "", false, false, false},
      {"", "", false, false, false},
      {"11.9.9", "This is a version update from 11.9.9 -> 12.5.5\n", true, true, true},
      {"12.4.0", "This is a version update from 12.4.0 -> 12.5.5\n", true, false, true},
      {"12.5.5", "", true, false, false},
      {"12.6.0", "", true, false, false},
      {"twelve", "PROGRAM_VERSION \"twelve\" is not readable: taken as older than 12.5.5\n", true, false, true},
      {"12.5", "PROGRAM_VERSION \"12.5\" is not readable", true, false, true},
      {"99999999999.0.0", "PROGRAM_VERSION \"99999999999.0.0\" is not readable", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.value_or("<no entry>"));
    SetUp();
    resetSettingsToDefaults();
    const std::string version = c.stored ? R"(<parameter name="PROGRAM_VERSION" value=")" + *c.stored + "\"/>" : "";
    sandbox.writeFile("<root><parameters>" + userEntries + version + "</parameters></root>");
    sandbox.log().mark();
    lf_migrateParameters();
    EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
    expectUserSettingsKept();
    EXPECT_EQ(logged("This is a version update") || logged("is not readable"), *c.line != '\0');
    EXPECT_TRUE(*c.line == '\0' || logged(c.line)) << c.line;
    EXPECT_EQ(present(decrypted), !c.decryptedRemoved);
    EXPECT_EQ(present(encrypted), !c.encryptedRemoved);
    EXPECT_EQ(fs::exists("new_version"), !c.newVersionRemoved);
  }
}

// A data file that cannot be removed (a folder with a file in its place)
// stops the run rather than being read again as if fresh.
TEST_F(SettingsMigration, AnOldDataFileThatCannotBeRemovedStopsTheRun) {
  for (const auto& [stored, stuck, stops] : {std::tuple{"11.9.9", "input/dbase.enc", true},
                                             {"12.4.0", "input/dbase.enc", false}, {"12.5.5", "input/dbase.xml", true}}) {
    SetUp();
    fs::remove(stuck);
    fs::create_directories(std::string(stuck) + "/inside");
    sandbox.writeFile(std::string(R"(<root><parameters><parameter name="PROGRAM_VERSION" value=")") + stored + "\"/></parameters></root>");
    bool thrown = false;
    try {
      lf_migrateParameters();
    } catch (const fs::filesystem_error&) {
      thrown = true;
    }
    EXPECT_EQ(thrown, stops) << stored << stuck;
    fs::remove_all(stuck);
  }
}

TEST_F(SettingsMigration, MissingDamagedRootlessAndUnreadableFiles) {
  lf_migrateParameters();  // missing: the defaults, with both scans on
  EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");

  const std::string damaged = "<root><parameters>" + userEntries + "<parameter name=";
  sandbox.writeFile(damaged);
  lf_migrateParameters();
  EXPECT_EQ(SettingsSandbox::readWhole(sandbox.file().parent_path() / "parameters0.xml"), damaged);

  sandbox.writeFile("<parameters>" + userEntries + R"(<parameter name="PROGRAM_VERSION" value="12.4.0"/></parameters>)");
  lf_migrateParameters();
  expectUserSettingsKept();
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
  EXPECT_FALSE(fs::exists("new_version"));
  EXPECT_TRUE(logged("Placing a root level around a new parameters.xml to make it 100% xml compliance"));
  EXPECT_NE(sandbox.fileText().find("<root>\n  <parameters>"), std::string::npos) << sandbox.fileText();

  fs::remove(sandbox.file());
  fs::create_directories(sandbox.file());  // there, but cannot be read as a file
  resetSettingsToDefaults();
  lf_migrateParameters();
  EXPECT_TRUE(fs::is_directory(sandbox.file())) << "never written over";
  EXPECT_TRUE(present(encrypted));
}

} // namespace
} // namespace gwr
