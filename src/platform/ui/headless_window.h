// The window without a display: it keeps the controls' states, records
// repaint requests, message boxes and drawing, and lets tests act as the user.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/painter.h"
#include "platform/ui/window.h"

namespace gwr::platform {

struct MessageBoxCall {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::information;
  friend bool operator==(const MessageBoxCall&, const MessageBoxCall&) = default;
};

class HeadlessWindow final : public ModelControls<Window> {
public:
  void setHandlers(WindowHandlers handlers) override;
  bool open(const WindowSpec& spec) override;
  void addControl(const ControlSpec& spec) override;
  // Runs what was posted, waiting up to maxWaitSeconds when nothing is.
  bool runOnce(double maxWaitSeconds) override;
  Rect windowRect() const override;
  void moveTo(int x, int y) override;
  Rect workAreaNearest(const Rect& area) const override;
  std::vector<Rect> workAreas() const override { return screens; }
  int titleBarHeight() const override { return titleBar; }
  void setTopmost(bool topmost) override;
  void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void post(std::function<void()> task) override;
  void invalidate(const Rect& area) override;
  void invalidateAll() override;
  void invalidateSettingsArea() override;
  void quit(int exitCode) override;
  int exitCode() const override;

  // The user's side. Each answers false when the control is missing, disabled
  // or of no use for it, as a real control would not react.
  bool click(ControlId id);
  bool choose(ControlId id, std::size_t index);
  bool type(ControlId id, const std::string& text);
  bool pressEnter(ControlId id);
  void pressClose();

  // What the window did.
  RecordingPainter paint() const;
  bool isOpen() const { return opened; }
  const WindowSpec& spec() const { return openedWith; }
  bool topmost() const { return onTop; }
  std::vector<Rect> takeInvalidations();
  std::vector<MessageBoxCall> messageBoxes() const;
  std::size_t pendingTasks() const;
  // The screens' work areas (one of 1920 x 1080 unless set).
  void setWorkAreas(std::vector<Rect> areas);
  // The title bar a window manager draws above the window (none unless set).
  void setTitleBarHeight(int pixels) { titleBar = pixels; }

private:
  bool lf_usable(ControlId id, ControlKind kind) const;
  void lf_command(ControlId id, ControlEvent event) const;

  WindowHandlers handlers;
  WindowSpec openedWith;
  bool opened = false;
  bool onTop = false;
  Rect placement;
  std::vector<Rect> screens{Rect{0, 0, 1920, 1080}};
  int titleBar = 0;
  std::map<ControlId, ControlKind> kinds;

  mutable std::mutex guard;  // what other threads reach
  std::deque<std::function<void()>> tasks;
  std::condition_variable posted;
  std::vector<Rect> invalidated;
  std::vector<MessageBoxCall> boxes;
  std::atomic<bool> quitting{false};
  std::atomic<int> code{0};
};

} // namespace gwr::platform
