// parameters.xml: a new file from the defaults, reading back a stored file,
// damaged files, single saves and the window position.
#include "core/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/settings_catalogue.h"
#include "core/text_files.h"
#include "core/xml_parameter.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

using testsupport::SettingsSandbox;

std::string parametersFile(const std::string& entries) {
  return "<?xml version=\"1.0\"?>\n<root><parameters>" + entries + "</parameters></root>\n";
}
std::string entry(const std::string& name, const std::string& value) {
  return "<parameter name=\"" + name + "\" value=\"" + value + "\"/>";
}

TEST(SettingsFile, EmptyFolderGetsEveryStoredSettingInRegistryOrder) {
  SettingsSandbox sandbox;
  EXPECT_TRUE(gf_loadParameters());

  const auto entries = sandbox.storedEntries();
  std::vector<std::string> names;
  for (auto& [name, value] : entries) names.push_back(name);
  EXPECT_EQ(names, testsupport::registeredKeys());
  EXPECT_EQ(entries.size(), 60U);
  EXPECT_EQ(sandbox.storedValue("PROGRAM_VERSION"), "12.5.5");
  EXPECT_EQ(sandbox.storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(sandbox.storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_EQ(sandbox.storedValue("LAST_EPOCH_TIME:"), "0");
  for (const char* neverStored : {"ALL_INSTALL_PATH", "CALLSIGN_2_OBJECTID", "parking_percentage", "MAX_FIT_FL"})
    EXPECT_EQ(sandbox.storedValue(neverStored), "<missing>") << neverStored;

  const std::string text = sandbox.fileText();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n    <parameter ", 0), 0U)
      << text.substr(0, 120);

  const auto lines = sandbox.log().lines();
  ASSERT_GE(lines.size(), 65U);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], std::string(34, '*') + " parameters " + std::string(34, '*'));
  EXPECT_EQ(lines[2], gf_pathToUtf8(sandbox.file()) + " not found, creating new with default values:");
  EXPECT_EQ(lines[3], "RANDOM=true");
  EXPECT_EQ(lines[24 + 3], "LAST_EPOCH_TIME:=0");
  EXPECT_EQ(lines[3 + 59], "SIM_CHOICE=\"MSFS 2020\"");
  EXPECT_EQ(lines[3 + 60], std::string(80, '*'));
  EXPECT_EQ(lines[3 + 61], "");
}

TEST(SettingsFile, StoredValuesAreReadAndOutOfRangeNumbersClampedInMemoryOnly) {
  struct Case {
    NumberParameter<std::int32_t>* parameter;
    std::string stored;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {&RANGE, "1000", 100},                    // above max
      {&CUSTOM_PARKING_PERCENTAGE, "-5", -1},   // below min
      {&MAX_HOLDING_MINUTES, "abc", 1},         // no number reads 0, then clamped
      {&MAX_FIT, "0x10", 16},                   // hexadecimal
      {&MAIN_WINDOW_X, "-30000", -30000},       // the boundary itself
      {&MATCHING_DEPTH, "3", 3},
  };
  SettingsSandbox sandbox;
  std::string entries;
  for (const auto& c : cases) entries += entry(c.parameter->key, c.stored);
  entries += entry("WEEK", "yes") + entry("PORT_NUMBER", "49003") + entry("SIM_CHOICE", "MSFS 2024");
  sandbox.writeFile(parametersFile(entries));

  EXPECT_FALSE(gf_loadParameters());
  for (const auto& c : cases) {
    EXPECT_EQ(c.parameter->current(), c.expected) << c.parameter->key;
    EXPECT_EQ(sandbox.storedValue(c.parameter->key), c.stored) << c.parameter->key;
  }
  EXPECT_TRUE(WEEK.current());
  EXPECT_EQ(PORT_NUMBER.current(), "49003");
  EXPECT_EQ(SIM_CHOICE.current(), "MSFS 2024");
  // Missing settings were appended with their defaults; nothing twice.
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  EXPECT_EQ(sandbox.storedValue("AUTO_RANGE"), "true");
}

TEST(SettingsFile, UnknownEntriesAreKeptAndTheFirstOfTwoEqualKeysCounts) {
  SettingsSandbox sandbox;
  sandbox.writeFile(parametersFile(entry("RANGE", "10") + entry("NO_SUCH_SETTING", "42") + entry("RANGE", "20") +
                                   "<other keep=\"me\"/>"));
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(RANGE.current(), 10);
  EXPECT_EQ(sandbox.storedValue("NO_SUCH_SETTING"), "42");
  EXPECT_NE(sandbox.fileText().find("<other keep=\"me\" />"), std::string::npos);

  RANGE.setCurrent(25);
  RANGE.save();
  std::vector<std::string> rangeValues;
  for (auto& [name, value] : sandbox.storedEntries())
    if (name == "RANGE") rangeValues.push_back(value);
  EXPECT_EQ(rangeValues, (std::vector<std::string>{"25", "25"}));
  EXPECT_EQ(sandbox.storedValue("NO_SUCH_SETTING"), "42");
}

