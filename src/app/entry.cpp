// The process entry: one instance per user, the log before anything else, then
// the command line and the run.
#include "app/entry.h"

#include "app/command_line.h"
#include "app/embedded_sim.h"
#include "app/startup.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/version.h"
#include "platform/sys/shell.h"
#include "platform/sys/single_instance.h"

#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <string_view>
#include <vector>

namespace gwr {

namespace {

bool lf_createPerUserFolder() {
  try {
    const auto& folder = gf_perUserFolder();
    if (!std::filesystem::exists(folder)) std::filesystem::create_directories(folder);
    return true;
  } catch (const std::filesystem::filesystem_error& e) {
    gf_log(fmt::format("Failed to create directory: {}", e.what()));
    return false;
  }
}

int lf_runApplication(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  productionMode = gf_parseProductionSwitch(arguments);
  if (!lf_createPerUserFolder()) return failureExitCode;
  // On this system the simulator is always the emulated one.
  if (!productionMode) gf_setUpEmbeddedSimulator(gf_embeddedPackagesFolder());
  return lf_startUpGWRT() ? 0 : failureExitCode;
}

} // namespace

int gf_processEntry(int argc, char** argv) {
  platform::SingleInstance instance;
  if (instance.state() == platform::SingleInstance::State::heldElsewhere) return secondInstanceExitCode;

  try {
    gf_openLogFile();
  } catch (const std::exception& e) {
    // Without a log nothing else could report what goes wrong later.
    platform::showMessageBox(fmt::format("{} cannot start: {}", programName, e.what()), "GWRT");
    return failureExitCode;
  }
  if (!instance.acquired()) {
    // No instance can hold a lock that cannot be opened, so the log opened
    // above is this user's only one; two runs side by side could not be told
    // apart, hence no run.
    const std::string why = fmt::format("{} cannot start: its {}", programName, instance.failure());
    gf_logError(why);
    platform::showMessageBox(why, "GWRT");
    return failureExitCode;
  }
  return lf_runApplication(argc, argv);
}

} // namespace gwr
