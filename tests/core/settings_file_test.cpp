// parameters.xml: a new file from the defaults, reading back a stored file,
// damaged files, single saves and writing through a temporary file.
#include "core/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings_catalogue.h"
#include "core/xml_parameter.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

using testsupport::SettingsSandbox;

std::string lf_file(const std::string& entries) {
  return "<?xml version=\"1.0\"?>\n<root><parameters>" + entries + "</parameters></root>\n";
}
std::string lf_entry(const std::string& name, const std::string& value) {
  return "<parameter name=\"" + name + "\" value=\"" + value + "\"/>";
}
std::string lf_zeroCopy() { return SettingsSandbox::readWhole(gf_perUserFolder() / "parameters0.xml"); }

TEST(SettingsFile, StoredValuesAreReadAndOutOfRangeNumbersClampedInMemoryOnly) {
  const struct { NumberParameter<std::int32_t>* parameter; std::string stored; std::int32_t expected; } cases[] = {
      {&RANGE, "1000", 100},                   // above max
      {&CUSTOM_PARKING_PERCENTAGE, "-5", -1},  // below min
      {&MAX_HOLDING_MINUTES, "abc", 1},        // no number reads 0, then clamped
      {&MAX_FIT, "0x10", 16},                  // hexadecimal
      {&MAIN_WINDOW_X, "-30000", -30000},      // the boundary itself
  };
  SettingsSandbox sandbox;
  std::string entries = lf_entry("WEEK", "yes") + lf_entry("SIM_CHOICE", "MSFS 2024");
  for (const auto& c : cases) entries += lf_entry(c.parameter->key, c.stored);
  sandbox.writeFile(lf_file(entries));
  EXPECT_FALSE(gf_loadParameters());
  for (const auto& c : cases) {
    EXPECT_EQ(c.parameter->current(), c.expected) << c.parameter->key;
    EXPECT_EQ(sandbox.storedValue(c.parameter->key), c.stored) << c.parameter->key;
  }
  EXPECT_TRUE(WEEK.current());
  EXPECT_EQ(SIM_CHOICE.current(), "MSFS 2024");
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);  // missing ones appended with defaults, nothing twice
  EXPECT_EQ(sandbox.storedValue("AUTO_RANGE"), "true");
}

// What the user put in a loaded file stays on write-back and single saves;
// only a file written anew holds the program's own settings alone.
TEST(SettingsFile, UnknownEntriesElementsAndAttributesAreKeptUntilTheFileIsWrittenAnew) {
  SettingsSandbox sandbox;
  sandbox.writeFile("<?xml version=\"1.0\"?>\n<root><mine a=\"1\"><deep>text</deep></mine><parameters>" +
                    lf_entry("RANGE", "10") + lf_entry("NO_SUCH_SETTING", "42") +
                    "<parameter name=\"RANGE\" value=\"20\" note=\"x\"><why>two</why></parameter>"
                    "<other keep=\"me\"/></parameters></root>\n");
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(RANGE.current(), 10);  // the first of two equal keys
  RANGE.setCurrent(25);
  RANGE.save();
  std::vector<std::string> rangeValues;
  for (auto& [name, value] : sandbox.storedEntries())
    if (name == "RANGE") rangeValues.push_back(value);
  EXPECT_EQ(rangeValues, (std::vector<std::string>{"25", "25"}));
  EXPECT_EQ(sandbox.storedValue("NO_SUCH_SETTING"), "42");
  const std::string kept[] = {"<mine a=\"1\">", "<deep>text</deep>", "note=\"x\"", "<why>two</why>",
                              "<other keep=\"me\" />"};
  for (const std::string& part : kept) EXPECT_NE(sandbox.fileText().find(part), std::string::npos) << part;

  gf_saveParameters(false);
  for (const std::string& part : kept) EXPECT_EQ(sandbox.fileText().find(part), std::string::npos) << part;
  EXPECT_EQ(sandbox.storedValue("NO_SUCH_SETTING"), "<missing>");
  EXPECT_EQ(sandbox.storedValue("RANGE"), "25");
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
}

TEST(SettingsFile, FileWithoutRootIsReadAndTheNextSingleSaveAddsRoot) {
  SettingsSandbox sandbox;
  sandbox.writeFile("<parameters>" + lf_entry("RANGE", "65") + lf_entry("BLOCK_CALLSIGN", "DLH4X") + "<mine/></parameters><notes>kept</notes>");
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(RANGE.current(), 65);
  AIRBORNE_ONLY.setCurrent(true);
  AIRBORNE_ONLY.save();
  EXPECT_EQ(sandbox.storedEntries().size(), 60U);
  EXPECT_EQ(sandbox.storedValue("AIRBORNE_ONLY") + sandbox.storedValue("RANGE") +
                sandbox.storedValue("BLOCK_CALLSIGN"), "true65DLH4X");
  // The root goes around the user's own elements too.
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(sandbox.file().c_str()));
  EXPECT_TRUE(document.child("root").child("parameters").child("mine"));
  EXPECT_STREQ(document.child("root").child("notes").text().get(), "kept");
}

