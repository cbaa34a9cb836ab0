// The main window as the program sees it: a fixed client area it paints
// itself, the controls on it, the event loop, and requests from other threads.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/painter.h"
#include "platform/ui/ui_types.h"

namespace gwr::platform {

// What the user did to a control. A click on a check box changes nothing by
// itself: the handler reads the check and sets the new one.
enum class ControlEvent : std::uint8_t { clicked, selectionChanged, enterPressed };

enum class MessageIcon : std::uint8_t { information, exclamation, error };

struct WindowSpec {
  std::string title;
  int x = 0;  // screen position of the window
  int y = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  Rect settingsArea;  // what invalidateSettingsArea repaints
};

// Called on the window thread. paint draws the whole client area; the
// controls are drawn over it afterwards.
struct WindowHandlers {
  std::function<void(Painter&)> paint;
  std::function<void(ControlId, ControlEvent)> command;
  // The close button: the window stays open; the program decides.
  std::function<void()> closeRequested;
};

class Window : public ControlSurface {
public:
  // Window thread only.
  virtual void setHandlers(WindowHandlers handlers) = 0;
  // The thread that opens the window becomes the window thread.
  virtual bool open(const WindowSpec& spec) = 0;
  // On the open window.
  virtual void addControl(const ControlSpec& spec) = 0;
  // One pass of the event loop, waiting at most that long for an event; false
  // once quit has been asked for or the window is gone.
  virtual bool runOnce(double maxWaitSeconds) = 0;
  // Passes of the event loop until quit; returns its exit code.
  int run();
  virtual Rect windowRect() const = 0;
  virtual void moveTo(int x, int y) = 0;
  // The work area of the screen nearest to the rectangle.
  virtual Rect workAreaNearest(const Rect& area) const = 0;
  // The work areas of all screens.
  virtual std::vector<Rect> workAreas() const = 0;
  // Height of the window manager's title bar above the client area (the
  // window rectangle); 0 where nothing is drawn above it.
  virtual int titleBarHeight() const = 0;
  virtual void setTopmost(bool topmost) = 0;
  virtual void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

  // Any thread.
  // Runs the task on the window thread, in the order posted.
  virtual void post(std::function<void()> task) = 0;
  virtual void invalidate(const Rect& area) = 0;
  virtual void invalidateAll() = 0;
  // Ends the event loop with that code.
  virtual void quit(int exitCode) = 0;
  virtual int exitCode() const = 0;
};

// The real window on the desktop's display (FLTK), or nullptr when there is
// no display to open.
std::unique_ptr<Window> gf_makeDesktopWindow();
// Opens the desktop's display (named by DISPLAY) for the window and keeps it
// open, waiting a while for a display that is still coming up; false when
// none is named or it does not answer in time.
bool gf_desktopDisplayAvailable();

// What the window backend does when its display ends under it (the X server
// gone, or one of the toolkit's fatal errors): report says why; closeDown
// runs on the window thread, must not wait for it, and answers the exit code
// the process then ends with at once. Unset: reported on stderr, the process
// ends with displayLostExitCode.
struct DisplayLossHandlers {
  std::function<void(const std::string&)> report;  // also the display's non-fatal errors
  std::function<int()> closeDown;
};
inline constexpr int displayLostExitCode = 2;
void gf_setDisplayLossHandlers(DisplayLossHandlers handlers);

} // namespace gwr::platform
