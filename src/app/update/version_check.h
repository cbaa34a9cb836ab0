// The check of the maker's version list at the first start of a process:
// newer data files, newer scan versions and a newer program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "core/version.h"

namespace gwr {

inline constexpr std::string_view versionListFileName = "versions.json";
// The most bytes a data file download may bring: the shipped files have a
// few MB, the reader takes none above maxDataFileBytes.
inline constexpr std::uint64_t dataFileDownloadMaxBytes = 64ULL * 1024 * 1024;
// The user error when a newer program could not be fetched or unpacked.
inline constexpr int newVersionFailedError = 112;

// False when a new program version was put into "new_version" and the run
// must end; true otherwise, also when the list could not be fetched or read.
// Throws UserErrorException 112 when a newer program could not be fetched or
// unpacked, and filesystem_error when a file's status cannot be queried.
bool checkVersions();

// The files a download killed before its end leaves beside what the updater
// downloads: partial downloads and data files not yet checked.
std::vector<std::filesystem::path> gf_interruptedDownloadFiles();

void lf_logVersionUpdated(std::string_view item, const VersionData& version);  // "{} updated to {}"
void lf_logVersionUpToDate(std::string_view item);                            // "{} version up-to-date"
void lf_logVersionNotFound(std::string_view item);                            // "{} version not found"

} // namespace gwr
