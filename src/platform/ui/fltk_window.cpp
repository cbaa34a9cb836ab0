// The real window on an X display through FLTK: controls mirror the shared
// control model, other threads reach the window thread through a task queue.
#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/fl_ask.H>

#include "platform/ui/fltk_drop_down.h"
#include "platform/ui/fltk_widgets.h"
#include "platform/ui/ui_tunables.h"
#include "platform/ui/window.h"

// Last: Xlib's macros (None, Bool, Status) must not reach the headers above.
#include <FL/x.H>

namespace gwr::platform {

namespace {

using fltk::CommandCheckBox;
using fltk::EnterEditBox;
using fltk::ListDropDown;
using fltk::PaintedWindow;

// One control on the window and what its widget shows of the model.
struct FltkControl {
  class FltkWindow* owner = nullptr;
  ControlId id = 0;
  ControlKind kind = ControlKind::checkBox;
  Fl_Widget* widget = nullptr;  // owned by the window
  std::vector<std::string> shownItems;
};

// Tasks for the window thread. FLTK runs the drain in every event loop,
// also the nested ones of an open list or a message box; the queue outlives
// the window so that a wake-up still on its way finds it closed.
struct TaskQueue {
  std::mutex guard;
  std::deque<std::function<void()>> tasks;
  bool closed = false;
  std::atomic<bool> wakeUpPending{false};

