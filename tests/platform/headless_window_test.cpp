// The headless window as the program's code sees it: clicks reach the handler
// without changing a check, disabled controls stay deaf, drawing is recorded,
// and other threads reach the window thread only through posted tasks.
#include "platform/ui/headless_window.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace gwr::platform {
namespace {

constexpr ControlId checkBox = 32798;
constexpr ControlId dropDown = 32789;
constexpr ControlId button = 32838;
constexpr ControlId editBox = 32828;
constexpr Rect settingsBand{0, 112, 880, 392};

class HeadlessWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    window.setHandlers(WindowHandlers{
        [this](Painter& painter) {
          if (paint) paint(painter);
        },
        [this](ControlId id, ControlEvent event) {
          commands.emplace_back(id, event);
          if (react) react(id, event);
        },
        [this] { ++closeRequests; }});
    ASSERT_TRUE(window.open(WindowSpec{"Gatewright", 400, 20, 880, 477, settingsBand}));
    window.addControl(ControlSpec::checkBox(checkBox, 5, 147));
    window.addControl(ControlSpec::dropDown(dropDown, 5, 119, 105, 80));
    window.addControl(ControlSpec::pushButton(button, 758, 341, 90, "Re-read"));
    window.addControl(ControlSpec::editBox(editBox, 107, 259, 100));
  }

  HeadlessWindow window;
  std::function<void(Painter&)> paint;
  std::function<void(ControlId, ControlEvent)> react;
  std::vector<std::pair<ControlId, ControlEvent>> commands;
  int closeRequests = 0;
};

TEST_F(HeadlessWindowTest, CheckBoxClickOnlyCallsTheHandlerWhichSetsTheCheck) {
  EXPECT_TRUE(window.click(checkBox));
  EXPECT_FALSE(window.isChecked(checkBox)) << "a click must not toggle the box by itself";
  ASSERT_EQ(commands.size(), 1U);
  EXPECT_EQ(commands[0], std::make_pair(checkBox, ControlEvent::clicked));

  react = [this](ControlId id, ControlEvent) { window.setCheck(id, !window.isChecked(id)); };
  window.click(checkBox);
  EXPECT_TRUE(window.isChecked(checkBox));
  window.click(checkBox);
  EXPECT_FALSE(window.isChecked(checkBox));
}

TEST_F(HeadlessWindowTest, DisabledControlsTakeNoInput) {
  EXPECT_FALSE(window.click(button)) << "push buttons start disabled";
  EXPECT_FALSE(window.type(editBox, "KLM1234")) << "edit boxes start disabled";
  EXPECT_FALSE(window.pressEnter(editBox));
  window.enable(checkBox, false);
  EXPECT_FALSE(window.click(checkBox));
  EXPECT_TRUE(commands.empty());

  window.enable(button, true);
  window.enable(editBox, true);
  EXPECT_TRUE(window.click(button));
  EXPECT_TRUE(window.type(editBox, "klm1234"));
  EXPECT_EQ(window.text(editBox), "klm1234");
  EXPECT_TRUE(window.pressEnter(editBox));
  EXPECT_EQ(commands, (std::vector<std::pair<ControlId, ControlEvent>>{{button, ControlEvent::clicked},
                                                                       {editBox, ControlEvent::enterPressed}}));
  // Input that does not fit the kind of control is not taken either.
  EXPECT_FALSE(window.click(editBox));
  EXPECT_FALSE(window.choose(checkBox, 0));
  EXPECT_FALSE(window.type(dropDown, "x"));
  EXPECT_FALSE(window.click(12345));
}

