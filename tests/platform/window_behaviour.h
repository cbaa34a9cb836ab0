// What every window backend does alike, as the program's code sees it: one
// suite, instantiated in each backend's test program with the user's side of
// that backend (direct calls on the headless one, X events on the real one).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ui/window.h"

namespace gwr::platform::behaviour {

constexpr ControlId checkBox = 32798;
constexpr ControlId dropDown = 32789;
constexpr ControlId button = 32838;
constexpr ControlId editBox = 32828;
constexpr Rect settingsBand{0, 112, 880, 392};
constexpr Rect checkBoxArea{5, 149, 17, 161};

// A person at the window: each input goes the backend's own way and the loop
// runs until the window has taken it.
class WindowUser {
public:
  virtual ~WindowUser() = default;
  virtual Window& window() = 0;
  virtual bool shown(const std::string& title) = 0;
  virtual void click(ControlId id) = 0;
  virtual void typeThenEnter(ControlId id, const std::string& keys) = 0;
  // Picks the entry that many below the selected one.
  virtual void choose(ControlId id, int downs) = 0;
  virtual void pressClose() = 0;
  virtual void pressEscape() = 0;
  // The work area of the one screen there is.
  virtual Rect screen() const = 0;
  // Loop passes until done() or the seconds are up.
  virtual bool runUntil(const std::function<bool()>& done, double seconds = 5.0) = 0;
  // The check box as the screen shows it: the check FLTK holds, and its
  // pixels; none where nothing is drawn.
  virtual std::optional<int> shownCheck() { return std::nullopt; }
  virtual std::optional<std::vector<std::uint8_t>> pixels(const Rect&) { return std::nullopt; }
};

using Backend = std::unique_ptr<WindowUser> (*)(std::string& whyNot);

class WindowBehaviour : public ::testing::TestWithParam<Backend> {
protected:
  void SetUp() override {
    std::string whyNot;
    user = GetParam()(whyNot);
    if (!user) GTEST_SKIP() << whyNot;
    window().setHandlers(WindowHandlers{[](Painter& painter) { painter.fillRect(settingsBand, 0xFFCC99); },
                                        [this](ControlId id, ControlEvent event) {
                                          commands.emplace_back(id, event);
                                          if (react) react(id, event);
                                        },
                                        [this] { ++closeRequests; }});
    const std::string title = std::string("Gatewright ") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(window().open(WindowSpec{title, 20, 20, 880, 477, settingsBand}));
    window().addControl(ControlSpec::checkBox(checkBox, 5, 147));
    window().addControl(ControlSpec::dropDown(dropDown, 5, 119, 105, 80));
    window().addControl(ControlSpec::pushButton(button, 758, 341, 90, "Re-read"));
    window().addControl(ControlSpec::editBox(editBox, 107, 259, 100));
    ASSERT_TRUE(user->shown(title)) << "the window never showed";
  }
  Window& window() { return user->window(); }
  bool heard(std::size_t count) {
    return user->runUntil([&] { return commands.size() >= count; });
  }