TEST(SettingsFile, ReadersTakeTheFirstMatchAndMissingValuesAsEmpty) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string("<parameters><parameter name=\"a\"/><parameter name=\"y\" value=\"Yes\"/>"
                                   "<parameter name=\"n\" value=\"no\"/><parameter name=\"y\" value=\"0\"/>"
                                   "</parameters>"));
  EXPECT_EQ(gf_readBoolParameter(document, "y"), true);
  EXPECT_EQ(gf_readBoolParameter(document, "n"), false);
  EXPECT_EQ(gf_readBoolParameter(document, "a"), false);
  EXPECT_EQ(gf_readIntParameter(document, "a"), 0);
  EXPECT_EQ(gf_readStringParameter(document, "a"), "");
  EXPECT_EQ(gf_readIntParameter(document, "A"), std::nullopt);  // byte for byte
}

TEST(SettingsFile, FileWithoutRootIsReadAndTheNextSingleSaveAddsRoot) {
  SettingsSandbox sandbox;
  sandbox.writeFile("<parameters>" + entry("RANGE", "65") + entry("BLOCK_CALLSIGN", "DLH4X") + "</parameters>");
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(RANGE.current(), 65);
  EXPECT_EQ(BLOCK_CALLSIGN.current(), "DLH4X");

  sandbox.log().mark();
  AIRBORNE_ONLY.setCurrent(true);
  AIRBORNE_ONLY.save();
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  EXPECT_EQ(sandbox.storedValue("AIRBORNE_ONLY"), "true");
  EXPECT_EQ(sandbox.storedValue("RANGE"), "65");
  EXPECT_EQ(sandbox.storedValue("BLOCK_CALLSIGN"), "DLH4X");
  EXPECT_NE(sandbox.log().text().find("Placing a root level around a new parameters.xml"), std::string::npos);
}

TEST(SettingsFile, UnusableFileAtLoadIsKeptAsZeroCopyAndReplacedByDefaults) {
  struct Case {
    const char* what;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"not XML", "<root><parameters><parameter name=\"RANGE\" value=\"10\"></root"},
      {"no parameters element", "<root><settings/></root>"},
  };
  for (const auto& c : cases) {
    SettingsSandbox sandbox;
    sandbox.writeFile(c.text);
    RANGE.setCurrent(10);
    EXPECT_TRUE(gf_loadParameters()) << c.what;
    EXPECT_EQ(SettingsSandbox::readWhole(gf_perUserFolder() / "parameters0.xml"), c.text) << c.what;
    EXPECT_EQ(sandbox.storedEntries().size(), 60U) << c.what;
    EXPECT_EQ(sandbox.storedValue("RANGE"), "40") << c.what;
  }
}

TEST(SettingsFile, SingleSaveIntoMissingOrCorruptFileLosesNoOtherSetting) {
  for (const bool corrupt : {false, true}) {
    SettingsSandbox sandbox;
    if (corrupt) sandbox.writeFile("<root><parameters>");
    RANGE.setCurrent(25);
    BLOCK_CALLSIGN.setCurrent("BAW1");
    WEEK.setCurrent(true);
    WEEK.save();
    DESTINATION.set("EDDF \"&<\xc3\xbc>");
    EXPECT_EQ(sandbox.storedValue("DESTINATION"), "EDDF \"&<\xc3\xbc>");
    EXPECT_EQ(sandbox.storedEntries().size(), 60U) << corrupt;
    EXPECT_EQ(sandbox.storedValue("WEEK"), "true");
    EXPECT_EQ(sandbox.storedValue("RANGE"), "25");
    EXPECT_EQ(sandbox.storedValue("BLOCK_CALLSIGN"), "BAW1");
    EXPECT_EQ(std::filesystem::exists(gf_perUserFolder() / "parameters0.xml"), corrupt);
  }
}

TEST(SettingsFile, WindowPositionIsClampedAndAnUnparsableFileSetAside) {
  SettingsSandbox sandbox;
  gf_readWindowPosition();  // no file: defaults stay
  EXPECT_EQ(MAIN_WINDOW_X.current(), 400);
  EXPECT_EQ(MAIN_WINDOW_Y.current(), 20);

  sandbox.writeFile(parametersFile(entry("MAIN_WINDOW_X", "50000") + entry("MAIN_WINDOW_Y", "-30001")));
  gf_readWindowPosition();
  EXPECT_EQ(MAIN_WINDOW_X.current(), 30000);
  EXPECT_EQ(MAIN_WINDOW_Y.current(), -30000);

  sandbox.writeFile(parametersFile(entry("MAIN_WINDOW_Y", "7")));
  gf_readWindowPosition();
  EXPECT_EQ(MAIN_WINDOW_X.current(), 400);
  EXPECT_EQ(MAIN_WINDOW_Y.current(), 7);

  sandbox.writeFile("<root>");
  sandbox.log().mark();
  gf_readWindowPosition();
  EXPECT_FALSE(std::filesystem::exists(sandbox.file()));
  EXPECT_EQ(SettingsSandbox::readWhole(gf_perUserFolder() / "parameters0.xml"), "<root>");
  EXPECT_NE(sandbox.log().text().find("failed to load ("), std::string::npos);
}

TEST(SettingsFile, SaveXmlAddsTheDeclarationAndReportsAnUnwritablePlace) {
  testsupport::TempFolder folder;
  pugi::xml_document document;
  document.append_child("root").append_child("a");
  EXPECT_TRUE(gf_saveXml(document, folder.path() / "x.xml"));
  EXPECT_EQ(SettingsSandbox::readWhole(folder.path() / "x.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <a />\n</root>\n");
  EXPECT_FALSE(gf_saveXml(document, folder.path() / "missing" / "x.xml"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporary left
}

} // namespace
} // namespace gwr
