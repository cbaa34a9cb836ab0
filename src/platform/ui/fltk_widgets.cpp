// The FLTK painter and widgets of the real window: colours turned to RGB, text
// placed by its top-left corner, check boxes that wait for the program.
#include "platform/ui/fltk_widgets.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/ui/ui_tunables.h"

namespace gwr::platform::fltk {

namespace {

void lf_useColour(ColourRef colour) {
  const Rgb rgb = gf_rgbOf(colour);
  fl_color(rgb.red, rgb.green, rgb.blue);
}

int lf_towards(int from, int to) { return from < to ? to - 1 : to + 1; }

} // namespace

void FltkPainter::fillRect(const Rect& area, ColourRef colour) {
  if (area.empty()) return;
  lf_useColour(colour);
  fl_rectf(area.left, area.top, area.width(), area.height());
}

void FltkPainter::line(int x1, int y1, int x2, int y2, ColourRef colour) {
  if (x1 == x2 && y1 == y2) return;
  lf_useColour(colour);
  // FLTK draws both end points; the program's lines stop one short.
  if (y1 == y2) {
    fl_line(x1, y1, lf_towards(x1, x2), y2);
  } else if (x1 == x2) {
    fl_line(x1, y1, x2, lf_towards(y1, y2));
  } else {
    fl_line(x1, y1, x2, y2);
  }
}

void FltkPainter::text(int x, int y, std::string_view text, ColourRef colour) {
  fl_font(FL_HELVETICA, tunables::textFontSizePixels);
  lf_useColour(colour);
  // FLTK places text by its baseline; the program gives the cell's top.
  const int baseline = y + fl_height() - fl_descent();
  fl_draw(text.data(), static_cast<int>(text.size()), x, baseline);
}

PaintedWindow::PaintedWindow(int x, int y, int width, int height) : Fl_Double_Window(x, y, width, height) {
  end();
  box(FL_NO_BOX);
  size_range(width, height, width, height);
  callback(lf_onClose, this);
}

void PaintedWindow::draw() {
  FltkPainter painter;
  if (paint) {
    paint(painter);
  } else {
    painter.fillRect(Rect{0, 0, w(), h()}, 0x000000);
  }
  draw_children();
}

void PaintedWindow::lf_onClose(Fl_Widget*, void* data) {
  auto* window = static_cast<PaintedWindow*>(data);
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (window->closeRequested) window->closeRequested();
}

CommandCheckBox::CommandCheckBox(int x, int y, int width, int height) : Fl_Check_Button(x, y, width, height) {
  // A momentary button: FLTK puts the value back on release and then calls back.
  type(FL_NORMAL_BUTTON);
  labelsize(tunables::checkSquarePixels);
  when(FL_WHEN_RELEASE);
  // No focus frame around a box without text.
  clear_visible_focus();
}

EnterEditBox::EnterEditBox(int x, int y, int width, int height) : Fl_Input(x, y, width, height) {
  when(FL_WHEN_CHANGED);
  textfont(FL_HELVETICA);
  textsize(tunables::controlFontSizePixels);
}

void EnterEditBox::fieldColour(ColourRef colour) {
  const Rgb rgb = gf_rgbOf(colour);
  color(fl_rgb_color(rgb.red, rgb.green, rgb.blue));
  ownColour = true;
}

void EnterEditBox::draw() {
  if (!ownColour) {
    Fl_Input::draw();
    return;
  }
  // The field drawn as active, so a disabled box keeps the program's colour;
  // only its text turns grey.
  const Fl_Boxtype frame = box();
  if (damage() & FL_DAMAGE_ALL) fl_draw_box(frame, x(), y(), w(), h(), color());
  drawtext(x() + Fl::box_dx(frame), y() + Fl::box_dy(frame), w() - Fl::box_dw(frame), h() - Fl::box_dh(frame));
}

int EnterEditBox::handle(int event) {
  if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
    if (enterPressed) enterPressed();
    return 1;
  }
  return Fl_Input::handle(event);
}

std::string gf_literalMenuLabel(std::string_view text) {
  std::string label;
  label.reserve(text.size());
  for (const char c : text) {
    if (c == '&' || c == '@') label.push_back(c);
    label.push_back(c);
  }
  return label;
}

} // namespace gwr::platform::fltk
