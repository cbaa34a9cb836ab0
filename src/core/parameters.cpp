// Showing setting values in their controls: check boxes, drop-down lists and
// edit boxes, through the ui layer's control surface.
#include "core/parameters.h"

#include "core/log.h"
#include "core/text_files.h"
#include "platform/ui/controls.h"

#include <algorithm>
#include <exception>
#include <fmt/format.h>

namespace gwr {

namespace {

// Fills a string list and selects the first entry that begins with current in
// any letter case, as a Windows list's string search does (an empty current
// selects the first entry). Each entry is checked to be UTF-8 first; a bad one
// throws with the list filled up to it.
void lf_fillStringCombo(const ControlBinding& binding, const std::vector<std::string>& choices,
                        const std::string& current) {
  auto& surface = platform::gf_controlSurface();
  if (!surface.hasControl(binding.controlId)) return;
  surface.resetList(binding.controlId);
  for (const auto& choice : choices) {
    static_cast<void>(utf8_to_wide(choice));
    surface.addListItem(binding.controlId, choice);
  }
  static_cast<void>(utf8_to_wide(current));
  surface.selectListPrefix(binding.controlId, current);
}

void lf_showText(const ControlBinding& binding, const std::string& text) {
  try {
    auto& surface = platform::gf_controlSurface();
    if (!surface.hasControl(binding.controlId)) {
      // A run without a window shows no value; a window missing the control is a fault.
      if (platform::gf_controlSurfaceInstalled())
        gf_log(fmt::format("GetDlgItem failed for ID {}", binding.controlId));
      return;
    }
    try {
      static_cast<void>(utf8_to_wide(text));
    } catch (const std::exception& e) {
      gf_log(fmt::format("utf8_to_wide failed for '{}': {}", text, e.what()));
      return;
    }
    surface.setText(binding.controlId, text);
    surface.invalidateSettingsArea();
  } catch (...) {
    // Showing a value is cosmetic; the caller goes on regardless.
  }
}

} // namespace

void CheckboxBoolParameter::showCheck() const {
  platform::gf_controlSurface().setCheck(controlId, current());
}

template <class T>
void ComboNumberParameter<T>::fillCombo() const {
  auto& surface = platform::gf_controlSurface();
  if (!surface.hasControl(controlId)) return;
  surface.resetList(controlId);
  for (T choice : choices) surface.addListItem(controlId, fmt::format("{}", choice));
  const T value = this->current();
  if (std::find(choices.begin(), choices.end(), value) != choices.end())
    surface.selectListItem(controlId, fmt::format("{}", value));
}

template class ComboNumberParameter<std::int32_t>;
template class ComboNumberParameter<float>;

std::string StringParameter::current() const {
  std::lock_guard lock(guard);
  return currentText;
}

void StringParameter::setCurrent(std::string value) {
  std::lock_guard lock(guard);
  currentText = std::move(value);
}

std::string StringParameter::defaultValue() const {
  std::lock_guard lock(guard);
  return defaultText;
}

void StringParameter::setDefaultValue(std::string value) {
  std::lock_guard lock(guard);
  defaultText = std::move(value);
}

void StringParameter::set(std::string value) {
  setCurrent(std::move(value));
  save();
}

void ComboChoiceParameter::fillCombo() const { lf_fillStringCombo(*this, choices, current()); }

std::optional<std::size_t> ComboChoiceParameter::indexOfValue() const {
  auto it = std::find(choices.begin(), choices.end(), current());
  if (it == choices.end()) return std::nullopt;
  return static_cast<std::size_t>(it - choices.begin());
}

std::vector<std::string> SharedChoiceList::snapshot() const {
  std::lock_guard lock(guard);
  return items;
}

void SharedChoiceList::replace(std::vector<std::string> newItems) {
  std::lock_guard lock(guard);
  items = std::move(newItems);
}

void ComboSharedChoiceParameter::fillCombo() const {
  lf_fillStringCombo(*this, choices->snapshot(), current());
}

void gf_showNumberParameter(const ComboNumberParameter<std::int32_t>& parameter) {
  lf_showText(parameter, fmt::format("{}", parameter.current()));
}

void gf_showStringParameter(const EditStringParameter& parameter) {
  lf_showText(parameter, parameter.current());
}

} // namespace gwr
