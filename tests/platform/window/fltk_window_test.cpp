// The real FLTK window on a private Xvfb display: painted bands checked pixel
// by pixel in a screenshot, and clicks and keys sent through the X server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <FL/Fl.H>

#include "platform/harness/rgb_image.h"
#include "platform/harness/window_probe.h"
#include "platform/harness/xvfb_server.h"
#include "platform/ui/window.h"

// Xlib and fontconfig keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libfontconfig\nleak:libXft\nleak:libfltk\nleak:libxcb\n";
}

namespace gwr::platform {
namespace {

constexpr ControlId checkBox = 32798;
constexpr ControlId dropDown = 32789;
constexpr ControlId button = 32838;
constexpr ControlId editBox = 32828;
constexpr int clientWidth = 880;
constexpr int clientHeight = 477;
constexpr Rect controlsBand{0, 112, 880, 392};
constexpr Rect messageBand{0, 448, 880, 477};
constexpr Rect simulatorBox{397, 30, 426, 113};
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb lightBlue{153, 204, 255};
constexpr Rgb lime{50, 205, 50};
constexpr Rgb red{255, 0, 0};

std::filesystem::path lf_artefactFolder() {
  const char* chosen = std::getenv("GWR_TEST_ARTEFACTS");
  std::filesystem::path folder = chosen != nullptr ? std::filesystem::path(chosen) / "window" : GWR_WINDOW_ARTEFACTS;
  std::filesystem::create_directories(folder);
  return folder;
}

std::string lf_testName() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

class RealWindow : public ::testing::Test {
protected:
  void SetUp() override {
    std::string whyNot;
    if (testsupport::gf_sharedXvfb(whyNot) == nullptr) GTEST_SKIP() << "No X display for the real window: " << whyNot;
    window = gf_makeDesktopWindow();
    ASSERT_NE(window, nullptr) << "Xvfb runs but its display does not open";
    window->setHandlers(WindowHandlers{[this](Painter& painter) { lf_paint(painter); },
                                       [this](ControlId id, ControlEvent event) {
                                         commands.emplace_back(id, event);
                                         if (react) react(id, event);
                                       },
                                       [this] { ++closeRequests; }});
    const std::string title = "Gatewright " + lf_testName();
    ASSERT_TRUE(window->open(WindowSpec{title, 20, 20, clientWidth, clientHeight, controlsBand}));
    window->addControl(ControlSpec::checkBox(checkBox, 5, 147));
    window->addControl(ControlSpec::dropDown(dropDown, 5, 119, 105, 80));
    window->addControl(ControlSpec::pushButton(button, 758, 341, 90, "Re-read"));
    window->addControl(ControlSpec::editBox(editBox, 107, 259, 100));
    probe = std::make_unique<testsupport::WindowProbe>(*window, title);
    ASSERT_TRUE(probe->settle()) << "the window never showed";
  }

  void TearDown() override {
    probe.reset();
    window.reset();
    Fl::check();
  }

  void lf_paint(Painter& painter) const {
    painter.fillRect(Rect{0, 0, 880, 112}, 0x000000);
    painter.fillRect(controlsBand, 0xFFCC99);
    painter.fillRect(Rect{0, 392, 880, 448}, 0x000000);
    painter.fillRect(messageBand, messageColour);
    painter.line(0, 28, 880, 28, 0xFFFFFF);
    painter.line(0, 113, 880, 113, 0xFFFFFF);
    painter.line(0, 392, 880, 392, 0xFFFFFF);
    painter.line(0, 449, 880, 449, 0xFFFFFF);
    painter.fillRect(simulatorBox, 0x0000FF);
    painter.text(390, 7, "Gatewright", 0x32CD32);
    painter.text(398, 63, "Sim", 0x32CD32);
  }

  // Sends a click and runs the loop until the handler has heard that many commands.
  bool lf_clickAndWait(int x, int y, std::size_t commandsAfter) {
    probe->click(x, y);
    return probe->runUntil([&] { return commands.size() >= commandsAfter; });
  }

  void lf_keep(const testsupport::RgbImage& shot) const {
    EXPECT_TRUE(testsupport::gf_writePng(lf_artefactFolder() / (lf_testName() + ".png"), shot));
  }

