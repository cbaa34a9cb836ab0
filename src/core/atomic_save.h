// Saving a file whole: the new content goes to a temporary beside it that is
// then renamed over it, so that no reader, kill or full disk meets half a file.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace gwr {

// Writes the new content to the temporary, open for writing in binary mode;
// false, with cause set when it knows one, when that failed.
using SaveWriter = std::function<bool(std::FILE* temporary, std::string& cause)>;

// Saves file through write and a rename. The temporary is made new, written
// only through the descriptor that made it and renamed only while it is still
// the file made: a link or pipe put at its name is never written through.
// Both are made and renamed through the folder's open descriptor, so that a
// folder swapped on the path meanwhile gets nothing. A
// symbolic link is written through to its target and stays a link, unless
// another user made it and it leads to a file (or folder, for a new file) that
// is not that user's. An existing file keeps its permission bits, owner and
// group, which its temporary has from the start; a new file gets its folder's
// owner and group where the process may give them. A file the process may not
// write (read-only, or another user's) or whose owner and group it cannot
// keep is neither written nor touched. Every failure is logged as
// "{file} not written: {cause}", leaves the old file as it was and no
// temporary behind, and gives false with cause.
bool gf_saveAtomically(const std::filesystem::path& file, const SaveWriter& write, std::string& cause);

} // namespace gwr
