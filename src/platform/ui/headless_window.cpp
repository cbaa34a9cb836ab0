// The headless window: controls in memory, posted tasks run by the loop pass,
// repaint requests and message boxes recorded, and the user's actions played.
#include "platform/ui/headless_window.h"

#include <chrono>

#include <algorithm>
#include <limits>
#include <utility>

namespace gwr::platform {

namespace {

long lf_overlap(const Rect& a, const Rect& b) {
  const long width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const long height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

long lf_distance(const Rect& a, const Rect& b) {
  const long dx = std::max({0, b.left - a.right, a.left - b.right});
  const long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

} // namespace

void HeadlessWindow::setHandlers(WindowHandlers newHandlers) { handlers = std::move(newHandlers); }

bool HeadlessWindow::open(const WindowSpec& spec) {
  openedWith = spec;
  placement = Rect{spec.x, spec.y, spec.x + spec.clientWidth, spec.y + spec.clientHeight};
  opened = true;
  return true;
}

void HeadlessWindow::addControl(const ControlSpec& spec) {
  kinds.insert_or_assign(spec.id, spec.kind);
  controls.add(spec.id, gf_initialControlState(spec));
}

bool HeadlessWindow::runOnce(double maxWaitSeconds) {
  std::deque<std::function<void()>> due;
  {
    std::unique_lock lock(guard);
    // Like a real event loop: wait for work rather than spin.
    if (tasks.empty() && maxWaitSeconds > 0 && !quitting.load()) {
      posted.wait_for(lock, std::chrono::duration<double>(maxWaitSeconds),
                      [this] { return !tasks.empty() || quitting.load(); });
    }
    due.swap(tasks);
  }
  for (auto& task : due) task();
  return opened && !quitting.load();
}

Rect HeadlessWindow::windowRect() const { return placement; }

void HeadlessWindow::moveTo(int x, int y) {
  placement = Rect{x, y, x + placement.width(), y + placement.height()};
}

Rect HeadlessWindow::workAreaNearest(const Rect& area) const {
  const Rect* best = &screens.front();
  long bestOverlap = -1;
  long bestDistance = std::numeric_limits<long>::max();
  for (const auto& candidate : screens) {
    const long overlap = lf_overlap(area, candidate);
    const long distance = lf_distance(area, candidate);
    if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
      best = &candidate;
      bestOverlap = overlap;
      bestDistance = distance;
    }
  }
  return *best;
}

void HeadlessWindow::setWorkAreas(std::vector<Rect> areas) {
  if (!areas.empty()) screens = std::move(areas);
}

void HeadlessWindow::setTopmost(bool topmost) { onTop = topmost; }

void HeadlessWindow::messageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  std::lock_guard lock(guard);
  boxes.push_back(MessageBoxCall{text, caption, icon});
}

void HeadlessWindow::post(std::function<void()> task) {
  {
    std::lock_guard lock(guard);
    tasks.push_back(std::move(task));
  }
  posted.notify_all();
}

void HeadlessWindow::invalidate(const Rect& area) {
  std::lock_guard lock(guard);
  invalidated.push_back(area);
}

void HeadlessWindow::invalidateAll() { invalidate(Rect{0, 0, openedWith.clientWidth, openedWith.clientHeight}); }

void HeadlessWindow::invalidateSettingsArea() { invalidate(openedWith.settingsArea); }

void HeadlessWindow::quit(int exitCode) {
  code.store(exitCode);
  {
    std::lock_guard lock(guard);
    quitting.store(true);
  }
  posted.notify_all();
}

int HeadlessWindow::exitCode() const { return code.load(); }

bool HeadlessWindow::lf_usable(ControlId id, ControlKind kind) const {
  auto it = kinds.find(id);
  return it != kinds.end() && it->second == kind && isEnabled(id);
}

void HeadlessWindow::lf_command(ControlId id, ControlEvent event) const {
  if (handlers.command) handlers.command(id, event);
}

bool HeadlessWindow::click(ControlId id) {
  if (!lf_usable(id, ControlKind::checkBox) && !lf_usable(id, ControlKind::pushButton)) return false;
  lf_command(id, ControlEvent::clicked);
  return true;
}

bool HeadlessWindow::choose(ControlId id, std::size_t index) {
  if (!lf_usable(id, ControlKind::dropDown) || !controls.selectIndex(id, index)) return false;
  lf_command(id, ControlEvent::selectionChanged);
  return true;
}

bool HeadlessWindow::type(ControlId id, const std::string& text) {
  if (!lf_usable(id, ControlKind::editBox)) return false;
  controls.setText(id, text);
  return true;
}

bool HeadlessWindow::pressEnter(ControlId id) {
  if (!lf_usable(id, ControlKind::editBox)) return false;
  lf_command(id, ControlEvent::enterPressed);
  return true;
}

void HeadlessWindow::pressClose() {
  if (handlers.closeRequested) handlers.closeRequested();
}

RecordingPainter HeadlessWindow::paint() const {
  RecordingPainter painter;
  if (handlers.paint) handlers.paint(painter);
  return painter;
}

std::vector<Rect> HeadlessWindow::takeInvalidations() {
  std::lock_guard lock(guard);
  return std::exchange(invalidated, {});
}

std::vector<MessageBoxCall> HeadlessWindow::messageBoxes() const {
  std::lock_guard lock(guard);
  return boxes;
}

std::size_t HeadlessWindow::pendingTasks() const {
  std::lock_guard lock(guard);
  return tasks.size();
}

} // namespace gwr::platform
