// The control surface's rules on the headless backend: what each kind shows
// when made, exact list selection, missing controls, and colour conversion.
#include "platform/ui/controls.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/ui/ui_types.h"

namespace gwr::platform {
namespace {

TEST(UiColours, ProgramColoursAreBlueGreenRed) {
  // Written by hand: the program's value and the RGB a screen shows for it.
  const std::vector<std::tuple<ColourRef, Rgb>> cases{
      {0xFFCC99, {153, 204, 255}},  // light blue of the controls band
      {0x32CD32, {50, 205, 50}},    // lime
      {0x00FFFF, {255, 255, 0}},    // yellow
      {0x0000FF, {255, 0, 0}},      // red
      {0xA0A0A0, {160, 160, 160}},  // grey
      {0x000000, {0, 0, 0}},
      {0xFFFFFF, {255, 255, 255}},
      {0xAB123456, {0x56, 0x34, 0x12}},  // the top byte is not a colour
  };
  for (const auto& [colour, rgb] : cases) EXPECT_EQ(gf_rgbOf(colour), rgb) << std::hex << colour;
}

TEST(UiControls, EachKindStartsAsThePlatformMakesIt) {
  HeadlessControlSurface surface;
  surface.createControl(ControlSpec::checkBox(1, 5, 147));
  surface.createControl(ControlSpec::dropDown(2, 5, 119, 105, 80));
  surface.createControl(ControlSpec::pushButton(3, 758, 341, 90, "Re-read"));
  surface.createControl(ControlSpec::editBox(4, 111, 119, 1200));
  surface.createControl(5);  // the settings tests' bare control
  const std::vector<std::tuple<ControlId, bool, std::string>> expected{
      {1, true, ""}, {2, true, ""}, {3, false, "Re-read"}, {4, false, ""}, {5, false, ""}};
  for (const auto& [id, enabled, text] : expected) {
    EXPECT_EQ(surface.isEnabled(id), enabled) << id;
    EXPECT_EQ(surface.text(id), text) << id;
    EXPECT_FALSE(surface.isChecked(id)) << id;
  }
  surface.enable(3, true);
  surface.setCheck(1, true);
  surface.createControl(ControlSpec::checkBox(1, 5, 147));  // made again: keeps its state
  EXPECT_TRUE(surface.isEnabled(3));
  EXPECT_TRUE(surface.isChecked(1));
  surface.enable(3, false);
  EXPECT_FALSE(surface.isEnabled(3));
}

TEST(UiControls, DropDownSelectsAnEqualEntryOrTheFirstThatBeginsWithTheText) {
  HeadlessControlSurface surface;
  constexpr ControlId list = 7;
  surface.createControl(ControlSpec::dropDown(list, 0, 0, 50, 100));
  for (const char* item : {"MSFS 2020", "MSFS 2024", "MSFS", "MSFS 2024", "Äpfel & Birnen/1"})
    surface.addListItem(list, item);

  const std::vector<std::tuple<std::string, bool, std::optional<std::size_t>>> cases{
      {"MSFS 2024", true, 1U},        // the first of two equal entries
      {"MSFS", true, 2U},             // not the first entry it is a prefix of
      {"msfs", false, std::nullopt},  // case counts
      {"MSFS ", false, std::nullopt},
      {"", false, std::nullopt},
      {"Äpfel & Birnen/1", true, 4U},
  };
  for (const auto& [text, found, selected] : cases) {
    EXPECT_EQ(surface.selectListItem(list, text), found) << text;
    EXPECT_EQ(surface.state(list)->selected, selected) << text;
    if (found) {
      EXPECT_EQ(surface.text(list), text) << "a list shows its selected entry";
    }
  }
  // A string search: the first entry that begins with the text, any letter case.
  const std::vector<std::tuple<std::string, std::optional<std::size_t>>> prefixCases{
      {"msfs 2024", 1U}, {"MSFS", 0U}, {"", 0U}, {"äpfel", std::nullopt}, {"Äpfel", 4U}, {"MSFS 20245", std::nullopt}};
  for (const auto& [text, selected] : prefixCases) {
    EXPECT_EQ(surface.selectListPrefix(list, text), selected.has_value()) << text;
    EXPECT_EQ(surface.state(list)->selected, selected) << text;
  }
  EXPECT_FALSE(surface.selectListPrefix(99, "MSFS"));
  surface.setText(list, "MSFS 2020");  // a drop-down selects the equal entry
  EXPECT_EQ(surface.selection(list), (ListSelection{0, "MSFS 2020"}));
  surface.resetList(list);
  EXPECT_EQ(surface.selection(list), std::nullopt);
  EXPECT_TRUE(surface.state(list)->items.empty());
}

TEST(UiControls, MissingControlsChangeNothingAndReadEmpty) {
  HeadlessControlSurface surface;
  constexpr ControlId missing = 99;
  surface.resetList(missing);
  surface.addListItem(missing, "a");
  EXPECT_FALSE(surface.selectListItem(missing, "a"));
  surface.setCheck(missing, true);
  surface.setText(missing, "text");
  surface.enable(missing, true);
  EXPECT_FALSE(surface.hasControl(missing));
  EXPECT_EQ(surface.state(missing), std::nullopt);
  EXPECT_FALSE(surface.isChecked(missing));
  EXPECT_FALSE(surface.isEnabled(missing));
  EXPECT_EQ(surface.text(missing), "");
  EXPECT_EQ(surface.selection(missing), std::nullopt);
}

TEST(UiControls, InstalledSurfaceTakesTheSettingsAndNullGoesBack) {
  HeadlessControlSurface mine;
  gf_setControlSurface(&mine);
  EXPECT_EQ(&gf_controlSurface(), &mine);
  gf_controlSurface().invalidateSettingsArea();
  EXPECT_EQ(mine.settingsAreaInvalidations(), 1);
  gf_setControlSurface(nullptr);
  EXPECT_EQ(&gf_controlSurface(), &gf_headlessControlSurface());
}

} // namespace
} // namespace gwr::platform
