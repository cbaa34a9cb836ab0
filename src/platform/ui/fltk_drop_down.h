// The real window's drop-down: a choice whose open list is at most as tall as
// the control's list height asks (less the field), scrolling beyond that.
#pragma once

#include <string>
#include <vector>

#include <FL/Fl_Choice.H>

namespace gwr::platform::fltk {

class ListDropDown final : public Fl_Choice {
public:
  // listHeight: the whole control's height while open, field and list.
  ListDropDown(int x, int y, int width, int fieldHeight, int listHeight);

  // The entries as the program gave them; the list shows them literally.
  std::vector<std::string> entries;

protected:
  int handle(int event) override;

private:
  void lf_openList();

  int listHeight;
};

} // namespace gwr::platform::fltk