  std::unique_ptr<Window> window;
  std::unique_ptr<testsupport::WindowProbe> probe;
  std::vector<std::pair<ControlId, ControlEvent>> commands;
  std::function<void(ControlId, ControlEvent)> react;
  ColourRef messageColour = 0x32CD32;
  int closeRequests = 0;
};

TEST_F(RealWindow, BandsAndTextShowThePaintPixelByPixel) {
  const auto shot = probe->capture();
  lf_keep(shot);
  ASSERT_EQ(shot.width, clientWidth);
  ASSERT_EQ(shot.height, clientHeight);
  EXPECT_TRUE(shot.allOf(Rect{0, 0, 380, 28}, black));
  EXPECT_TRUE(shot.allOf(Rect{0, 28, 880, 29}, white)) << "line (0,28)-(880,28)";
  EXPECT_TRUE(shot.allOf(Rect{0, 29, 397, 112}, black));
  EXPECT_TRUE(shot.allOf(Rect{0, 113, 880, 114}, white));
  EXPECT_EQ(shot.countNot(Rect{0, 290, 700, 392}, lightBlue), 0) << "controls band below the controls";
  EXPECT_TRUE(shot.allOf(Rect{0, 392, 880, 393}, white));
  EXPECT_TRUE(shot.allOf(Rect{0, 393, 880, 448}, black));
  EXPECT_TRUE(shot.allOf(Rect{0, 450, 880, 477}, lime));
  EXPECT_TRUE(shot.allOf(Rect{397, 30, 426, 60}, red)) << "simulator box above its label";
  // Filled rectangles and lines stop short of their right and bottom edges.
  EXPECT_EQ(shot.at(426, 40), black);
  EXPECT_EQ(shot.at(397, 113), white);

  // Text hangs from its top-left corner.
  const Rect around{370, 0, 520, 28};
  int top = around.bottom;
  int bottom = around.top - 1;
  int left = around.right;
  for (int y = around.top; y < around.bottom; ++y)
    for (int x = around.left; x < around.right; ++x)
      if (!(shot.at(x, y) == black)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
      }
  ASSERT_LE(top, bottom) << "no text drawn";
  // Drawn at (390, 7): the glyphs start at or just below and right of that corner.
  EXPECT_GE(top, 7);
  EXPECT_LE(top, 7 + 5);
  EXPECT_GE(left, 390);
  EXPECT_LE(left, 390 + 3);
  EXPECT_LT(bottom, 28);
}

TEST_F(RealWindow, CheckBoxClickReachesTheHandlerAndOnlyTheHandlerChecksIt) {
  const Rect box{5, 149, 17, 161};
  const auto before = probe->capture().crop(box);
  // While the handler decides, the box still shows the program's check (a
  // message box opened there would repaint it).
  int shownDuringHandler = -1;
  react = [&](ControlId, ControlEvent) { shownDuringHandler = probe->buttonValueAt(11, 155); };
  ASSERT_TRUE(lf_clickAndWait(11, 155, 1)) << "the click never reached the handler";
  EXPECT_EQ(shownDuringHandler, 0);
  EXPECT_EQ(commands[0], std::make_pair(checkBox, ControlEvent::clicked));
  EXPECT_FALSE(window->isChecked(checkBox));
  EXPECT_EQ(probe->capture().crop(box), before) << "the box toggled by itself";

  react = [this](ControlId id, ControlEvent) { window->setCheck(id, !window->isChecked(id)); };
  ASSERT_TRUE(lf_clickAndWait(11, 155, 2));
  EXPECT_TRUE(window->isChecked(checkBox));
  const auto checked = probe->capture();
  lf_keep(checked);
  EXPECT_NE(checked.crop(box), before) << "the program's check is not shown";
  ASSERT_TRUE(lf_clickAndWait(11, 155, 3));
  EXPECT_FALSE(window->isChecked(checkBox));
  EXPECT_EQ(probe->capture().crop(box), before);
}

TEST_F(RealWindow, DisabledButtonIgnoresClicksAndEnabledOneReports) {
  probe->click(800, 350);
  probe->runUntil([] { return false; }, 0.3);
  EXPECT_TRUE(commands.empty()) << "push buttons start disabled";
  window->enable(button, true);
  ASSERT_TRUE(lf_clickAndWait(800, 350, 1));
  EXPECT_EQ(commands[0], std::make_pair(button, ControlEvent::clicked));
}

TEST_F(RealWindow, TypedTextAndEnterReachTheProgram) {
  window->enable(editBox, true);
  probe->click(150, 266);
  probe->runUntil([] { return false; }, 0.2);
  probe->type("klm1234");
  probe->pressReturn();
  ASSERT_TRUE(probe->runUntil([&] { return !commands.empty(); })) << "Enter never reached the handler";
  EXPECT_EQ(commands[0], std::make_pair(editBox, ControlEvent::enterPressed));
  EXPECT_EQ(window->text(editBox), "klm1234") << "Enter must not add to the text";
  window->setText(editBox, "KLM1234");  // the program shows its value again
  probe->settle();
  EXPECT_EQ(window->text(editBox), "KLM1234");
}

TEST_F(RealWindow, PickingFromTheDropDownSelectsAndTellsTheHandler) {
  for (const char* item : {"MSFS 2020", "MSFS 2024", "A&B @home/1|2"}) window->addListItem(dropDown, item);
  std::optional<ListSelection> seen;
  react = [&](ControlId id, ControlEvent) { seen = window->selection(id); };
  window->selectListItem(dropDown, "MSFS 2020");
  probe->settle();
  probe->pressDownsThenReturnLater(2, 0.3);
  ASSERT_TRUE(lf_clickAndWait(50, 124, 1)) << "no selection reached the handler";
  EXPECT_EQ(commands[0], std::make_pair(dropDown, ControlEvent::selectionChanged));
  EXPECT_EQ(seen, (ListSelection{2, "A&B @home/1|2"})) << "the entries are listed as they are, in order";
  lf_keep(probe->capture());
}

TEST_F(RealWindow, RequestsFromAnotherThreadRepaintOnTheWindowThread) {
  std::thread other([this] {
    window->post([this] { messageColour = 0x0000FF; });
    window->invalidate(messageBand);
    window->setCheck(checkBox, true);
  });
  other.join();
  ASSERT_TRUE(probe->runUntil([this] { return messageColour == 0x0000FF; }));
  const auto shot = probe->capture();
  lf_keep(shot);
  EXPECT_TRUE(shot.allOf(Rect{0, 450, 880, 477}, red));
  EXPECT_TRUE(window->isChecked(checkBox));
}

TEST_F(RealWindow, CloseButtonOnlyAsksAndEscapeDoesNothing) {
  probe->click(600, 200);
  probe->pressEscape();
  probe->runUntil([] { return false; }, 0.3);
  EXPECT_EQ(closeRequests, 0);
  probe->pressCloseButton();
  ASSERT_TRUE(probe->runUntil([this] { return closeRequests == 1; }));
  EXPECT_TRUE(window->runOnce(0)) << "the window stays until the program quits";
  window->quit(5);
  EXPECT_FALSE(window->runOnce(0));
  EXPECT_EQ(window->exitCode(), 5);
}

TEST_F(RealWindow, PlacementAndTheScreensWorkArea) {
  EXPECT_EQ(window->windowRect(), (Rect{20, 20, 20 + clientWidth, 20 + clientHeight}));
  EXPECT_EQ(window->workAreaNearest(Rect{-500, -500, 380, -23}), (Rect{0, 0, 1280, 1024})) << "the one Xvfb screen";
  window->moveTo(100, 50);
  window->setTopmost(true);  // no window manager here to keep it on top; it must only not fail
  probe->settle();
  EXPECT_EQ(window->windowRect(), (Rect{100, 50, 100 + clientWidth, 50 + clientHeight}));
}

TEST_F(RealWindow, MessageBoxWaitsForTheUserWhilePostedWorkGoesOn) {
  bool ranInsideTheBox = false;
  std::thread other([this, &ranInsideTheBox] {
    window->post([&ranInsideTheBox] { ranInsideTheBox = Fl::modal() != nullptr; });
  });
  other.join();
  probe->closeModalLater(0.3);
  window->messageBox("Could not open File Explorer at tblo.zip.", "GWRT", MessageIcon::exclamation);
  EXPECT_EQ(probe->closedModalTitle(), "GWRT");
  EXPECT_TRUE(ranInsideTheBox) << "posted work must not wait for the box to close";
}

} // namespace
} // namespace gwr::platform
