// parameters.xml as a real machine may leave it: unreadable, a folder, a link
// loop, nested without end, read-only, behind a link, or with a bad choice.
#include "core/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

#include "core/settings_catalogue.h"
#include "core/settings_document.h"
#include "support/as_unprivileged.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

namespace fs = std::filesystem;
using testsupport::SettingsSandbox;

constexpr fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms ownerAndGroup =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;

const std::string storedRange =
    "<?xml version=\"1.0\"?>\n<root><parameters><parameter name=\"RANGE\" value=\"10\"/></parameters></root>\n";

// levels elements named tag, each inside the one before.
std::string lf_nested(const std::string& tag, std::size_t levels) {
  std::string text;
  for (std::size_t i = 0; i < levels; ++i) text += "<" + tag + ">";
  for (std::size_t i = 0; i < levels; ++i) text += "</" + tag + ">";
  return text;
}

fs::path lf_zeroCopy() { return gf_perUserFolder() / "parameters0.xml"; }

bool lf_logHas(SettingsSandbox& sandbox, const std::string& text) {
  return sandbox.log().text().find(text) != std::string::npos;
}

TEST(SettingsFileDamage, AFileThatCannotBeReadIsReportedAndNeverWrittenOver) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    std::function<bool(const fs::path&)> untouched;
    bool superuserReads = false;  // owner's rights only
    bool needsRoot = false;       // to give a link to another user
  };
  // On a run as root, the user's link to root's private settings beside theirs.
  const auto rootsPrivateFile = [](const fs::path& p) { return p.parent_path().parent_path() / "roots.xml"; };
  const Case cases[] = {
      {"a folder", [](const fs::path& p) { fs::create_directory(p); },
       [](const fs::path& p) { return fs::is_directory(p) && fs::is_empty(p); }},
      {"a link to itself", [](const fs::path& p) { fs::create_symlink(p.filename(), p); },
       [](const fs::path& p) { return fs::is_symlink(p) && fs::read_symlink(p) == p.filename(); }},
      {"no right to read",  // the owner's rights do not hold back the superuser
       [](const fs::path& p) {
         SettingsSandbox::writeText(p, storedRange);
         fs::permissions(p, fs::perms::owner_write);
       },
       [](const fs::path& p) {
         fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
         return SettingsSandbox::readWhole(p) == storedRange;
       },
       true},
      {"another user's link to root's private file",
       [&](const fs::path& p) {
         SettingsSandbox::writeText(rootsPrivateFile(p), storedRange);
         fs::permissions(rootsPrivateFile(p), fs::perms::owner_read | fs::perms::owner_write);
         fs::create_symlink(rootsPrivateFile(p), p);
         ASSERT_EQ(::lchown(p.c_str(), testsupport::nobodyUserId, 0), 0);
       },
       [&](const fs::path& p) {
         return fs::is_symlink(p) && SettingsSandbox::readWhole(rootsPrivateFile(p)) == storedRange;
       },
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && ::geteuid() != 0) continue;
    SettingsSandbox sandbox;
    c.make(sandbox.file());
    std::error_code error;
    if (c.superuserReads && fs::is_regular_file(sandbox.file(), error) && std::ifstream(sandbox.file()).is_open()) {
      c.untouched(sandbox.file());
      continue;  // the superuser reads it anyway
    }
    RANGE.setCurrent(25);
    gf_readWindowPosition();
    EXPECT_FALSE(gf_loadParameters());
    EXPECT_EQ(RANGE.current(), 25);  // nothing read, nothing reset
    WEEK.setCurrent(true);
    WEEK.save();
    EXPECT_TRUE(c.untouched(sandbox.file()));
    EXPECT_FALSE(fs::exists(lf_zeroCopy()));
    EXPECT_TRUE(lf_logHas(sandbox, "Error " + sandbox.file().string() + " cannot be read ("));
    EXPECT_FALSE(lf_logHas(sandbox, "not found, creating new"));
  }
}

// The limit lies at the document's nesting, not at its size: siblings do not add up.
TEST(SettingsFileDamage, ADocumentNestedTooDeepIsKeptAsZeroCopyAndTheDefaultsAreUsed) {
  SettingsSandbox sandbox;
  pugi::xml_document document;
  for (const auto& [levels, state] : {std::pair{maxSettingsDepth, SettingsFileState::loaded},
                                      std::pair{maxSettingsDepth + 1, SettingsFileState::damaged}}) {
    SettingsSandbox::writeText(sandbox.file(), lf_nested("x", levels) + lf_nested("y", levels));
    EXPECT_EQ(gf_readSettingsDocument(sandbox.file(), document).state, state) << levels;
  }
  const std::string text = "<root><parameters><parameter name=\"RANGE\" value=\"10\"/></parameters>" +
                           lf_nested("x", 2000) + "</root>";
  SettingsSandbox::writeText(sandbox.file(), text);
  EXPECT_TRUE(gf_loadParameters());
  EXPECT_EQ(SettingsSandbox::readWhole(lf_zeroCopy()), text);
  EXPECT_EQ(RANGE.current(), 40);
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  EXPECT_TRUE(lf_logHas(sandbox, "nested deeper than"));
}

