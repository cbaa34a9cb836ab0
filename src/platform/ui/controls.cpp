// The headless control backend, which keeps each control's state in memory,
// and the choice of the surface the settings talk to.
#include "platform/ui/controls.h"

#include <algorithm>
#include <atomic>

namespace gwr::platform {

namespace {
std::atomic<ControlSurface*> installedSurface{nullptr};
}

void HeadlessControlSurface::createControl(ControlId id) {
  std::lock_guard lock(guard);
  controls.try_emplace(id);
}

void HeadlessControlSurface::removeAllControls() {
  std::lock_guard lock(guard);
  controls.clear();
  invalidations = 0;
}

std::optional<ControlState> HeadlessControlSurface::state(ControlId id) const {
  std::lock_guard lock(guard);
  auto it = controls.find(id);
  if (it == controls.end()) return std::nullopt;
  return it->second;
}

int HeadlessControlSurface::settingsAreaInvalidations() const {
  std::lock_guard lock(guard);
  return invalidations;
}

bool HeadlessControlSurface::hasControl(ControlId id) const {
  std::lock_guard lock(guard);
  return controls.contains(id);
}

ControlState* HeadlessControlSurface::lf_find(ControlId id) {
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : &it->second;
}

bool HeadlessControlSurface::lf_selectEqual(ControlState& control, const std::string& text) {
  auto it = std::find(control.items.begin(), control.items.end(), text);
  if (it == control.items.end()) {
    control.selected.reset();
    return false;
  }
  control.selected = static_cast<std::size_t>(it - control.items.begin());
  return true;
}

void HeadlessControlSurface::resetList(ControlId id) {
  std::lock_guard lock(guard);
  if (auto* control = lf_find(id)) {
    control->items.clear();
    control->selected.reset();
  }
}

void HeadlessControlSurface::addListItem(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  if (auto* control = lf_find(id)) control->items.push_back(text);
}

bool HeadlessControlSurface::selectListItem(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  return control != nullptr && lf_selectEqual(*control, text);
}

void HeadlessControlSurface::setCheck(ControlId id, bool checked) {
  std::lock_guard lock(guard);
  if (auto* control = lf_find(id)) control->checked = checked;
}

void HeadlessControlSurface::setText(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  if (auto* control = lf_find(id)) {
    control->text = text;
    if (!control->items.empty()) lf_selectEqual(*control, text);
  }
}

void HeadlessControlSurface::enable(ControlId id, bool enabled) {
  std::lock_guard lock(guard);
  if (auto* control = lf_find(id)) control->enabled = enabled;
}

void HeadlessControlSurface::invalidateSettingsArea() {
  std::lock_guard lock(guard);
  ++invalidations;
}

HeadlessControlSurface& gf_headlessControlSurface() {
  static HeadlessControlSurface surface;
  return surface;
}

ControlSurface& gf_controlSurface() {
  if (auto* surface = installedSurface.load()) return *surface;
  return gf_headlessControlSurface();
}

void gf_setControlSurface(ControlSurface* surface) { installedSurface.store(surface); }

} // namespace gwr::platform
