// The recording painter: the drawing calls of one paint, kept in order for the
// headless window and its tests.
#include "platform/ui/painter.h"

namespace gwr::platform {

void RecordingPainter::fillRect(const Rect& area, ColourRef colour) {
  recorded.push_back(DrawCall{DrawCall::Kind::fill, area, gf_rgbOf(colour), {}});
}

void RecordingPainter::line(int x1, int y1, int x2, int y2, ColourRef colour) {
  recorded.push_back(DrawCall{DrawCall::Kind::line, Rect{x1, y1, x2, y2}, gf_rgbOf(colour), {}});
}

void RecordingPainter::text(int x, int y, std::string_view text, ColourRef colour) {
  recorded.push_back(DrawCall{DrawCall::Kind::text, Rect{x, y, x, y}, gf_rgbOf(colour), std::string(text)});
}

std::vector<std::string> RecordingPainter::texts() const {
  std::vector<std::string> found;
  for (const auto& call : recorded)
    if (call.kind == DrawCall::Kind::text) found.push_back(call.text);
  return found;
}

std::vector<DrawCall> RecordingPainter::textCalls(std::string_view text) const {
  std::vector<DrawCall> found;
  for (const auto& call : recorded)
    if (call.kind == DrawCall::Kind::text && call.text == text) found.push_back(call);
  return found;
}

} // namespace gwr::platform
