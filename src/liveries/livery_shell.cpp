// The livery scan's calls into the shell, routed to the installed shell or to
// the headless defaults.
#include "liveries/livery_shell.h"

#include <atomic>
#include <string>

#include "core/parameters.h"
#include "core/run_state.h"
#include "core/settings_catalogue.h"
#include "platform/sys/native_path.h"
#include "platform/ui/controls.h"

namespace gwr {

namespace {

LiveryShell headlessShell;
std::atomic<LiveryShell*> installedShell{&headlessShell};

} // namespace

void LiveryShell::packagesSubPath(std::filesystem::path& out, const std::filesystem::path& sub) {
  const std::string packages = SimEdition.load() ? MSFS_INSTALL_PATH.current() : MSFS_2024_INSTALL_PATH.current();
  out = packages.empty() ? std::filesystem::path() : platform::pathFromUtf8(packages) / sub;
}

void gf_installLiveryShell(LiveryShell* shell) { installedShell.store(shell != nullptr ? shell : &headlessShell); }

void gf_packagesSubPath(std::filesystem::path& out, const std::filesystem::path& sub) {
  installedShell.load()->packagesSubPath(out, sub);
}

void gf_repaintStatusPanel() { installedShell.load()->repaintStatusPanel(); }

void gf_repaintSettingsArea() { platform::gf_controlSurface().invalidateSettingsArea(); }

void gf_enableControl(const ControlBinding& binding, bool enabled) {
  platform::gf_controlSurface().enable(binding.controlId, enabled);
}

} // namespace gwr
