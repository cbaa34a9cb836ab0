// The real window's drop-down list: its own open list under the field, a
// browser in a borderless window that takes the pointer and the keys while open.
#include "platform/ui/fltk_drop_down.h"

#include <algorithm>

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Menu_Window.H>

namespace gwr::platform::fltk {

namespace {

constexpr int noEntry = -1;

// The entries of an open list.
class OpenList final : public Fl_Hold_Browser {
public:
  OpenList(int width, int height) : Fl_Hold_Browser(0, 0, width, height) {}
  int contentHeight() const { return full_height() + Fl::box_dh(box()); }
  int rowHeight() const { return incr_height() + Fl::box_dh(box()); }
  // The pointer is on the entries, not on the scroll bar or the border.
  bool pointerOnEntries() const {
    int x = 0, y = 0, w = 0, h = 0;
    bbox(x, y, w, h);
    return Fl::event_inside(x, y, w, h);
  }
  int chosen = noEntry;  // 0-based
};

// Holds the pointer and the keyboard while open: a press outside closes it,
// as do Escape and Enter (which picks the marked entry); a release on an
// entry picks that one.
class ListWindow final : public Fl_Menu_Window {
public:
  ListWindow(int x, int y, int width, int height) : Fl_Menu_Window(x, y, width, height), list(width, height) {
    end();
    set_override();
    set_menu_window();
  }
  OpenList list;
  bool closed = false;

protected:
  int handle(int event) override {
    if (event == FL_PUSH && !lf_pointerInside()) {
      closed = true;
      return 1;
    }
    if (event == FL_KEYBOARD) return lf_key(Fl::event_key());
    const int handled = Fl_Menu_Window::handle(event);
    // While open every release comes here: one on an entry picks it.
    if (event == FL_RELEASE && list.pointerOnEntries() && list.value() > 0) list.chosen = list.value() - 1;
    return handled;
  }

private:
  bool lf_pointerInside() const {
    const int px = Fl::event_x_root(), py = Fl::event_y_root();
    return px >= x() && px < x() + w() && py >= y() && py < y() + h();
  }
  int lf_key(int key) {
    if (key == FL_Escape) {
      closed = true;
    } else if (key == FL_Enter || key == FL_KP_Enter) {
      if (list.value() > 0) list.chosen = list.value() - 1;
      closed = true;
    } else if (key == FL_Down || key == FL_Up) {
      const int line = std::clamp(list.value() + (key == FL_Down ? 1 : -1), 1, list.size());
      list.select(line);
      if (!list.displayed(line)) {
        if (key == FL_Down) {
          list.bottomline(line);
        } else {
          list.topline(line);
        }
      }
    }
    return 1;  // every key is the list's while it is open
  }
};

} // namespace

ListDropDown::ListDropDown(int x, int y, int width, int fieldHeight, int listHeight)
    : Fl_Choice(x, y, width, fieldHeight), listHeight(listHeight) {}

int ListDropDown::handle(int event) {
  if (event == FL_PUSH) {
    if (Fl::visible_focus()) Fl::focus(this);
    lf_openList();
    return 1;
  }
  if (event == FL_KEYBOARD && Fl::event_key() == ' ' &&
      (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) == 0) {
    lf_openList();
    return 1;
  }
  return Fl_Choice::handle(event);
}

void ListDropDown::lf_openList() {
  if (entries.empty()) return;
  int dx = 0, dy = 0;
  Fl_Window* top = top_window_offset(dx, dy);
  if (top == nullptr) return;
  // The control's list height holds the field and the list under it.
  const int room = listHeight - h();
  ListWindow open(top->x() + dx, top->y() + dy + h(), w(), std::max(room, 1));
  OpenList& list = open.list;
  list.box(FL_BORDER_BOX);
  list.textfont(textfont());
  list.textsize(textsize());
  list.format_char(0);  // entries are text, never formatting
  for (const std::string& entry : entries) list.add(entry.c_str());
  // No taller than the entries need, and one entry at least.
  const int height = std::min(list.contentHeight(), std::max(room, list.rowHeight()));
  open.size(w(), height);
  list.size(w(), height);
  const int current = value();
  if (current >= 0 && current < list.size()) {
    list.select(current + 1);
    list.middleline(current + 1);
  }
  open.show();
  Fl::grab(&open);
  // A window that goes away takes its open list with it.
  while (!open.closed && list.chosen == noEntry && open.shown() && top->shown()) Fl::wait();
  Fl::grab(nullptr);
  open.hide();
  if (list.chosen == noEntry || list.chosen >= size() - 1) return;
  const Fl_Menu_Item* item = menu() + list.chosen;
  if (item != mvalue()) redraw();
  picked(item);
}

} // namespace gwr::platform::fltk
