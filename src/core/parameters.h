// The setting objects: a key, a typed current value with its default and, for
// most, the binding to one control of the main window.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <pugixml.hpp>

namespace gwr {

// Every setting. Objects are globals made at static initialisation; values are
// read by every thread, so each value is atomic or guarded.
class Parameter {
public:
  explicit Parameter(std::string key) : key(std::move(key)) {}
  virtual ~Parameter() = default;
  Parameter(const Parameter&) = delete;
  Parameter& operator=(const Parameter&) = delete;

  const std::string key;  // the name in parameters.xml; a button's caption
};

// The tie of a setting or a push button to its control in the main window.
class ControlBinding {
public:
  ControlBinding(std::uint16_t controlId, std::int32_t y) : controlId(controlId), y(y) {}
  virtual ~ControlBinding() = default;

  const std::uint16_t controlId;    // 0x8000 upward
  const std::int32_t y;             // row position in the client area, pixels
  std::atomic<void*> handle{nullptr};  // the window's widget once it exists
};

class BoolParameter : public Parameter {
public:
  BoolParameter(std::string key, bool defaultValue)
      : Parameter(std::move(key)), defaultFlag(defaultValue), currentFlag(defaultValue) {}

  bool current() const { return currentFlag.load(); }
  void setCurrent(bool value) { currentFlag.store(value); }
  bool defaultValue() const { return defaultFlag; }

  // File operations (settings_file.cpp).
  bool load(const pugi::xml_node& document);  // true when found
  void appendTo(pugi::xml_node parameters, bool defaults) const;
  void log() const;
  void save() const;

private:
  const bool defaultFlag;
  std::atomic<bool> currentFlag;
};

class CheckboxBoolParameter : public BoolParameter, public ControlBinding {
public:
  CheckboxBoolParameter(std::string key, bool defaultValue, std::uint16_t controlId, std::int32_t y)
      : BoolParameter(std::move(key), defaultValue), ControlBinding(controlId, y) {}

  void showCheck() const;  // the box shows current
};

template <class T>
class NumberParameter : public Parameter {
  static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, float>);

public:
  // The default is kept as given, even outside [min, max], until a load.
  NumberParameter(std::string key, T defaultValue, T min, T max)
      : Parameter(std::move(key)), min(min), max(max), defaultNumber(defaultValue),
        currentNumber(defaultValue) {}

  T current() const { return currentNumber.load(); }
  void setCurrent(T value) { currentNumber.store(value); }
  T defaultValue() const { return defaultNumber; }
  T clamped(T value) const { return value < min ? min : (value > max ? max : value); }

  const T min;  // inclusive
  const T max;  // inclusive

  // File operations (settings_file.cpp).
  void appendTo(pugi::xml_node parameters, bool defaults) const;
  void log() const;
  void save() const;

private:
  const T defaultNumber;
  std::atomic<T> currentNumber;
};

// A drop-down list of numbers in ascending order; min and max are its ends.
template <class T>
class ComboNumberParameter : public NumberParameter<T>, public ControlBinding {
public:
  // choices must not be empty.
  ComboNumberParameter(std::string key, T defaultValue, std::vector<T> list, std::uint16_t controlId,
                       std::int32_t y)
      : NumberParameter<T>(std::move(key), defaultValue, list.front(), list.back()),
        ControlBinding(controlId, y), choices(std::move(list)) {}

  // Lists the choices and selects current when it is one of them.
  void fillCombo() const;

  const std::vector<T> choices;
};

class StringParameter : public Parameter {
public:
  StringParameter(std::string key, std::string defaultValue)
      : Parameter(std::move(key)), defaultText(defaultValue), currentText(std::move(defaultValue)) {}

  std::string current() const;
  void setCurrent(std::string value);
  std::string defaultValue() const;
  void setDefaultValue(std::string value);

  // File operations (settings_file.cpp).
  bool load(const pugi::xml_node& document);  // true when found
  void appendTo(pugi::xml_node parameters, bool defaults) const;
  void log() const;
  void save() const;
  void set(std::string value);  // current := value, then save

private:
  mutable std::mutex guard;
  std::string defaultText;
  std::string currentText;
};

// An edit box, or the base of the string drop-down lists.
class EditStringParameter : public StringParameter, public ControlBinding {
public:
  EditStringParameter(std::string key, std::string defaultValue, std::uint16_t controlId, std::int32_t y)
      : StringParameter(std::move(key), std::move(defaultValue)), ControlBinding(controlId, y) {}
};

class ComboChoiceParameter : public EditStringParameter {
public:
  ComboChoiceParameter(std::string key, std::string defaultValue, std::vector<std::string> list,
                       std::uint16_t controlId, std::int32_t y)
      : EditStringParameter(std::move(key), std::move(defaultValue), controlId, y),
        choices(std::move(list)) {}

  // Lists the choices and selects the first entry that begins with current,
  // in any letter case (an empty current selects the first entry). Throws
  // std::runtime_error on invalid UTF-8, with the list filled up to it.
  void fillCombo() const;
  std::optional<std::size_t> indexOfValue() const;  // first equal choice

  const std::vector<std::string> choices;
};

// A list of choices that one thread refills while others show it.
class SharedChoiceList {
public:
  explicit SharedChoiceList(std::vector<std::string> initial) : items(std::move(initial)) {}

  std::vector<std::string> snapshot() const;
  void replace(std::vector<std::string> newItems);

private:
  mutable std::mutex guard;
  std::vector<std::string> items;
};

class ComboSharedChoiceParameter : public EditStringParameter {
public:
  ComboSharedChoiceParameter(std::string key, std::string defaultValue,
                             std::shared_ptr<SharedChoiceList> list, std::uint16_t controlId, std::int32_t y)
      : EditStringParameter(std::move(key), std::move(defaultValue), controlId, y),
        choices(std::move(list)) {}

  void fillCombo() const;  // as ComboChoiceParameter::fillCombo

  const std::shared_ptr<SharedChoiceList> choices;
};

// A push button; the key is its caption. It holds no value.
class ButtonCommand : public Parameter, public ControlBinding {
public:
  ButtonCommand(std::string caption, std::uint16_t controlId, std::int32_t y)
      : Parameter(std::move(caption)), ControlBinding(controlId, y) {}
};

// Non-owning lists of the stored settings, in the order they are written.
template <class P>
using ParameterRegistry = std::vector<P*>;

// Show current as text in the control and repaint the settings area. Log and
// go on when the control is missing or the text is not UTF-8; never throw.
void gf_showNumberParameter(const ComboNumberParameter<std::int32_t>& parameter);
void gf_showStringParameter(const EditStringParameter& parameter);

extern template class NumberParameter<std::int32_t>;
extern template class NumberParameter<float>;
extern template class ComboNumberParameter<std::int32_t>;
extern template class ComboNumberParameter<float>;

} // namespace gwr