std::size_t lf_count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Whichever writer meets a file without root first, the loader or a single
// save before any load, says so once and puts the root around the user's own
// file: nothing in it is lost, not even values not yet loaded.
TEST(SettingsFile, ARootlessFileGetsItsRootAroundEverythingTheUserWrote) {
  const std::string placing = "Placing a root level around a new parameters.xml to make it 100% xml compliance";
  const struct {
    const char* writer;
    void (*write)();
    const char* airborneOnly;  // stored afterwards
  } rows[] = {
      {"load", [] { EXPECT_FALSE(gf_loadParameters()); }, "false"},
      {"single save", [] {
         AIRBORNE_ONLY.setCurrent(true);
         AIRBORNE_ONLY.save();
       }, "true"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.writer);
    SettingsSandbox sandbox;
    RANGE.setCurrent(40);
    sandbox.writeFile("<!-- mine -->\n<parameters>" + lf_entry("RANGE", "65") + lf_entry("AIRBORNE_ONLY", "false") +
                      "<mine/></parameters><!-- notes follow --><notes>kept</notes>");
    row.write();
    EXPECT_EQ(lf_count(sandbox.log().text(), placing), 1U) << sandbox.log().text();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(sandbox.file().c_str(), pugi::parse_default | pugi::parse_comments));
    const pugi::xml_node root = document.child("root");
    EXPECT_TRUE(root.child("parameters").child("mine"));
    EXPECT_STREQ(root.child("notes").text().get(), "kept");
    EXPECT_STREQ(document.first_child().value(), " mine ");  // the prolog stays outside
    EXPECT_STREQ(root.first_child().next_sibling().value(), " notes follow ");
    EXPECT_EQ(sandbox.storedValue("RANGE"), "65");
    EXPECT_EQ(sandbox.storedValue("AIRBORNE_ONLY"), row.airborneOnly);
  }
  SettingsSandbox sandbox;  // a file with its root is left as it is
  sandbox.writeFile(lf_file(lf_entry("RANGE", "65")));
  EXPECT_FALSE(gf_loadParameters());
  RANGE.save();
  EXPECT_EQ(lf_count(sandbox.log().text(), placing), 0U);
}

// Comments, processing instructions and the DOCTYPE stay where the user put
// them, and writing back again and again gives the same bytes. The
// declaration is the program's own; a sloppy one does not make the file damaged.
TEST(SettingsFile, TheUsersCommentsInstructionsAndDoctypeAreKept) {
  SettingsSandbox sandbox;
  sandbox.writeFile("<?xml version=1.0?>\n"
                    "<!DOCTYPE root [ <!ENTITY gw \"Gatewright\"> ]>\n"
                    "<?my-tool keep=\"1\"?>\n<!-- edited by hand -->\n"
                    "<root><!-- in root --><parameters><!-- before RANGE -->"
                    "<parameter name=\"RANGE\" value=\"30\"><!-- inside --></parameter><?in-parameters x?>"
                    "</parameters></root>\n<!-- after root -->\n");
  EXPECT_FALSE(gf_loadParameters());
  const std::string first = sandbox.fileText();
  const std::string kept[] = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                              "<!DOCTYPE root [ <!ENTITY gw \"Gatewright\"> ]>",
                              "<?my-tool keep=\"1\"?>",
                              "<!-- edited by hand -->",
                              "<!-- in root -->",
                              "<!-- before RANGE -->",
                              "<!-- inside -->",
                              "<?in-parameters x?>",
                              "<!-- after root -->"};
  std::size_t previous = 0;
  for (const std::string& part : kept) {
    const std::size_t at = first.find(part, previous);
    EXPECT_NE(at, std::string::npos) << part << " lost or moved\n" << first;
    if (at != std::string::npos) previous = at;
  }
  EXPECT_EQ(RANGE.current(), 30);
  RANGE.setCurrent(31);
  RANGE.save();
  RANGE.setCurrent(30);
  RANGE.save();
  EXPECT_FALSE(gf_loadParameters());
  EXPECT_EQ(sandbox.fileText(), first);
}

TEST(SettingsFile, UnusableFileAtLoadIsKeptAsZeroCopyAndReplacedByDefaults) {
  for (const std::string text : {"<root><parameters><parameter name=\"RANGE\" value=\"10\"></root",  // not XML
                                 "<root><settings/></root>"}) {                                       // no parameters
    SCOPED_TRACE(text);
    SettingsSandbox sandbox;
    sandbox.writeFile(text);
    RANGE.setCurrent(10);
    EXPECT_TRUE(gf_loadParameters());
    EXPECT_EQ(lf_zeroCopy(), text);
    EXPECT_EQ(sandbox.storedEntries().size(), 60U);
    EXPECT_EQ(sandbox.storedValue("RANGE"), "40");
  }
}

TEST(SettingsFile, SingleSaveIntoMissingOrCorruptFileLosesNoOtherSetting) {
  for (const bool corrupt : {false, true}) {
    SCOPED_TRACE(corrupt);
    SettingsSandbox sandbox;
    if (corrupt) sandbox.writeFile("<root><parameters>");
    RANGE.setCurrent(25);
    BLOCK_CALLSIGN.setCurrent("BAW1");
    WEEK.setCurrent(true);
    WEEK.save();
    DESTINATION.set("EDDF \"&<\xc3\xbc>");
    EXPECT_EQ(sandbox.storedEntries().size(), 60U);
    EXPECT_EQ(sandbox.storedValue("DESTINATION"), "EDDF \"&<\xc3\xbc>");
    EXPECT_EQ(sandbox.storedValue("WEEK") + sandbox.storedValue("RANGE") + sandbox.storedValue("BLOCK_CALLSIGN"),
              "true25BAW1");
    EXPECT_EQ(std::filesystem::exists(gf_perUserFolder() / "parameters0.xml"), corrupt);
  }
}

TEST(SettingsFile, SaveXmlAddsTheDeclarationWritesThroughATemporaryAndReportsAnUnwritablePlace) {
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