  std::unique_ptr<WindowUser> user;
  std::function<void(ControlId, ControlEvent)> react;
  std::vector<std::pair<ControlId, ControlEvent>> commands;
  int closeRequests = 0;
};

using Commands = std::vector<std::pair<ControlId, ControlEvent>>;

TEST_P(WindowBehaviour, CheckBoxClickOnlyCallsTheHandlerWhichSetsTheCheck) {
  const auto before = user->pixels(checkBoxArea);
  // While the handler decides, the box still shows the program's check (a
  // message box opened there would repaint it).
  std::optional<int> shownDuringHandler;
  react = [&](ControlId, ControlEvent) { shownDuringHandler = user->shownCheck(); };
  user->click(checkBox);
  ASSERT_TRUE(heard(1)) << "the click never reached the handler";
  EXPECT_EQ(commands, (Commands{{checkBox, ControlEvent::clicked}}));
  EXPECT_FALSE(window().isChecked(checkBox)) << "a click must not toggle the box by itself";
  if (before) {
    EXPECT_EQ(shownDuringHandler, 0);
  }
  EXPECT_EQ(user->pixels(checkBoxArea), before) << "the box toggled by itself";

  react = [this](ControlId id, ControlEvent) { window().setCheck(id, !window().isChecked(id)); };
  user->click(checkBox);
  ASSERT_TRUE(heard(2));
  EXPECT_TRUE(window().isChecked(checkBox));
  if (before) {
    EXPECT_NE(user->pixels(checkBoxArea), before) << "the program's check is not shown";
  }
  user->click(checkBox);
  ASSERT_TRUE(heard(3));
  EXPECT_FALSE(window().isChecked(checkBox));
  EXPECT_EQ(user->pixels(checkBoxArea), before);
}

TEST_P(WindowBehaviour, DisabledControlsTakeNoInputAndEnabledOnesReport) {
  user->click(button);  // push buttons and edit boxes start disabled
  user->typeThenEnter(editBox, "klm1234");
  window().enable(checkBox, false);
  user->click(checkBox);
  user->runUntil([] { return false; }, 0.3);
  EXPECT_TRUE(commands.empty());

  window().enable(button, true);
  window().enable(editBox, true);
  user->click(button);
  ASSERT_TRUE(heard(1));
  user->typeThenEnter(editBox, "klm1234");
  ASSERT_TRUE(heard(2)) << "Enter never reached the handler";
  EXPECT_EQ(commands, (Commands{{button, ControlEvent::clicked}, {editBox, ControlEvent::enterPressed}}));
  EXPECT_EQ(window().text(editBox), "klm1234") << "Enter must not add to the text";
  window().setText(editBox, "KLM1234");  // the program shows its value again
  user->runUntil([] { return false; }, 0.1);
  EXPECT_EQ(window().text(editBox), "KLM1234");
}

TEST_P(WindowBehaviour, ChoosingAnEntrySelectsItAndTellsTheHandler) {
  for (const char* item : {"MSFS 2020", "MSFS 2024", "A&B @home/1|2"}) window().addListItem(dropDown, item);
  window().selectListItem(dropDown, "MSFS 2020");
  std::optional<ListSelection> seen;
  react = [&](ControlId id, ControlEvent) { seen = window().selection(id); };
  user->choose(dropDown, 2);
  ASSERT_TRUE(heard(1)) << "no selection reached the handler";
  EXPECT_EQ(commands, (Commands{{dropDown, ControlEvent::selectionChanged}}));
  EXPECT_EQ(seen, (ListSelection{2, "A&B @home/1|2"})) << "the entries are listed as they are, in order";
  EXPECT_EQ(window().selection(dropDown), (ListSelection{2, "A&B @home/1|2"}));
  EXPECT_EQ(window().text(dropDown), "A&B @home/1|2");
}

TEST_P(WindowBehaviour, OtherThreadsPostTasksThatRunInOrderOnTheLoop) {
  std::vector<int> ran;
  std::thread other([this, &ran] {
    for (int i = 0; i < 3; ++i) window().post([&ran, i] { ran.push_back(i); });
    window().invalidate(Rect{0, 448, 880, 476});
    window().setCheck(checkBox, true);
  });
  other.join();
  EXPECT_TRUE(ran.empty()) << "nothing runs before the window thread's pass";
  ASSERT_TRUE(user->runUntil([&] { return ran.size() == 3; }));
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(window().isChecked(checkBox));
}

TEST_P(WindowBehaviour, CloseOnlyAsksEscapeDoesNothingAndQuitEndsTheLoopWithItsCode) {
  user->pressEscape();
  user->runUntil([] { return false; }, 0.3);
  EXPECT_EQ(closeRequests, 0);
  user->pressClose();
  ASSERT_TRUE(user->runUntil([this] { return closeRequests == 1; }));
  EXPECT_TRUE(window().runOnce(0)) << "the window stays until the program quits";
  window().post([this] { window().quit(3); });
  EXPECT_EQ(window().run(), 3);
  EXPECT_FALSE(window().runOnce(0));
  EXPECT_EQ(window().exitCode(), 3);
}

TEST_P(WindowBehaviour, PlacedWhereAskedAndMovedOnTheScreensWorkArea) {
  EXPECT_EQ(window().windowRect(), (Rect{20, 20, 900, 497}));
  EXPECT_EQ(window().workAreaNearest(Rect{-500, -500, 380, -23}), user->screen());
  EXPECT_EQ(window().workAreas(), std::vector<Rect>{user->screen()});
  EXPECT_EQ(window().titleBarHeight(), 0);  // no window manager draws one here
  window().moveTo(100, 50);
  window().setTopmost(true);  // a real one has no window manager here to keep it on top; it must only not fail
  user->runUntil([] { return false; }, 0.2);
  EXPECT_EQ(window().windowRect(), (Rect{100, 50, 980, 527}));
}

} // namespace gwr::platform::behaviour