  void push(std::function<void()> task) {
    std::lock_guard lock(guard);
    if (!closed) tasks.push_back(std::move(task));
  }
  void close() {
    std::lock_guard lock(guard);
    closed = true;
    tasks.clear();
  }
  void runAll() {
    wakeUpPending.store(false);
    std::deque<std::function<void()>> due;
    {
      std::lock_guard lock(guard);
      due.swap(tasks);
    }
    for (auto& task : due) task();
  }
};

void lf_drainQueue(void* data) {
  std::unique_ptr<std::shared_ptr<TaskQueue>> queue(static_cast<std::shared_ptr<TaskQueue>*>(data));
  (*queue)->runAll();
}

// One wake-up on its way at a time; a full wake-up ring is retried by the next post.
void lf_wakeWindowThread(const std::shared_ptr<TaskQueue>& queue) {
  if (queue->wakeUpPending.exchange(true)) return;
  auto* handle = new std::shared_ptr<TaskQueue>(queue);
  if (Fl::awake(lf_drainQueue, handle) != 0) {
    delete handle;
    queue->wakeUpPending.store(false);
  }
}

// ---- the display and its end

std::mutex lossGuard;
DisplayLossHandlers lossHandlers;
// Once the display is gone nothing may reach it: window work is only queued.
std::atomic<bool> displayGone{false};

DisplayLossHandlers lf_lossHandlers() {
  std::lock_guard lock(lossGuard);
  return lossHandlers;
}

void lf_report(const std::string& text) {
  const DisplayLossHandlers handlers = lf_lossHandlers();
  if (handlers.report) {
    handlers.report(text);
  } else {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

std::string lf_formatted(const char* format, va_list arguments) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  return text;
}

// The program closes down as a close would and the process ends with the
// code it answers. Xlib ends the process itself once its handler returns, so
// this never returns; a second caller waits for the first one's end.
[[noreturn]] void lf_displayEnded(const std::string& why) {
  static std::atomic<bool> ending{false};
  if (ending.exchange(true)) {
    for (;;) ::pause();
  }
  displayGone.store(true);
  lf_report(why);
  const DisplayLossHandlers handlers = lf_lossHandlers();
  const int code = handlers.closeDown ? handlers.closeDown() : displayLostExitCode;
  std::_Exit(code);
}

int lf_onIoError(Display*) { lf_displayEnded("X I/O error: the display is gone"); }

// A request the server refused: reported, the window goes on (as FLTK's own).
int lf_onXError(Display* display, XErrorEvent* error) {
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  lf_report("X error: " + std::string(text) + " (request " + std::to_string(error->request_code) + ", resource " +
            std::to_string(error->resourceid) + ")");
  return 0;
}

void lf_onToolkitWarning(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = lf_formatted(format, arguments);
  va_end(arguments);
  lf_report("FLTK: " + text);
}

// FLTK's own fatal errors end in exit(1) without it; here they close down.
void lf_onToolkitFatal(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = lf_formatted(format, arguments);
  va_end(arguments);
  lf_displayEnded("FLTK: " + text);
}

// Opened here rather than by FLTK, which ends the process when the display
// does not answer at once; the handlers are ours before anything can fail.
Display* lf_openDisplayWaiting(const char* name) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(tunables::displayWaitMilliseconds);
  for (;;) {
    if (Display* display = XOpenDisplay(name)) return display;
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(tunables::displayRetryMilliseconds));
  }
}

// A cardinal or window property of an X window, as the longs Xlib gives for 32-bit items.
std::vector<long> lf_longProperty(::Window xid, const char* name, Atom type) {
  std::vector<long> values;
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const Atom property = XInternAtom(fl_display, name, False);
  if (XGetWindowProperty(fl_display, xid, property, 0, 4, False, type, &actualType, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    if (actualType == type && format == 32) {
      const auto* items = reinterpret_cast<const long*>(data);
      values.assign(items, items + count);
    }
    XFree(data);
  }
  return values;
}

// A window manager that follows the desktop conventions names its check window on the root.
bool lf_windowManagerRuns() {
  return !lf_longProperty(RootWindow(fl_display, fl_screen), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
}

// The frame's top edge above the window (left, right, top, bottom), when the window manager has set it.
std::optional<int> lf_frameTop(::Window xid) {
  const auto extents = lf_longProperty(xid, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  if (extents.size() != 4 || extents[2] < 0) return std::nullopt;
  return static_cast<int>(extents[2]);
}

void lf_enableThreadWakeUps() {
  // FLTK's wake-ups from other threads need its lock taken once on the window thread.
  static std::once_flag once;
  std::call_once(once, [] { Fl::lock(); });
}

class FltkWindow final : public ModelControls<Window> {
public:
  ~FltkWindow() override {
    tasks->close();
    if (window) window->hide();
  }

  void setHandlers(WindowHandlers newHandlers) override {
    handlers = std::move(newHandlers);
    if (window) lf_connectWindow();
  }

  bool open(const WindowSpec& spec) override {
    if (window) return false;
    windowThread = std::this_thread::get_id();
    lf_enableThreadWakeUps();
    wakeable.store(true);
    openedWith = spec;
    window = std::make_unique<PaintedWindow>(spec.x, spec.y, spec.clientWidth, spec.clientHeight);
    window->copy_label(spec.title.c_str());
    lf_connectWindow();
    window->show();
    if (window->shown() == 0) return false;
    // FLTK pulls a new window onto the screen by a rule of its own, without
    // saying so in x() and y(): the window goes where the program asked.
    XMoveWindow(fl_display, fl_xid(window.get()), spec.x, spec.y);
    return true;
  }

  void addControl(const ControlSpec& spec) override {
    if (!window || fltkControls.contains(spec.id)) return;
    auto control = std::make_unique<FltkControl>();
    control->owner = this;
    control->id = spec.id;
    control->kind = spec.kind;
    control->widget = lf_makeWidget(spec, *control);
    control->widget->labelfont(FL_HELVETICA);
    control->widget->labelsize(spec.kind == ControlKind::checkBox ? tunables::checkSquarePixels
                                                                  : tunables::controlFontSizePixels);
    window->add(control->widget);
    controls.add(spec.id, gf_initialControlState(spec));
    fltkControls.emplace(spec.id, std::move(control));
    lf_apply(spec.id);
  }

  bool runOnce(double maxWaitSeconds) override {
    if (!quitting.load()) Fl::wait(maxWaitSeconds);
    tasks->runAll();
    return !quitting.load() && window && window->shown();
  }

  Rect windowRect() const override {
    if (!window) return {};
    return Rect{window->x(), window->y(), window->x() + window->w(), window->y() + window->h()};
  }

  void moveTo(int x, int y) override {
    if (window) window->position(x, y);
  }

  Rect workAreaNearest(const Rect& area) const override {
    const int screen = Fl::screen_num(area.left, area.top, area.width(), area.height());
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Fl::screen_work_area(x, y, width, height, screen);
    return Rect{x, y, x + width, y + height};
  }

  std::vector<Rect> workAreas() const override {
    std::vector<Rect> areas;
    for (int screen = 0; screen < Fl::screen_count(); ++screen) {
      int x = 0;
      int y = 0;
      int width = 0;
      int height = 0;
      Fl::screen_work_area(x, y, width, height, screen);
      areas.push_back(Rect{x, y, x + width, y + height});
    }
    return areas;
  }

  // The window manager says how tall its frame is above the window once it
  // has framed it, which may come a moment after the window was shown.
  int titleBarHeight() const override {
    if (!window || !window->shown() || !window->border() || !lf_windowManagerRuns()) return 0;
    const ::Window xid = fl_xid(window.get());
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(tunables::frameWaitMilliseconds);
    for (;;) {
      if (const auto top = lf_frameTop(xid)) return *top;
      if (std::chrono::steady_clock::now() >= deadline) return tunables::assumedTitleBarPixels;
      std::this_thread::sleep_for(std::chrono::milliseconds(tunables::displayRetryMilliseconds / 10));
    }
  }

  void setTopmost(bool topmost) override {
    if (!window || !window->shown()) return;
    // The window manager's "above" state; without a window manager nothing changes.
    constexpr long stateRemove = 0;
    constexpr long stateAdd = 1;
    constexpr long sourceApplication = 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = fl_xid(window.get());
    event.xclient.message_type = XInternAtom(fl_display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = topmost ? stateAdd : stateRemove;
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(fl_display, "_NET_WM_STATE_ABOVE", False));
    event.xclient.data.l[3] = sourceApplication;
    XSendEvent(fl_display, DefaultRootWindow(fl_display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XFlush(fl_display);
  }

  void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    fl_message_title(caption.c_str());
    fl_message_font(FL_HELVETICA, tunables::textFontSizePixels);
    if (icon == MessageIcon::information) {
      fl_message("%s", text.c_str());
    } else {
      fl_alert("%s", text.c_str());
    }
  }

  void post(std::function<void()> task) override {
    tasks->push(std::move(task));
    if (wakeable.load()) lf_wakeWindowThread(tasks);
  }

  void invalidate(const Rect& area) override {
    lf_onWindowThread([this, area] {
      if (window && !area.empty()) window->damage(FL_DAMAGE_ALL, area.left, area.top, area.width(), area.height());
    });
  }

  void invalidateAll() override {
    lf_onWindowThread([this] {
      if (window) window->redraw();
    });
  }

  void invalidateSettingsArea() override { invalidate(openedWith.settingsArea); }

  void quit(int exitCode) override {
    code.store(exitCode);
    quitting.store(true);
    if (wakeable.load()) Fl::awake(static_cast<void*>(nullptr));
  }

  int exitCode() const override { return code.load(); }

protected:
  void controlChanged(ControlId id) override {
    lf_onWindowThread([this, id] { lf_apply(id); });
  }

private:
  template <class Task>
  void lf_onWindowThread(Task task) {
    if (std::this_thread::get_id() == windowThread && !displayGone.load()) {
      task();
    } else {
      post(std::move(task));
    }
  }

  void lf_connectWindow() {
    window->paint = handlers.paint;
    window->closeRequested = handlers.closeRequested;
  }

  Fl_Widget* lf_makeWidget(const ControlSpec& spec, FltkControl& control) {
    switch (spec.kind) {
    case ControlKind::checkBox: {
      auto* box = new CommandCheckBox(spec.x, spec.y + tunables::checkBoxDownPixels, tunables::checkBoxPixels,
                                      tunables::checkBoxPixels);
      box->callback(lf_onClicked, &control);
      return box;
    }
    case ControlKind::dropDown: {
      auto* list = new ListDropDown(spec.x, spec.y - tunables::dropDownUpPixels, spec.width,
                                    tunables::dropDownHeightPixels, spec.listHeight);
      list->textfont(FL_HELVETICA);
      list->textsize(tunables::controlFontSizePixels);
      list->callback(lf_onPicked, &control);
      return list;
    }
    case ControlKind::pushButton: {
      auto* button = new Fl_Button(spec.x, spec.y, spec.width, tunables::pushButtonHeightPixels);
      button->callback(lf_onClicked, &control);
      return button;
    }
    case ControlKind::editBox: {
      auto* box = new EnterEditBox(spec.x, spec.y, spec.width, tunables::editBoxHeightPixels);
      if (spec.background) box->fieldColour(*spec.background);
      box->callback(lf_onTyped, &control);
      box->enterPressed = [&control] { control.owner->lf_command(control.id, ControlEvent::enterPressed); };
      return box;
    }
    }
    return nullptr;
  }

  void lf_command(ControlId id, ControlEvent event) {
    if (handlers.command) handlers.command(id, event);
    // A handler that changed nothing still leaves the widget as the model says.
    lf_apply(id);
  }

  static void lf_onClicked(Fl_Widget*, void* data) {
    auto& control = *static_cast<FltkControl*>(data);
    control.owner->lf_command(control.id, ControlEvent::clicked);
  }

  static void lf_onPicked(Fl_Widget* widget, void* data) {
    auto& control = *static_cast<FltkControl*>(data);
    const int index = static_cast<Fl_Choice*>(widget)->value();
    if (index < 0 || !control.owner->controls.selectIndex(control.id, static_cast<std::size_t>(index))) return;
    control.owner->lf_command(control.id, ControlEvent::selectionChanged);
  }

  static void lf_onTyped(Fl_Widget* widget, void* data) {
    auto& control = *static_cast<FltkControl*>(data);
    control.owner->controls.setText(control.id, static_cast<EnterEditBox*>(widget)->value());
  }

  void lf_apply(ControlId id) {
    auto found = fltkControls.find(id);
    const auto state = controls.state(id);
    if (found == fltkControls.end() || !state) return;
    FltkControl& control = *found->second;
    switch (control.kind) {
    case ControlKind::checkBox:
      static_cast<CommandCheckBox*>(control.widget)->value(state->checked ? 1 : 0);
      break;
    case ControlKind::dropDown:
      lf_applyList(control, *state);
      break;
    case ControlKind::pushButton:
      if (control.widget->label() == nullptr || state->text != control.widget->label())
        control.widget->copy_label(state->text.c_str());
      break;
    case ControlKind::editBox: {
      auto* box = static_cast<EnterEditBox*>(control.widget);
      if (state->text != box->value()) box->value(state->text.c_str());
      break;
    }
    }
    if (state->enabled) {
      control.widget->activate();
    } else {
      control.widget->deactivate();
    }
    control.widget->redraw();
  }

  static void lf_applyList(FltkControl& control, const ControlState& state) {
    auto* list = static_cast<ListDropDown*>(control.widget);
    if (control.shownItems != state.items) {
      list->entries = state.items;
      list->clear();
      // add() reads '/', '|' and '&' in a label; replace() takes it as it is.
      // add() also reuses an item of the same label, so every placeholder is
      // added before any entry's text could meet one ("1" among 1 to 4).
      for (std::size_t i = 0; i < state.items.size(); ++i) list->add(std::to_string(i).c_str(), 0, nullptr, nullptr, 0);
      for (std::size_t i = 0; i < state.items.size(); ++i)
        list->replace(static_cast<int>(i), fltk::gf_literalMenuLabel(state.items[i]).c_str());
      control.shownItems = state.items;
    }
    if (state.selected && *state.selected < state.items.size()) {
      list->value(static_cast<int>(*state.selected));
    } else {
      list->value(static_cast<const Fl_Menu_Item*>(nullptr));
    }
  }

  WindowHandlers handlers;
  WindowSpec openedWith;
  std::unique_ptr<PaintedWindow> window;
  std::map<ControlId, std::unique_ptr<FltkControl>> fltkControls;
  std::thread::id windowThread;

  std::shared_ptr<TaskQueue> tasks = std::make_shared<TaskQueue>();
  // FLTK's wake-ups work once the window thread has opened the window.
  std::atomic<bool> wakeable{false};
  std::atomic<bool> quitting{false};
  std::atomic<int> code{0};
};

} // namespace

void gf_setDisplayLossHandlers(DisplayLossHandlers handlers) {
  std::lock_guard lock(lossGuard);
  lossHandlers = std::move(handlers);
}

bool gf_desktopDisplayAvailable() {
  // The window thread alone opens it, once.
  if (fl_display != nullptr) return true;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Fl::warning = lf_onToolkitWarning;
  Fl::error = lf_onToolkitWarning;
  Fl::fatal = lf_onToolkitFatal;
  // What FLTK does before it opens a display itself.
  std::setlocale(LC_CTYPE, "");
  XSetLocaleModifiers("@im=");
  XSetIOErrorHandler(lf_onIoError);
  XSetErrorHandler(lf_onXError);
  Display* display = lf_openDisplayWaiting(name);
  if (display == nullptr) {
    lf_report(std::string("cannot open display ") + name);
    return false;
  }
  fl_open_display(display);
  return true;
}

std::unique_ptr<Window> gf_makeDesktopWindow() {
  if (!gf_desktopDisplayAvailable()) return nullptr;
  return std::make_unique<FltkWindow>();
}

} // namespace gwr::platform
