// The operations the settings need on the main window's controls, behind one
// small interface; the headless backend records what each control shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace gwr::platform {

using ControlId = std::uint16_t;

// Texts are UTF-8. Every operation on a control that does not exist does
// nothing; all may be called from any thread.
class ControlSurface {
public:
  virtual ~ControlSurface() = default;

  virtual bool hasControl(ControlId id) const = 0;
  virtual void resetList(ControlId id) = 0;
  virtual void addListItem(ControlId id, const std::string& text) = 0;
  // Selects the first entry equal to text byte for byte; false (and no
  // selection) when no entry is equal.
  virtual bool selectListItem(ControlId id, const std::string& text) = 0;
  virtual void setCheck(ControlId id, bool checked) = 0;
  // An edit box shows text; a drop-down list selects the entry equal to it.
  virtual void setText(ControlId id, const std::string& text) = 0;
  virtual void enable(ControlId id, bool enabled) = 0;
  // Asks for the settings band of the main window to be repainted.
  virtual void invalidateSettingsArea() = 0;
};

// What one control of the headless backend shows.
struct ControlState {
  std::vector<std::string> items;
  std::optional<std::size_t> selected;
  bool checked = false;
  std::string text;
  bool enabled = false;
};

// Records the controls in memory; tests create controls and read their state.
class HeadlessControlSurface final : public ControlSurface {
public:
  void createControl(ControlId id);
  void removeAllControls();
  std::optional<ControlState> state(ControlId id) const;
  int settingsAreaInvalidations() const;

  bool hasControl(ControlId id) const override;
  void resetList(ControlId id) override;
  void addListItem(ControlId id, const std::string& text) override;
  bool selectListItem(ControlId id, const std::string& text) override;
  void setCheck(ControlId id, bool checked) override;
  void setText(ControlId id, const std::string& text) override;
  void enable(ControlId id, bool enabled) override;
  void invalidateSettingsArea() override;

private:
  ControlState* lf_find(ControlId id);
  static bool lf_selectEqual(ControlState& control, const std::string& text);

  mutable std::mutex guard;
  std::map<ControlId, ControlState> controls;
  int invalidations = 0;
};

// The surface the settings talk to: a process-wide headless one until the
// shell installs its window's surface.
ControlSurface& gf_controlSurface();
HeadlessControlSurface& gf_headlessControlSurface();
// nullptr goes back to the headless surface. The surface must outlive its use.
void gf_setControlSurface(ControlSurface* surface);

} // namespace gwr::platform
