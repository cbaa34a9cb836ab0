// A newer program version: its zip fetched and unpacked into "new_version",
// then handed over to the user with a read-me and the folder opened.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/update/refused_downloads.h"
#include "core/version.h"

namespace gwr {

inline constexpr std::string_view programZipFileName = "latest_version.zip";
inline constexpr std::string_view readMeFileName = "README.txt";

// Downloads and unpacks the program zip of this run. Done only when this run's
// download was unpacked completely and "new_version" now holds the installer;
// nothing of an earlier attempt is ever handed over. A zip that came too large
// or unusable is refused, and not fetched again for that version.
FetchOutcome downloadNewVersion(const VersionData& version);

// What an installer may be: the program zip and everything unpacked from it
// stay below this, and the disk must hold it with room to spare.
inline constexpr std::uint64_t installerLimitBytes = 1024ULL * 1024 * 1024;
inline constexpr std::uint64_t freeSpaceMarginBytes = 64ULL * 1024 * 1024;
// The most bytes the release notes may bring.
inline constexpr std::uint64_t releaseNotesMaxBytes = 32ULL * 1024 * 1024;
// Tests lower the limit.
void gf_setInstallerLimit(std::uint64_t bytes);

// The text about administrator rights for installing into folder.
std::string gf_newVersionNotice(const std::filesystem::path& folder);

// After a successful downloadNewVersion of version: the release notes, "README.txt",
// the folder opened for the user, and the stop of the run.
void lf_handOverNewVersion(const VersionData& version);

} // namespace gwr