// The user's own elements, however nested, stay as they are; writing the file
// back again and again does not change it.
TEST(SettingsFileDamage, WriteBackKeepsTheUsersElementsAndTheFileDoesNotGrow) {
  SettingsSandbox sandbox;
  const std::string deep = lf_nested("u", 20);
  SettingsSandbox::writeText(
      sandbox.file(), "<root><meta><info name=\"version\" value=\"1\"><junk/></info></meta><parameters>"
                      "<parameter name=\"RANGE\" value=\"10\" note=\"mine\">" + deep + "</parameter>"
                      "<parameter name=\"OLD_KEY\" value=\"x\"/>  text  " + deep + "</parameters>" + deep + "</root>");
  EXPECT_FALSE(gf_loadParameters());
  const std::string first = sandbox.fileText();
  EXPECT_NE(first.find("<junk />"), std::string::npos);
  EXPECT_NE(first.find("<parameter name=\"RANGE\" value=\"10\" note=\"mine\">"), std::string::npos);
  EXPECT_NE(first.find("<u>"), std::string::npos);
  EXPECT_EQ(sandbox.storedValue("OLD_KEY"), "x");
  RANGE.setCurrent(12);
  RANGE.save();
  RANGE.setCurrent(10);
  RANGE.save();
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(sandbox.fileText(), first);
}

TEST(SettingsFileDamage, SavingWritesThroughALinkAndKeepsTheFilesPermissions) {
  SettingsSandbox sandbox;
  const fs::path real = sandbox.log().folder() / "elsewhere" / "my-settings.xml";
  fs::create_directories(real.parent_path());
  SettingsSandbox::writeText(real, storedRange);
  fs::permissions(real, ownerAndGroup);
  fs::create_symlink(real, sandbox.file());
  EXPECT_FALSE(gf_loadParameters());
  RANGE.setCurrent(65);
  RANGE.save();
  EXPECT_TRUE(fs::is_symlink(sandbox.file()));
  EXPECT_EQ(fs::status(real).permissions(), ownerAndGroup);
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  EXPECT_EQ(sandbox.storedValue("RANGE"), "65");
  EXPECT_EQ(std::distance(fs::directory_iterator(real.parent_path()), {}), 1);  // no temporary left
}

// A read-only file is the user's way of fixing the settings: it is read, never
// replaced, and every refused save is logged and shown.
TEST(SettingsFileDamage, AReadOnlyFileIsReadButNotWritten) {
  SettingsSandbox sandbox;
  SettingsSandbox::writeText(sandbox.file(), storedRange);
  fs::permissions(sandbox.file(), readOnly);
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(RANGE.current(), 10);
  WEEK.setCurrent(true);
  WEEK.save();
  EXPECT_EQ(fs::status(sandbox.file()).permissions(), readOnly);
  EXPECT_EQ(sandbox.fileText(), storedRange);
  EXPECT_TRUE(lf_logHas(sandbox, sandbox.file().string() + " not written: the file is read-only"));
  EXPECT_TRUE(lf_logHas(sandbox, "saving: " + sandbox.file().string() + " failed"));
  fs::permissions(sandbox.file(), ownerAndGroup);
}

TEST(SettingsFileDamage, ASimulatorChoiceOutsideTheListIsNamedAndTheDefaultUsed) {
  for (const std::string stored : {"MSFS 2030", "msfs 2024", "", "MSFS 2024 "}) {
    SCOPED_TRACE(stored);
    SettingsSandbox sandbox;
    SettingsSandbox::writeText(sandbox.file(), "<root><parameters><parameter name=\"SIM_CHOICE\" value=\"" + stored +
                                                   "\"/></parameters></root>");
    SIM_CHOICE.setCurrent("MSFS 2024");
    EXPECT_FALSE(gf_loadParameters());
    EXPECT_EQ(SIM_CHOICE.current(), "MSFS 2020");
    EXPECT_EQ(sandbox.storedValue("SIM_CHOICE"), stored);  // the file is left as it is
    EXPECT_TRUE(lf_logHas(sandbox, "SIM_CHOICE=\"" + stored + "\" is not one of its choices; \"MSFS 2020\" is used"));
  }
}

} // namespace
} // namespace gwr
