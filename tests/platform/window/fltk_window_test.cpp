// The real FLTK window on a private Xvfb display: the shared window behaviour
// with clicks and keys sent through the X server, and what only a screen
// shows: painted bands pixel by pixel, repaints asked from another thread
// and the message box.
#include <gtest/gtest.h>

#include <FL/Fl.H>

#include "platform/harness/rgb_image.h"
#include "platform/harness/window_probe.h"
#include "platform/harness/xvfb_server.h"
#include "platform/window_behaviour.h"

// Xlib and fontconfig keep caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libfontconfig\nleak:libXft\nleak:libfltk\nleak:libxcb\n";
}

namespace gwr::platform {
namespace {

using namespace behaviour;

// Where the controls of the shared suite are clicked.
struct Spot {
  ControlId id;
  int x, y;
};
constexpr Spot spots[] = {{checkBox, 11, 155}, {dropDown, 50, 124}, {button, 800, 350}, {editBox, 150, 266}};

class ScreenUser final : public WindowUser {
public:
  ScreenUser() : real(gf_makeDesktopWindow()) {}
  ~ScreenUser() override {
    probe.reset();
    real.reset();
    Fl::check();
  }
  Window& window() override { return *real; }
  bool shown(const std::string& title) override {
    probe = std::make_unique<testsupport::WindowProbe>(*real, title);
    return probe->settle();
  }
  void click(ControlId id) override {
    for (const Spot& s : spots)
      if (s.id == id) probe->click(s.x, s.y);
  }
  void typeThenEnter(ControlId id, const std::string& keys) override {
    click(id);
    probe->runUntil([] { return false; }, 0.2);
    probe->type(keys);
    probe->pressReturn();
  }
  void choose(ControlId id, int downs) override {
    probe->settle();
    probe->pressDownsThenReturnLater(downs, 0.3);
    click(id);
  }
  void pressClose() override { probe->pressCloseButton(); }
  void pressEscape() override {
    probe->click(600, 200);
    probe->pressEscape();
  }
  Rect screen() const override { return Rect{0, 0, 1280, 1024}; }  // Xvfb's
  bool runUntil(const std::function<bool()>& done, double seconds) override { return probe->runUntil(done, seconds); }
  std::optional<int> shownCheck() override { return probe->buttonValueAt(11, 155); }
  std::optional<std::vector<std::uint8_t>> pixels(const Rect& area) override {
    probe->settle();
    return probe->capture().crop(area).pixels;
  }

