// Where the main window opens on the real FLTK window under Xvfb (one screen
// of 1280 x 1024): a stored place above the screen comes down until its
// title bar is on it, a place that shows the title bar stays, as saved.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <FL/Fl.H>

#include "app/window/main_window.h"
#include "core/version.h"
#include "platform/harness/window_probe.h"
#include "platform/harness/xvfb_server.h"
#include "platform/ui/window.h"
#include "support/settings_sandbox.h"

namespace gwr {
namespace {

TEST(MainWindowPlace, TheTitleBarOpensOnTheScreen) {
  std::string whyNot;
  if (testsupport::gf_sharedXvfb(whyNot) == nullptr) GTEST_SKIP() << "No X display for the real window: " << whyNot;
  // Stored y, whether a window manager runs (not framing the window yet), the y it opens at.
  const struct { int y; bool manager; int openedY; } cases[] = {
      {-5000, false, 0}, {-1, false, 0}, {0, false, 0}, {300, false, 300}, {976, false, 976}, {977, false, 976},
      {-5000, true, 32}, {31, true, 32}, {32, true, 32},
  };
  for (const auto& c : cases) {
    testsupport::SettingsSandbox sandbox;
    sandbox.writeFile(R"(<root><parameters><parameter name="MAIN_WINDOW_X" value="200" />)"
                      R"(<parameter name="MAIN_WINDOW_Y" value=")" +
                      std::to_string(c.y) + R"(" /></parameters></root>)");
    auto window = platform::gf_makeDesktopWindow();
    ASSERT_NE(window, nullptr) << "Xvfb runs but its display does not open";
    if (c.manager) testsupport::WindowProbe::windowManagerRuns();
    ASSERT_TRUE(gf_initInstance(*window));
    testsupport::WindowProbe probe(*window, std::string(programName));
    EXPECT_EQ(probe.placeOnScreen(), std::optional(std::pair(200, c.openedY))) << c.y;
    EXPECT_NE(sandbox.fileText().find(R"("MAIN_WINDOW_Y" value=")" + std::to_string(c.openedY) + '"'),
              std::string::npos)
        << c.y;
    testsupport::WindowProbe::windowManagerGone();
    gf_releaseMainWindow();
    window.reset();
    Fl::check();
  }
}

} // namespace
} // namespace gwr
