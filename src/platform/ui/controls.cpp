// The controls' shared state model, the headless control backend, and the
// choice of the surface the settings talk to.
#include "platform/ui/controls.h"

#include <algorithm>
#include <atomic>

#include "platform/sys/case_insensitive.h"

namespace gwr::platform {

namespace {
std::atomic<ControlSurface*> installedSurface{nullptr};
}

bool ControlSurface::isChecked(ControlId id) const {
  const auto current = state(id);
  return current && current->checked;
}

bool ControlSurface::isEnabled(ControlId id) const {
  const auto current = state(id);
  return current && current->enabled;
}

std::string ControlSurface::text(ControlId id) const {
  auto current = state(id);
  return current ? std::move(current->text) : std::string{};
}

std::optional<ListSelection> ControlSurface::selection(ControlId id) const {
  const auto current = state(id);
  if (!current || !current->selected || *current->selected >= current->items.size()) return std::nullopt;
  return ListSelection{*current->selected, current->items[*current->selected]};
}

ControlState gf_initialControlState(const ControlSpec& spec) {
  ControlState initial;
  switch (spec.kind) {
  case ControlKind::checkBox:
  case ControlKind::dropDown:
    initial.enabled = true;
    break;
  case ControlKind::pushButton:
    initial.text = spec.caption;
    break;
  case ControlKind::editBox:
    if (spec.background) initial.background = gf_rgbOf(*spec.background);
    break;
  }
  return initial;
}

void ControlModel::add(ControlId id, ControlState initial) {
  std::lock_guard lock(guard);
  controls.try_emplace(id, std::move(initial));
}

void ControlModel::clear() {
  std::lock_guard lock(guard);
  controls.clear();
}

bool ControlModel::has(ControlId id) const {
  std::lock_guard lock(guard);
  return controls.contains(id);
}

std::optional<ControlState> ControlModel::state(ControlId id) const {
  std::lock_guard lock(guard);
  auto it = controls.find(id);
  if (it == controls.end()) return std::nullopt;
  return it->second;
}

ControlState* ControlModel::lf_find(ControlId id) {
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : &it->second;
}

bool ControlModel::lf_selectAt(ControlState& control, std::vector<std::string>::const_iterator entry) {
  if (entry == control.items.cend()) {
    control.selected.reset();
    return false;
  }
  control.selected = static_cast<std::size_t>(entry - control.items.cbegin());
  control.text = *entry;  // a drop-down list's text is its selected entry
  return true;
}

bool ControlModel::lf_selectEqual(ControlState& control, const std::string& text) {
  return lf_selectAt(control, std::find(control.items.cbegin(), control.items.cend(), text));
}

bool ControlModel::resetList(ControlId id) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  control->items.clear();
  control->selected.reset();
  return true;
}

bool ControlModel::addListItem(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  control->items.push_back(text);
  return true;
}

bool ControlModel::selectListItem(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  return control != nullptr && lf_selectEqual(*control, text);
}

bool ControlModel::selectListPrefix(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  return lf_selectAt(*control, std::find_if(control->items.cbegin(), control->items.cend(),
                                            [&text](const std::string& item) { return startsWithNoCase(item, text); }));
}

bool ControlModel::selectIndex(ControlId id, std::size_t index) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr || index >= control->items.size()) return false;
  control->selected = index;
  control->text = control->items[index];
  return true;
}

bool ControlModel::setCheck(ControlId id, bool checked) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  control->checked = checked;
  return true;
}

bool ControlModel::setText(ControlId id, const std::string& text) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  control->text = text;
  if (!control->items.empty()) lf_selectEqual(*control, text);
  return true;
}

bool ControlModel::enable(ControlId id, bool enabled) {
  std::lock_guard lock(guard);
  auto* control = lf_find(id);
  if (control == nullptr) return false;
  control->enabled = enabled;
  return true;
}

void HeadlessControlSurface::createControl(ControlId id) { controls.add(id, ControlState{}); }

void HeadlessControlSurface::createControl(const ControlSpec& spec) {
  controls.add(spec.id, gf_initialControlState(spec));
}

void HeadlessControlSurface::removeAllControls() {
  controls.clear();
  std::lock_guard lock(invalidationGuard);
  invalidations = 0;
}

int HeadlessControlSurface::settingsAreaInvalidations() const {
  std::lock_guard lock(invalidationGuard);
  return invalidations;
}

void HeadlessControlSurface::invalidateSettingsArea() {
  std::lock_guard lock(invalidationGuard);
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

bool gf_controlSurfaceInstalled() { return installedSurface.load() != nullptr; }

} // namespace gwr::platform
