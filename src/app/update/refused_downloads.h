// Downloads refused for their size, remembered across starts by file name and
// the web's version, so that the same oversized file is not fetched again at
// every start; a newer version is tried afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/version.h"

namespace gwr {

inline constexpr std::string_view refusedDownloadsFileName = "refused_downloads.txt";
// The newest entries kept; the file stays a few hundred bytes.
inline constexpr std::size_t refusedDownloadsKept = 16;
// A longer file is not ours and is read as empty.
inline constexpr std::uintmax_t refusedDownloadsMaxBytes = 4096;

// The most bytes each download of the updater may bring.
inline constexpr std::uint64_t releaseNotesMaxBytes = 32ULL * 1024 * 1024;

bool gf_wasRefusedForSize(std::string_view file, const VersionData& version);
// Remembers the refusal in the per-user folder; a failed save is logged.
void gf_rememberRefusedForSize(std::string_view file, const VersionData& version);

} // namespace gwr