TEST_F(HeadlessWindowTest, ChoosingAnEntrySelectsItAndTellsTheHandler) {
  for (const char* item : {"MSFS 2020", "MSFS 2024"}) window.addListItem(dropDown, item);
  std::optional<ListSelection> seen;
  react = [this, &seen](ControlId id, ControlEvent) { seen = window.selection(id); };
  EXPECT_TRUE(window.choose(dropDown, 1));
  EXPECT_EQ(seen, (ListSelection{1, "MSFS 2024"}));
  EXPECT_EQ(window.text(dropDown), "MSFS 2024");
  EXPECT_FALSE(window.choose(dropDown, 2)) << "past the list";
  EXPECT_EQ(commands.size(), 1U);
  EXPECT_EQ(window.selection(dropDown), (ListSelection{1, "MSFS 2024"}));
}

TEST_F(HeadlessWindowTest, PaintIsRecordedInRgbWithTextAtItsTopLeftCorner) {
  paint = [](Painter& painter) {
    painter.fillRect(Rect{0, 112, 880, 392}, 0xFFCC99);
    painter.line(0, 28, 880, 28, 0xFFFFFF);
    painter.text(390, 7, "Gatewright", 0x32CD32);
    painter.text(3, 455, "Fehler: Ölstand", 0x00FFFF);
  };
  const RecordingPainter drawn = window.paint();
  const std::vector<DrawCall> expected{
      {DrawCall::Kind::fill, {0, 112, 880, 392}, {153, 204, 255}, ""},
      {DrawCall::Kind::line, {0, 28, 880, 28}, {255, 255, 255}, ""},
      {DrawCall::Kind::text, {390, 7, 390, 7}, {50, 205, 50}, "Gatewright"},
      {DrawCall::Kind::text, {3, 455, 3, 455}, {255, 255, 0}, "Fehler: Ölstand"},
  };
  EXPECT_EQ(drawn.calls(), expected);
}

TEST_F(HeadlessWindowTest, OtherThreadsPostTasksThatRunInOrderOnTheLoopPass) {
  std::vector<int> ran;
  std::thread other([this, &ran] {
    for (int i = 0; i < 3; ++i) window.post([&ran, i] { ran.push_back(i); });
    window.invalidate(Rect{0, 448, 880, 476});
  });
  other.join();
  EXPECT_TRUE(ran.empty()) << "nothing runs before the window thread's pass";
  EXPECT_EQ(window.pendingTasks(), 3U);
  EXPECT_TRUE(window.runOnce(0));
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2}));
  window.invalidateSettingsArea();
  EXPECT_EQ(window.takeInvalidations(), (std::vector<Rect>{{0, 448, 880, 476}, settingsBand}));
  EXPECT_TRUE(window.takeInvalidations().empty());
}

TEST_F(HeadlessWindowTest, QuitEndsTheLoopWithItsCodeAndCloseOnlyAsks) {
  window.pressClose();
  EXPECT_EQ(closeRequests, 1);
  EXPECT_TRUE(window.isOpen());
  window.post([this] { window.quit(3); });
  EXPECT_EQ(window.run(), 3);
  EXPECT_FALSE(window.runOnce(0));
}

TEST_F(HeadlessWindowTest, NearestWorkAreaByOverlapElseByDistance) {
  const Rect left{0, 0, 1920, 1040};
  const Rect right{1920, 0, 3200, 1024};
  window.setWorkAreas({left, right});
  EXPECT_EQ(window.windowRect(), (Rect{400, 20, 1280, 497}));
  const std::vector<std::tuple<Rect, Rect>> cases{
      {{400, 20, 1280, 497}, left},
      {{1800, 20, 2680, 497}, right},       // more of it on the right screen
      {{-5000, 20, -4120, 497}, left},      // far off to the left
      {{3300, 2000, 4180, 2477}, right},    // below and right of everything
      {{2000, -600, 2880, -123}, right},    // above the right screen only
  };
  for (const auto& [area, expected] : cases) EXPECT_EQ(window.workAreaNearest(area), expected) << area.left;
  window.moveTo(-10, 30);
  EXPECT_EQ(window.windowRect(), (Rect{-10, 30, 870, 507}));
}

} // namespace
} // namespace gwr::platform
