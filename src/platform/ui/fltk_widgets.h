// The FLTK pieces of the real window: its painter, the painted main window and
// the controls that behave as the program expects. Only FLTK sources include it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>

#include "platform/ui/painter.h"

namespace gwr::platform::fltk {

// Draws into FLTK's current drawing surface.
class FltkPainter final : public Painter {
public:
  void fillRect(const Rect& area, ColourRef colour) override;
  void line(int x1, int y1, int x2, int y2, ColourRef colour) override;
  void text(int x, int y, std::string_view text, ColourRef colour) override;
};

// Painted in full by the program (double-buffered), controls drawn on top;
// the close button and Alt+F4 only ask, Escape does nothing.
class PaintedWindow final : public Fl_Double_Window {
public:
  PaintedWindow(int x, int y, int width, int height);
  std::function<void(Painter&)> paint;
  std::function<void()> closeRequested;

protected:
  void draw() override;

private:
  static void lf_onClose(Fl_Widget* widget, void* data);
};

// A check box the user cannot toggle: a click only calls back, and the check
// is what the program sets.
class CommandCheckBox final : public Fl_Check_Button {
public:
  CommandCheckBox(int x, int y, int width, int height);
};

// A one-line edit box that hands Enter to the program instead of taking it.
class EnterEditBox final : public Fl_Input {
public:
  EnterEditBox(int x, int y, int width, int height);
  std::function<void()> enterPressed;
  // A field colour of the program's own, kept while the box is disabled.
  void fieldColour(ColourRef colour);

protected:
  int handle(int event) override;
  void draw() override;

private:
  bool ownColour = false;
};

// A list entry as FLTK's menus show it literally ('&' and '@' doubled).
std::string gf_literalMenuLabel(std::string_view text);

} // namespace gwr::platform::fltk
