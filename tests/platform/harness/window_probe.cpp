// The window probe: finds the FLTK window by its title, fakes input through
// XTest and reads the window's pixels with fl_read_image.
#include "platform/harness/window_probe.h"

#include <chrono>
#include <cstring>
#include <memory>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace gwr::testsupport {

namespace {

constexpr double passSeconds = 0.02;
constexpr int settlePasses = 5;

Fl_Window* lf_find(const std::string& title) {
  for (Fl_Window* candidate = Fl::first_window(); candidate != nullptr; candidate = Fl::next_window(candidate))
    if (candidate->label() != nullptr && title == candidate->label()) return candidate;
  return nullptr;
}

void lf_key(KeySym symbol) {
  const KeyCode code = XKeysymToKeycode(fl_display, symbol);
  XTestFakeKeyEvent(fl_display, code, True, CurrentTime);
  XTestFakeKeyEvent(fl_display, code, False, CurrentTime);
  XFlush(fl_display);
}

} // namespace

bool WindowProbe::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    window.runOnce(passSeconds);
  }
  return true;
}

bool WindowProbe::settle() {
  const bool shown = runUntil([this] {
    Fl_Window* found = lf_find(title);
    return found != nullptr && found->visible() && found->damage() == 0;
  });
  for (int pass = 0; pass < settlePasses; ++pass) window.runOnce(passSeconds);
  Fl::flush();
  XSync(fl_display, False);
  return shown;
}

RgbImage WindowProbe::capture() {
  settle();
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return {};
  found->make_current();
  RgbImage image{found->w(), found->h(), {}};
  std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, 0, 0, image.width, image.height));
  if (!pixels) return {};
  image.pixels.assign(pixels.get(), pixels.get() + static_cast<std::ptrdiff_t>(image.width) * image.height * 3);
  return image;
}

int WindowProbe::buttonValueAt(int x, int y) {
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return -1;
  for (int i = 0; i < found->children(); ++i) {
    Fl_Widget* child = found->child(i);
    const bool inside = x >= child->x() && x < child->x() + child->w() && y >= child->y() && y < child->y() + child->h();
    if (auto* button = dynamic_cast<Fl_Button*>(child); inside && button != nullptr) return button->value();
  }
  return -1;
}

std::optional<std::pair<int, int>> WindowProbe::placeOnScreen() {
  settle();
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return std::nullopt;
  int x = 0;
  int y = 0;
  ::Window child = 0;
  if (!XTranslateCoordinates(fl_display, fl_xid(found), RootWindow(fl_display, fl_screen), 0, 0, &x, &y, &child))
    return std::nullopt;
  return std::pair(x, y);
}

void WindowProbe::windowManagerRuns() {
  const ::Window root = RootWindow(fl_display, fl_screen);
  const long check = static_cast<long>(root);
  XChangeProperty(fl_display, root, XInternAtom(fl_display, "_NET_SUPPORTING_WM_CHECK", False), XA_WINDOW, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&check), 1);
  XSync(fl_display, False);
}

void WindowProbe::framedWithTitleBar(int pixels) {
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return;
  const long extents[4] = {1, 1, pixels, 1};  // left, right, top, bottom
  XChangeProperty(fl_display, fl_xid(found), XInternAtom(fl_display, "_NET_FRAME_EXTENTS", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(extents), 4);
  XSync(fl_display, False);
}

void WindowProbe::windowManagerGone() {
  XDeleteProperty(fl_display, RootWindow(fl_display, fl_screen),
                  XInternAtom(fl_display, "_NET_SUPPORTING_WM_CHECK", False));
  XSync(fl_display, False);
}

void WindowProbe::click(int x, int y) {
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return;
  XTestFakeMotionEvent(fl_display, -1, found->x() + x, found->y() + y, CurrentTime);
  XTestFakeButtonEvent(fl_display, 1, True, CurrentTime);
  XTestFakeButtonEvent(fl_display, 1, False, CurrentTime);
  XFlush(fl_display);
}

void WindowProbe::type(std::string_view keys) {
  for (const char key : keys) lf_key(XStringToKeysym(std::string(1, key).c_str()));
}

void WindowProbe::pressReturn() { lf_key(XK_Return); }

void WindowProbe::pressDown() { lf_key(XK_Down); }

void WindowProbe::pressEscape() { lf_key(XK_Escape); }

void WindowProbe::pressCloseButton() {
  Fl_Window* found = lf_find(title);
  if (found == nullptr) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = fl_xid(found);
  event.xclient.message_type = XInternAtom(fl_display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(fl_display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(fl_display, fl_xid(found), False, NoEventMask, &event);
  XFlush(fl_display);
}

void WindowProbe::closeModalLater(double delaySeconds) {
  modalTitle.clear();
  Fl::add_timeout(delaySeconds, [](void* data) {
    auto* probe = static_cast<WindowProbe*>(data);
    if (Fl_Window* modal = Fl::modal()) {
      probe->modalTitle = modal->label() != nullptr ? modal->label() : "";
      modal->hide();
    }
  }, this);
}

void WindowProbe::pressDownsThenReturnLater(int downs, double delaySeconds) {
  pendingDowns = downs;
  Fl::add_timeout(delaySeconds, [](void* data) {
    auto* probe = static_cast<WindowProbe*>(data);
    for (; probe->pendingDowns > 0; --probe->pendingDowns) probe->pressDown();
    probe->pressReturn();
  }, this);
}

void WindowProbe::noteOpenListThenEscapeLater(double delaySeconds) {
  listSeen.reset();
  Fl::add_timeout(delaySeconds, [](void* data) {
    auto* probe = static_cast<WindowProbe*>(data);
    const Fl_Window* open = Fl::grab();
    const Fl_Window* main = lf_find(probe->title);
    if (open != nullptr && main != nullptr && open != main) {
      const int left = open->x() - main->x(), top = open->y() - main->y();
      probe->listSeen = platform::Rect{left, top, left + open->w(), top + open->h()};
    }
    probe->pressEscape();
  }, this);
}

} // namespace gwr::testsupport
