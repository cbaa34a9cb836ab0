// Downloads refused for their size or because they came unusable, remembered
// across starts by file name and the web's version, so that a hostile site
// cannot make every start fetch the same large file; a newer version is tried
// afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/version.h"

namespace gwr {

inline constexpr std::string_view refusedDownloadsFileName = "refused_downloads.txt";
// The newest entries kept; the file stays a few hundred bytes.
inline constexpr std::size_t refusedDownloadsKept = 16;
// A longer file is not ours and is read as empty.
inline constexpr std::uintmax_t refusedDownloadsMaxBytes = 4096;

// How a guarded download ended; a fetch gives one of the first three.
enum class FetchOutcome {
  done,
  failed,          // tried again at the next start
  refused,         // too large or unusable: not fetched again for this version
  refusedEarlier,  // not fetched: refused at an earlier start
};

// Runs fetch for file at version unless it was refused before; a refusal is
// remembered in the per-user folder and logged once with that file's path.
FetchOutcome gf_fetchUnlessRefused(std::string_view file, const VersionData& version,
                                   const std::function<FetchOutcome()>& fetch);

} // namespace gwr
