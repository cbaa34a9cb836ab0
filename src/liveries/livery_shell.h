// What the livery scan and its processing ask of the application shell: the
// simulator's packages folder and repaints; headless defaults until installed.
#pragma once

#include <filesystem>

namespace gwr {

class ControlBinding;

// The shell installs its own at start-up; until then the headless one works
// the packages folder out from the settings and has nothing to repaint.
class LiveryShell {
public:
  virtual ~LiveryShell() = default;
  // out := the packages folder of the chosen simulator edition joined with
  // sub; empty when that folder is not set.
  virtual void packagesSubPath(std::filesystem::path& out, const std::filesystem::path& sub);
  // The status panel shows liveryCount.
  virtual void repaintStatusPanel() {}
};

// nullptr goes back to the headless shell. The shell must outlive its use.
void gf_installLiveryShell(LiveryShell* shell);

void gf_packagesSubPath(std::filesystem::path& out, const std::filesystem::path& sub);
void gf_repaintStatusPanel();
void gf_repaintSettingsArea();
// Enables or disables the control of a setting in the main window.
void gf_enableControl(const ControlBinding& binding, bool enabled);

} // namespace gwr
