// The operations the program needs on the main window's controls, behind one
// small interface; the headless backend records what each control shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ui_types.h"

namespace gwr::platform {

using ControlId = std::uint16_t;

enum class ControlKind : std::uint8_t { checkBox, dropDown, pushButton, editBox };

// Where and how a control is made. The platform places a check box at
// (x, y + 2) sized 12 x 12, a drop-down at (x, y - 5), a push button (20 high)
// and an edit box (16 high) at (x, y). A drop-down and a check box start
// enabled, a push button and an edit box disabled.
struct ControlSpec {
  ControlId id = 0;
  ControlKind kind = ControlKind::checkBox;
  int x = 0;
  int y = 0;
  int width = 0;
  int listHeight = 0;   // drop-downs: the whole height while open, field and list
  std::string caption;  // push buttons
  std::optional<ColourRef> background;  // edit boxes: the field's colour; none is the platform's own

  static ControlSpec checkBox(ControlId id, int x, int y) { return {id, ControlKind::checkBox, x, y, 0, 0, {}, {}}; }
  static ControlSpec dropDown(ControlId id, int x, int y, int width, int listHeight) {
    return {id, ControlKind::dropDown, x, y, width, listHeight, {}, {}};
  }
  static ControlSpec pushButton(ControlId id, int x, int y, int width, std::string caption) {
    return {id, ControlKind::pushButton, x, y, width, 0, std::move(caption), {}};
  }
  static ControlSpec editBox(ControlId id, int x, int y, int width,
                             std::optional<ColourRef> background = std::nullopt) {
    return {id, ControlKind::editBox, x, y, width, 0, {}, background};
  }
};

// What one control shows.
struct ControlState {
  std::vector<std::string> items;
  std::optional<std::size_t> selected;
  bool checked = false;
  std::string text;
  bool enabled = false;
  std::optional<Rgb> background;  // edit boxes given a colour of their own
};

struct ListSelection {
  std::size_t index = 0;
  std::string text;
  friend bool operator==(const ListSelection&, const ListSelection&) = default;
};

// Texts are UTF-8. Every operation on a control that does not exist does
// nothing; all may be called from any thread.
class ControlSurface {
public:
  virtual ~ControlSurface() = default;

  virtual bool hasControl(ControlId id) const = 0;
  virtual std::optional<ControlState> state(ControlId id) const = 0;
  virtual void resetList(ControlId id) = 0;
  virtual void addListItem(ControlId id, const std::string& text) = 0;
  // Selects the first entry equal to text byte for byte; false (and no
  // selection) when no entry is equal.
  virtual bool selectListItem(ControlId id, const std::string& text) = 0;
  // Selects the first entry that begins with text, letters compared without
  // regard to case (so an empty text selects the first entry), as a Windows
  // list does for a string search; false (and no selection) when none does.
  virtual bool selectListPrefix(ControlId id, const std::string& text) = 0;
  // Only the program sets a check: clicking a check box never does.
  virtual void setCheck(ControlId id, bool checked) = 0;
  // An edit box shows text; a drop-down list selects the entry equal to it.
  virtual void setText(ControlId id, const std::string& text) = 0;
  virtual void enable(ControlId id, bool enabled) = 0;
  // Asks for the settings band of the main window to be repainted.
  virtual void invalidateSettingsArea() = 0;

  // Readings of state(); a missing control reads as unchecked, empty, disabled.
  bool isChecked(ControlId id) const;
  bool isEnabled(ControlId id) const;
  std::string text(ControlId id) const;
  std::optional<ListSelection> selection(ControlId id) const;
};

// What a newly made control of that kind shows.
ControlState gf_initialControlState(const ControlSpec& spec);

// The controls' states under one lock, shared by the backends. Each change
// answers whether the control exists.
class ControlModel {
public:
  // A control made twice keeps what it shows.
  void add(ControlId id, ControlState initial);
  void clear();
  bool has(ControlId id) const;
  std::optional<ControlState> state(ControlId id) const;

  bool resetList(ControlId id);
  bool addListItem(ControlId id, const std::string& text);
  // Exists and an equal entry was found.
  bool selectListItem(ControlId id, const std::string& text);
  // Exists and an entry beginning with text (any letter case) was found.
  bool selectListPrefix(ControlId id, const std::string& text);
  // The user picked an entry; false when out of the list.
  bool selectIndex(ControlId id, std::size_t index);
  bool setCheck(ControlId id, bool checked);
  bool setText(ControlId id, const std::string& text);
  bool enable(ControlId id, bool enabled);

private:
  ControlState* lf_find(ControlId id);
  static bool lf_selectEqual(ControlState& control, const std::string& text);
  static bool lf_selectAt(ControlState& control, std::vector<std::string>::const_iterator entry);

  mutable std::mutex guard;
  std::map<ControlId, ControlState> controls;
};

// The surface's operations carried out on a ControlModel; a backend that shows
// the controls hears of every change through controlChanged.
template <class Surface>
class ModelControls : public Surface {
public:
  bool hasControl(ControlId id) const override { return controls.has(id); }
  std::optional<ControlState> state(ControlId id) const override { return controls.state(id); }
  void resetList(ControlId id) override { lf_changed(id, controls.resetList(id)); }
  void addListItem(ControlId id, const std::string& text) override { lf_changed(id, controls.addListItem(id, text)); }
  bool selectListItem(ControlId id, const std::string& text) override {
    const bool found = controls.selectListItem(id, text);
    lf_changed(id, controls.has(id));
    return found;
  }
  bool selectListPrefix(ControlId id, const std::string& text) override {
    const bool found = controls.selectListPrefix(id, text);
    lf_changed(id, controls.has(id));
    return found;
  }
  void setCheck(ControlId id, bool checked) override { lf_changed(id, controls.setCheck(id, checked)); }
  void setText(ControlId id, const std::string& text) override { lf_changed(id, controls.setText(id, text)); }
  void enable(ControlId id, bool enabled) override { lf_changed(id, controls.enable(id, enabled)); }

protected:
  virtual void controlChanged(ControlId) {}
  ControlModel controls;

private:
  void lf_changed(ControlId id, bool exists) {
    if (exists) controlChanged(id);
  }
};

// Records the controls in memory; tests create controls and read their state.
class HeadlessControlSurface : public ModelControls<ControlSurface> {
public:
  // A control with nothing set and disabled.
  void createControl(ControlId id);
  void createControl(const ControlSpec& spec);
  void removeAllControls();
  int settingsAreaInvalidations() const;
  void invalidateSettingsArea() override;

private:
  mutable std::mutex invalidationGuard;
  int invalidations = 0;
};

// The surface the settings talk to: a process-wide headless one until the
// shell installs its window's surface.
ControlSurface& gf_controlSurface();
HeadlessControlSurface& gf_headlessControlSurface();
// nullptr goes back to the headless surface. The surface must outlive its use.
void gf_setControlSurface(ControlSurface* surface);
// A window's surface is installed: without one the program has nothing to
// show its settings in.
bool gf_controlSurfaceInstalled();

} // namespace gwr::platform
