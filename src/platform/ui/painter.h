// What the program draws with: filled rectangles, one-pixel lines and text,
// in its own colour values; a recording painter keeps the calls for tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/ui_types.h"

namespace gwr::platform {

class Painter {
public:
  virtual ~Painter() = default;
  // Right and bottom edges are not filled.
  virtual void fillRect(const Rect& area, ColourRef colour) = 0;
  // One pixel wide; the end point is not drawn, as with the platform's lines.
  virtual void line(int x1, int y1, int x2, int y2, ColourRef colour) = 0;
  // UTF-8 text on a transparent background, its cell's top-left corner at (x, y).
  virtual void text(int x, int y, std::string_view text, ColourRef colour) = 0;
};

struct DrawCall {
  enum class Kind { fill, line, text };
  Kind kind = Kind::fill;
  Rect area;  // fill: the rectangle; line: (x1, y1)-(x2, y2); text: (x, y) in left, top
  Rgb colour;
  std::string text;
  friend bool operator==(const DrawCall&, const DrawCall&) = default;
};

// Keeps every call in order, colours already turned into RGB.
class RecordingPainter final : public Painter {
public:
  void fillRect(const Rect& area, ColourRef colour) override;
  void line(int x1, int y1, int x2, int y2, ColourRef colour) override;
  void text(int x, int y, std::string_view text, ColourRef colour) override;

  const std::vector<DrawCall>& calls() const { return recorded; }
  // The texts drawn, in order; the calls whose text equals the given one.
  std::vector<std::string> texts() const;
  std::vector<DrawCall> textCalls(std::string_view text) const;

private:
  std::vector<DrawCall> recorded;
};

} // namespace gwr::platform
