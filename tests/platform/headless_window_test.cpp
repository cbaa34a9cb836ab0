// The headless window: the shared window behaviour, and what only the model
// shows: input refused by its answer, drawing recorded in RGB, invalidations
// kept and the screens' work areas chosen by overlap or distance.
#include "platform/ui/headless_window.h"

#include <chrono>

#include "window_behaviour.h"

namespace gwr::platform {
namespace {

using namespace behaviour;

class HeadlessUser final : public WindowUser {
public:
  Window& window() override { return headless; }
  bool shown(const std::string&) override { return headless.isOpen(); }
  void click(ControlId id) override { headless.click(id); }
  void typeThenEnter(ControlId id, const std::string& keys) override {
    if (headless.type(id, keys)) headless.pressEnter(id);
  }
  void choose(ControlId id, int downs) override {
    headless.choose(id, headless.selection(id)->index + static_cast<std::size_t>(downs));
  }
  void pressClose() override { headless.pressClose(); }
  void pressEscape() override {}  // no key reaches the model
  Rect screen() const override { return Rect{0, 0, 1920, 1080}; }
  bool runUntil(const std::function<bool()>& done, double seconds) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      headless.runOnce(0.01);
    }
    return true;
  }
  HeadlessWindow headless;
};

std::unique_ptr<WindowUser> headlessBackend(std::string&) { return std::make_unique<HeadlessUser>(); }

INSTANTIATE_TEST_SUITE_P(Headless, WindowBehaviour, ::testing::Values(&headlessBackend));

class HeadlessWindowTest : public WindowBehaviour {
protected:
  HeadlessWindow& headless() { return static_cast<HeadlessUser&>(*user).headless; }
};

TEST_P(HeadlessWindowTest, InputAControlCannotTakeIsRefusedByItsAnswer) {
  HeadlessWindow& w = headless();
  w.addListItem(dropDown, "MSFS 2020");
  EXPECT_FALSE(w.click(button)) << "push buttons start disabled";
  EXPECT_FALSE(w.type(editBox, "KLM1234")) << "edit boxes start disabled";
  EXPECT_FALSE(w.pressEnter(editBox));
  EXPECT_FALSE(w.click(editBox));
  EXPECT_FALSE(w.choose(checkBox, 0));
  EXPECT_FALSE(w.type(dropDown, "x"));
  EXPECT_FALSE(w.click(12345));
  EXPECT_FALSE(w.choose(dropDown, 1)) << "past the list";
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(w.choose(dropDown, 0));
}

TEST_P(HeadlessWindowTest, PaintIsRecordedInRgbWithTextAtItsTopLeftCorner) {
  window().setHandlers(WindowHandlers{[](Painter& painter) {
                                        painter.fillRect(Rect{0, 112, 880, 392}, 0xFFCC99);
                                        painter.line(0, 28, 880, 28, 0xFFFFFF);
                                        painter.text(390, 7, "Gatewright", 0x32CD32);
                                        painter.text(3, 455, "Fehler: Ölstand", 0x00FFFF);
                                      },
                                      {}, {}});
  const std::vector<DrawCall> expected{
      {DrawCall::Kind::fill, {0, 112, 880, 392}, {153, 204, 255}, ""},
      {DrawCall::Kind::line, {0, 28, 880, 28}, {255, 255, 255}, ""},
      {DrawCall::Kind::text, {390, 7, 390, 7}, {50, 205, 50}, "Gatewright"},
      {DrawCall::Kind::text, {3, 455, 3, 455}, {255, 255, 0}, "Fehler: Ölstand"},
  };
  EXPECT_EQ(headless().paint().calls(), expected);
}

TEST_P(HeadlessWindowTest, InvalidationsAreKeptAndPostedTasksCounted) {
  HeadlessWindow& w = headless();
  w.post([] {});
  w.invalidate(Rect{0, 448, 880, 476});
  EXPECT_EQ(w.pendingTasks(), 1U);
  w.invalidateSettingsArea();
  EXPECT_EQ(w.takeInvalidations(), (std::vector<Rect>{{0, 448, 880, 476}, settingsBand}));
  EXPECT_TRUE(w.takeInvalidations().empty());
  w.pressClose();
  EXPECT_TRUE(w.isOpen());
}

TEST_P(HeadlessWindowTest, NearestWorkAreaByOverlapElseByDistance) {
  const Rect left{0, 0, 1920, 1040};
  const Rect right{1920, 0, 3200, 1024};
  headless().setWorkAreas({left, right});
  const std::vector<std::tuple<Rect, Rect>> cases{
      {{400, 20, 1280, 497}, left},
      {{1800, 20, 2680, 497}, right},       // more of it on the right screen
      {{-5000, 20, -4120, 497}, left},      // far off to the left
      {{3300, 2000, 4180, 2477}, right},    // below and right of everything
      {{2000, -600, 2880, -123}, right},    // above the right screen only
  };
  for (const auto& [area, expected] : cases) EXPECT_EQ(window().workAreaNearest(area), expected) << area.left;
}

INSTANTIATE_TEST_SUITE_P(Headless, HeadlessWindowTest, ::testing::Values(&headlessBackend));

} // namespace
} // namespace gwr::platform
