// The settings' own update step: PROGRAM_VERSION follows the running program,
// and what an older version left behind is removed.
#include "app/update/settings_migration.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "core/file_maintenance.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/paths.h"
#include "core/settings_catalogue.h"
#include "core/settings_file.h"
#include "platform/sys/folder_listing.h"

namespace gwr {

namespace {

namespace fs = std::filesystem;

constexpr VersionData unreadableVersion{};  // what the parser gives for a bad text

// A stale data file that stays would be read again as if fresh: a removal
// that fails stops the run.
void lf_removeDataFile(const fs::path& file) {
  std::error_code error;
  const bool found = platform::pathExists(file, error);
  if (error) throw fs::filesystem_error("exists", file, error);
  if (found && !gf_removePath(file, error) && error) throw fs::filesystem_error("remove", file, error);
}

void lf_removeNewVersionFolder() {
  std::error_code error;
  const bool found = platform::pathExists(newVersionFolder, error);
  if (error) throw fs::filesystem_error("exists", newVersionFolder, error);
  if (!found) return;
  gf_removeTree(newVersionFolder, error);
  if (error) throw fs::filesystem_error("remove folder", newVersionFolder, error);
}

} // namespace

void lf_migrateParameters() {
  if (!gf_loadParameters()) return lf_versionUpdate();
  for (CheckboxBoolParameter* scan : {&SCAN_LIVERIES, &SCAN_AIRPORTS}) {
    scan->setCurrent(true);
    scan->save();
    scan->showCheck();
  }
}

void lf_versionUpdate() {
  const std::string storedText = PROGRAM_VERSION.current();
  if (storedText.empty()) {
    PROGRAM_VERSION.set(programVersion.text());
    return;
  }
  for (const fs::path& plain : {airportsXmlFile, regcodesXmlFile, dbaseXmlFile}) lf_removeDataFile(plain);

  const VersionData stored(storedText);  // a bad text is logged by the parser
  const bool readable = stored != unreadableVersion;
  if (stored != programVersion) PROGRAM_VERSION.set(programVersion.text());
  if (readable && stored >= programVersion) return;

  if (readable) {
    gf_log(fmt::format("This is a version update from {} -> {}", stored.text(), programVersion.text()));
  } else {
    gf_logError(fmt::format("PROGRAM_VERSION \"{}\" is not readable: taken as older than {}", storedText,
                            programVersion.text()));
  }
  if (readable && stored < oldDataFilesBefore) {
    for (const fs::path& encrypted : {airportsEncFile, regcodesEncFile, dbaseEncFile}) lf_removeDataFile(encrypted);
  }
  lf_removeNewVersionFolder();
}

} // namespace gwr
