// Loading the settings at the start of a run and carrying them across a
// program update: the recorded version, leftovers and outdated data files.
#pragma once

#include "core/version.h"

namespace gwr {

// Data files of versions before this one are dropped, so that the version
// check downloads fresh ones.
inline constexpr VersionData oldDataFilesBefore{12, 0, 0};

// Loads parameters.xml; a settings file made anew switches both scans on,
// otherwise lf_versionUpdate follows. Never replaces stored settings.
void lf_migrateParameters();

// Records the running version in PROGRAM_VERSION and cleans up after an
// update. A stored version that cannot be read is logged and taken as older
// than this program, but old data files are dropped only for a known version.
// Throws filesystem_error ("exists", "remove folder") when "new_version" cannot
// be looked at or removed.
void lf_versionUpdate();

} // namespace gwr