  std::unique_ptr<Window> real;
  std::unique_ptr<testsupport::WindowProbe> probe;
};

std::unique_ptr<WindowUser> screenBackend(std::string& whyNot) {
  if (testsupport::gf_sharedXvfb(whyNot) == nullptr) {
    whyNot = "No X display for the real window: " + whyNot;
    return nullptr;
  }
  auto user = std::make_unique<ScreenUser>();
  if (user->real == nullptr) whyNot = "Xvfb runs but its display does not open";
  return user->real != nullptr ? std::move(user) : nullptr;
}

INSTANTIATE_TEST_SUITE_P(RealWindow, WindowBehaviour, ::testing::Values(&screenBackend));

constexpr Rect messageBand{0, 448, 880, 477};
constexpr Rgb black{0, 0, 0};
constexpr Rgb white{255, 255, 255};
constexpr Rgb lightBlue{153, 204, 255};
constexpr Rgb lime{50, 205, 50};
constexpr Rgb red{255, 0, 0};

class RealWindowScreen : public WindowBehaviour {
protected:
  testsupport::WindowProbe& probe() { return *static_cast<ScreenUser&>(*user).probe; }
  testsupport::RgbImage shot() {
    const auto picture = probe().capture();
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    EXPECT_TRUE(testsupport::gf_keepPicture(name.substr(0, name.find('/')), picture));
    return picture;
  }
};

TEST_P(RealWindowScreen, BandsTextAndRepaintsShowThePaintPixelByPixel) {
  ColourRef messageColour = 0x32CD32;
  window().setHandlers(WindowHandlers{[&messageColour](Painter& painter) {
                                        painter.fillRect(Rect{0, 0, 880, 112}, 0x000000);
                                        painter.fillRect(settingsBand, 0xFFCC99);
                                        painter.fillRect(Rect{0, 392, 880, 448}, 0x000000);
                                        painter.fillRect(messageBand, messageColour);
                                        painter.line(0, 28, 880, 28, 0xFFFFFF);
                                        painter.line(0, 113, 880, 113, 0xFFFFFF);
                                        painter.line(0, 392, 880, 392, 0xFFFFFF);
                                        painter.line(0, 449, 880, 449, 0xFFFFFF);
                                        painter.fillRect(Rect{397, 30, 426, 113}, 0x0000FF);
                                        painter.text(390, 7, "Gatewright", 0x32CD32);
                                        painter.text(398, 63, "Sim", 0x32CD32);
                                      },
                                      {}, {}});
  window().invalidateAll();
  probe().settle();
  const auto picture = shot();
  ASSERT_EQ(picture.width, 880);
  ASSERT_EQ(picture.height, 477);
  EXPECT_TRUE(picture.allOf(Rect{0, 0, 380, 28}, black));
  EXPECT_TRUE(picture.allOf(Rect{0, 28, 880, 29}, white)) << "line (0,28)-(880,28)";
  EXPECT_TRUE(picture.allOf(Rect{0, 29, 397, 112}, black));
  EXPECT_TRUE(picture.allOf(Rect{0, 113, 880, 114}, white));
  EXPECT_EQ(picture.countNot(Rect{0, 290, 700, 392}, lightBlue), 0) << "controls band below the controls";
  EXPECT_TRUE(picture.allOf(Rect{0, 392, 880, 393}, white));
  EXPECT_TRUE(picture.allOf(Rect{0, 393, 880, 448}, black));
  EXPECT_TRUE(picture.allOf(Rect{0, 450, 880, 477}, lime));
  EXPECT_TRUE(picture.allOf(Rect{397, 30, 426, 60}, red)) << "simulator box above its label";
  // Filled rectangles and lines stop short of their right and bottom edges.
  EXPECT_EQ(picture.at(426, 40), black);
  EXPECT_EQ(picture.at(397, 113), white);

  // Text hangs from its top-left corner: drawn at (390, 7), the glyphs start
  // at or just below and right of that corner.
  int top = 28, bottom = -1, left = 520;
  for (int y = 0; y < 28; ++y)
    for (int x = 370; x < 520; ++x)
      if (!(picture.at(x, y) == black)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        left = std::min(left, x);
      }
  ASSERT_LE(top, bottom) << "no text drawn";
  EXPECT_GE(top, 7);
  EXPECT_LE(top, 7 + 5);
  EXPECT_GE(left, 390);
  EXPECT_LE(left, 390 + 3);
  EXPECT_LT(bottom, 28);

  // A repaint asked from another thread is drawn on the window thread.
  std::thread other([&] {
    window().post([&messageColour] { messageColour = 0x0000FF; });
    window().invalidate(messageBand);
  });
  other.join();
  ASSERT_TRUE(probe().runUntil([&] { return messageColour == 0x0000FF; }));
  probe().settle();
  EXPECT_TRUE(shot().allOf(Rect{0, 450, 880, 477}, red));
}

TEST_P(RealWindowScreen, MessageBoxWaitsForTheUserWhilePostedWorkGoesOn) {
  bool ranInsideTheBox = false;
  std::thread other([this, &ranInsideTheBox] {
    window().post([&ranInsideTheBox] { ranInsideTheBox = Fl::modal() != nullptr; });
  });
  other.join();
  probe().closeModalLater(0.3);
  window().messageBox("Could not open File Explorer at tblo.zip.", "GWRT", MessageIcon::exclamation);
  EXPECT_EQ(probe().closedModalTitle(), "GWRT");
  EXPECT_TRUE(ranInsideTheBox) << "posted work must not wait for the box to close";
}

// The title bar is as tall as the window manager says once it framed the
// window; one that has not yet is taken for a common size after a while.
TEST_P(RealWindowScreen, TheTitleBarIsWhatTheWindowManagerSays) {
  testsupport::WindowProbe::windowManagerRuns();
  probe().framedWithTitleBar(27);
  EXPECT_EQ(window().titleBarHeight(), 27);
  probe().framedWithTitleBar(0);
  EXPECT_EQ(window().titleBarHeight(), 0);
  testsupport::WindowProbe::windowManagerGone();
  probe().framedWithTitleBar(27);
  EXPECT_EQ(window().titleBarHeight(), 0);  // a leftover frame of no window manager
}

INSTANTIATE_TEST_SUITE_P(RealWindow, RealWindowScreen, ::testing::Values(&screenBackend));

} // namespace
} // namespace gwr::platform
