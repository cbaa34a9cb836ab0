// The main window's controls on the real FLTK window under Xvfb, clicked and
// typed into through the X server: each change reaches parameters.xml.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include <FL/Fl.H>

#include "app/window/command_handlers.h"
#include "app/window/controls_fixture.h"
#include "app/window/message_line.h"
#include "app/window/window_controls.h"
#include "core/settings_file.h"
#include "platform/harness/rgb_image.h"
#include "platform/harness/window_probe.h"
#include "platform/harness/xvfb_server.h"
#include "platform/ui/window.h"

namespace gwr {
namespace {

class ControlsClickThrough : public ::testing::Test {
protected:
  void SetUp() override {
    std::string whyNot;
    if (testsupport::gf_sharedXvfb(whyNot) == nullptr) GTEST_SKIP() << "No X display for the real window: " << whyNot;
    testsupport::resetControlFlags();
    sandbox = std::make_unique<testsupport::SettingsSandbox>();
    sandbox->writeFile(R"(<root><parameters>)"
                       R"(<parameter name="PROGRAM_VERSION" value="12.5.5"/>)"
                       R"(<parameter name="AIRBORNE_ONLY" value="false"/>)"
                       R"(<parameter name="MAX_LIVE_SEL" value="0"/>)"
                       R"(<parameter name="MATCHING_DEPTH" value="1"/>)"
                       R"(<parameter name="AUTO_RANGE" value="false"/>)"
                       R"(<parameter name="BLOCK_CALLSIGN" value=""/>)"
                       R"(<parameter name="PORT_NUMBER" value="10888"/>)"
                       "</parameters></root>");
    gf_loadParameters();
    window = platform::gf_makeDesktopWindow();
    ASSERT_NE(window, nullptr) << "Xvfb runs but its display does not open";
    window->setHandlers(platform::WindowHandlers{
        [](platform::Painter& painter) { painter.fillRect(controlsBand, 0xFFCC99); },
        [](platform::ControlId id, platform::ControlEvent event) { lf_handleCommand(id, event); }, [] {}});
    const std::string title = "Gatewright controls";
    ASSERT_TRUE(window->open(platform::WindowSpec{title, 20, 20, 880, 477, controlsBand}));
    platform::gf_setControlSurface(window.get());
    gf_installStatusLine(&gf_messageLine());
    lf_createControls(*window);
    lf_enableControlsAfterStart();
    probe = std::make_unique<testsupport::WindowProbe>(*window, title);
    ASSERT_TRUE(probe->settle()) << "the window never showed";
  }

  void TearDown() override {
    platform::gf_setControlSurface(nullptr);
    gf_installStatusLine(nullptr);
    gf_messageLine().clearError(true);
    probe.reset();
    window.reset();
    Fl::check();
    sandbox.reset();
    testsupport::resetControlFlags();
  }

  std::string stored(const Parameter& p) const { return sandbox->storedValue(p.key); }

  std::unique_ptr<testsupport::SettingsSandbox> sandbox;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<testsupport::WindowProbe> probe;
};

TEST_F(ControlsClickThrough, ACheckBoxADropDownAndATextBoxReachParametersXml) {
  ASSERT_EQ(stored(AIRBORNE_ONLY), "false");

  // AIRBORNE_ONLY's box: 12 x 12 at (572, 231 + 2).
  probe->click(578, 239);
  ASSERT_TRUE(probe->runUntil([] { return AIRBORNE_ONLY.current(); })) << "the click never reached the handler";
  EXPECT_EQ(stored(AIRBORNE_ONLY), "true");
  EXPECT_TRUE(window->isChecked(AIRBORNE_ONLY.controlId));

  // MAX_LIVE_SEL's list at (536, 315 - 5): from 0 two entries down is 25.
  probe->pressDownsThenReturnLater(2, 0.3);
  probe->click(560, 318);
  ASSERT_TRUE(probe->runUntil([] { return MAX_LIVE_SEL.current() == 25; })) << "no selection reached the handler";
  EXPECT_EQ(stored(MAX_LIVE_SEL), "25");
  EXPECT_TRUE(liveLimitRequested.load());

  // MATCHING_DEPTH's list of 1 to 4 at (217, 203 - 5): entries that read like
  // the list's own positions stay entries of their own.
  probe->pressDownsThenReturnLater(2, 0.3);
  probe->click(235, 206);
  ASSERT_TRUE(probe->runUntil([] { return MATCHING_DEPTH.current() != 1; })) << "no selection reached the handler";
  EXPECT_EQ(stored(MATCHING_DEPTH), "3");
  EXPECT_TRUE(noMatchResetRequested.load());

  // BLOCK_CALLSIGN's box at (107, 259), 100 x 16.
  probe->click(150, 266);
  probe->runUntil([] { return false; }, 0.2);
  probe->type("klm1234");
  probe->pressReturn();
  ASSERT_TRUE(probe->runUntil([] { return BLOCK_CALLSIGN.current() == "KLM1234"; })) << "Enter never reached the box";
  EXPECT_EQ(stored(BLOCK_CALLSIGN), "KLM1234");
  EXPECT_EQ(window->text(BLOCK_CALLSIGN.controlId), "KLM1234");
  EXPECT_EQ(stored(PORT_NUMBER), "10888") << "the other settings stay";

  EXPECT_TRUE(testsupport::gf_keepPicture("ControlsClickThrough", probe->capture()));
}

// Each list opens under its field and, with the field, takes no more than
// the table's list height: RANGE (217, 231, 50 wide, 200) has entries enough
// to fill it, MATCHING_DEPTH (217, 203, 40 wide, 120) only four.
TEST_F(ControlsClickThrough, ListsOpenWithinTheirTablesListHeights) {
  const struct { const ControlBinding* list; int x, y, width, listHeight; bool filled; } cases[] = {
      {&RANGE, 217, 231, 50, 200, true},
      {&MATCHING_DEPTH, 217, 203, 40, 120, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list->controlId);
    ASSERT_TRUE(window->isEnabled(c.list->controlId));
    const int fieldTop = c.y - 5;
    probe->noteOpenListThenEscapeLater(0.3);
    probe->click(c.x + c.width / 2, fieldTop + 10);
    ASSERT_TRUE(probe->runUntil([this] { return probe->openList().has_value(); })) << "no list opened";
    const platform::Rect open = *probe->openList();
    EXPECT_EQ(std::tuple(open.left, open.top, open.right), std::tuple(c.x, fieldTop + 21, c.x + c.width));
    if (c.filled) {
      EXPECT_EQ(open.bottom, fieldTop + c.listHeight);
    } else {
      EXPECT_LT(open.bottom, fieldTop + c.listHeight);
    }
    probe->settle();
  }
}

} // namespace
} // namespace gwr
