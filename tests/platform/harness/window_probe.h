// Test harness: drives the real window as a user would, with pointer and key
// events through the X server (XTest), and reads back its pixels.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/harness/rgb_image.h"
#include "platform/ui/window.h"

namespace gwr::testsupport {

class WindowProbe {
public:
  WindowProbe(platform::Window& window, std::string title) : window(window), title(std::move(title)) {}

  // Passes of the window's event loop until done() or the time is up.
  bool runUntil(const std::function<bool()>& done, double timeoutSeconds = 5.0);
  // Runs the loop until the window is mapped and nothing is left to draw.
  bool settle();
  // The value FLTK holds for the button (check box) at client coordinates; -1
  // when there is none.
  int buttonValueAt(int x, int y);
  // The client area's pixels as the X server shows them.
  RgbImage capture();
  // A left click at client coordinates.
  void click(int x, int y);
  // Keys of lower-case letters and digits, then optionally Return.
  void type(std::string_view keys);
  void pressReturn();
  void pressDown();
  void pressEscape();
  // The window manager's close button: WM_DELETE_WINDOW sent to the window.
  void pressCloseButton();
  // After that many seconds of an event loop, closes the modal window (a
  // message box) and keeps its title.
  void closeModalLater(double delaySeconds);
  const std::string& closedModalTitle() const { return modalTitle; }
  // The keys are sent after that many seconds of the event loop, so that they
  // reach a menu that a click is about to open (and which runs its own loop).
  void pressDownsThenReturnLater(int downs, double delaySeconds);
  // After that many seconds of an event loop, notes where the open list (the
  // window holding the pointer) lies in client coordinates, then presses
  // Escape; none when no list was open.
  void noteOpenListThenEscapeLater(double delaySeconds);
  const std::optional<platform::Rect>& openList() const { return listSeen; }
  // Where the X server has the window's top left corner on the screen.
  std::optional<std::pair<int, int>> placeOnScreen();
  // Acts as a window manager (there is none on the test's display): one that
  // runs names its check window on the root; framing the window it says how
  // tall its title bar is. Gone, both are taken away again.
  static void windowManagerRuns();
  void framedWithTitleBar(int pixels);
  static void windowManagerGone();

private:
  platform::Window& window;
  std::string title;
  int pendingDowns = 0;
  std::string modalTitle;
  std::optional<platform::Rect> listSeen;
};

} // namespace gwr::testsupport
